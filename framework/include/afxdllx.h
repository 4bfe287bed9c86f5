// Start-up of an extension library: include in exactly one source file of the
// library. It installs the framework's raw entry hook so that it runs at
// process attach before the library's static initialisation (the first of
// the library's initialisers, on Windows and on ELF systems alike).
#pragma once

#include "afxwin.h"

#if defined(__GNUC__)
__attribute__((constructor(101), used)) static void AfxExtensionRawAttach()
{
    const DWORD kProcessAttach = 1;
    AfxExtRawDllMain(nullptr, kProcessAttach, nullptr);
}
#else
#error "the raw entry hook needs GCC or Clang"
#endif
