// The state of the module: one per copy of the framework, so one per process
// when the framework is the shared library.
#pragma once

#include "afx/object.h"

struct AfxModuleState
{
    CRuntimeClass* pFirstClass = nullptr; // the list of registered classes
    CRuntimeClass* pClassInit = nullptr;  // set aside while a library starts
};

AfxModuleState& AfxGetModuleState();
