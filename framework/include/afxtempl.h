// The framework's typed collection templates.
#pragma once

#include "afxcoll.h"
#include "afx/typed.h"
