// The core of the application framework: strings, objects, exceptions, files.
#pragma once

#include "afx/archive.h"
#include "afx/exceptions.h"
#include "afx/file.h"
#include "afx/object.h"
#include "afx/string.h"
#include "afx/types.h"
