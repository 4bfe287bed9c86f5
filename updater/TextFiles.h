// Brantel's own text files: read bounded, written durably.
#pragma once

#include <afx.h>

// The largest descriptor or record read; a larger file counts as unreadable
// (a hostile size must not decide how much memory the run takes).
constexpr ULONGLONG kMaxTextFileLength = 64 * 1024;

// Makes strText the whole content of the file, stored as CStdioFile stores
// text (the ANSI code page, every line feed as CR LF), the way a database
// writes: a new file beside it, flushed, then put in place in one step, never
// through a link. On failure the old file is left whole, and error holds the
// cause for the framework's description.
BOOL WriteTextFile(const CString& strPath, const CString& strText, CFileException& error);
