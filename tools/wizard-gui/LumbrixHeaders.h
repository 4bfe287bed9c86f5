// <windows.h> and Lumbrix's public header together, in that order.
#pragma once

#include <windows.h>

#include <lumbrix/OptionsManager.h>
