// What the user sees of a run on the console.
#pragma once

#include <afx.h>

// How long the console stays readable before a run that installs nothing ends.
constexpr unsigned long kClosingWait = 7000;

// Writes the text to the console as it stands (line ends included).
void Print(const CString& strText);
