// <windows.h> and Lumbrix's public header together.
//
// The framework types that the library's header brings along declare
// HINSTANCE as a plain pointer, which <windows.h> declares as a handle type
// of its own. The framework's name is set aside while its headers are read;
// its functions that take an instance handle are not used here.
#pragma once

#include <windows.h>

#define HINSTANCE LumbrixFrameworkInstance
#include <lumbrix/OptionsManager.h>
#undef HINSTANCE
