// Whether a folder may hold a program that runs with administrator rights.
#pragma once

#include "platform/export.h"
#include "platform/text.h"

namespace platform
{

struct FolderTrust
{
    bool trusted = false;
    // When not trusted: the folder at fault (the one asked about or one above
    // it) and why, as a short English phrase ("is owned by another account").
    XString folder;
    XString reason;
};

// A folder is trusted when it and every folder above it can be changed only
// by the system's administrators and the account running this program: in
// the manner of OpenSSH's StrictModes. Windows: each is owned by
// Administrators, SYSTEM, TrustedInstaller or the running account, is no
// reparse point, and grants no other account the right to add, delete or
// write entries, nor WRITE_DAC or WRITE_OWNER (a folder above may let others
// add entries of their own, as the root of a drive does, but never delete or
// replace one). POSIX: each is owned by root or the running account, is no
// symbolic link, and is not writable by group or others (a folder above may
// be, when root owns it and its sticky bit is set, as /tmp). The folder must
// be an absolute path.
PLATFORM_API FolderTrust CheckFolderTrust(XStringView folder);

} // namespace platform
