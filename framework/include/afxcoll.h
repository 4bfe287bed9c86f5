// The framework's collections.
#pragma once

#include "afx.h"
#include "afx/collections.h"
