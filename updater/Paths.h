// Path rules of the program: folders are cut at the last separator (the
// backslash on Windows, "/" elsewhere).
#pragma once

#include <afx.h>

#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

// The path up to, not including, its last separator; empty when it has none.
CString FolderOf(const CString& strPath);
// A folder and a file name joined by the separator.
CString JoinPath(const CString& strFolder, const CString& strName);
// The folder of the running program (its full module path, cut).
CString GetProgramFolder();
