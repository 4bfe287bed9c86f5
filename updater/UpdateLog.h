// The update log written beside the program at the end of every run.
#pragma once

#include <afx.h>

void WriteUpdateLog(const CString& strMessage);
CString BuildLogHeader();
CString BuildLogFooter();
CString GetUtilityVersion();
