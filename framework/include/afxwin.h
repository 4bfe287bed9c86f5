// Applications: the application object, command targets, message boxes.
#pragma once

#include "afx.h"
#include "afx/app.h"
