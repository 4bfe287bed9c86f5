// Path rules of the program: folders are cut at the last separator (the
// backslash on Windows, "/" elsewhere).
#pragma once

#include <afx.h>
#include <platform/file.h>

constexpr wchar_t kPathSeparator = static_cast<wchar_t>(platform::kPathSeparator);

// The path up to, not including, its last separator; empty when it has none.
CString FolderOf(const CString& strPath);
// A folder and a file name joined by the separator.
CString JoinPath(const CString& strFolder, const CString& strName);
// The file of an icon location read as the shell reads it: a trailing
// ",N" icon index and then the quotes around the rest are removed
// ("\"C:\\Program Files\\Quenvia\\Qvw.exe\",0" names C:\Program Files\Quenvia\Qvw.exe).
// Any other text comes back unchanged.
CString IconLocationFile(const CString& strLocation);
// A name that can only be a file in the folder it is joined to: no folder
// separator of either kind, no ":" (drive, stream), not "." or "..", and
// no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, in any letter case,
// with or without an extension).
bool IsPlainFileName(const CString& strName);
// An absolute path: "X:\..." or "\\server\share..." on Windows, "/..." elsewhere.
bool IsAbsolutePath(const CString& strPath);
// The folder of the running program (its full module path, cut).
CString GetProgramFolder();
