// Read access to HKEY_LOCAL_MACHINE.
//
// Windows: the system registry (RegOpenKeyExW with KEY_READ, no WOW64 flag).
// POSIX: a registry export file in the format the Windows registry editor
// writes ("Windows Registry Editor Version 5.00" in UTF-16LE with a byte-order
// mark, or UTF-8, or "REGEDIT4"), named by the environment variable
// BRANTEL_REGISTRY (default /etc/brantel/registry.reg; the variable counts
// only where the system trusts the caller's environment, see secure_getenv).
// No file means no keys (2); a file that cannot be parsed makes every open
// fail with 1009, one that cannot be opened with 5, one that cannot be read
// with 1016. The file must be owned by root or the running account and not
// be writable by group or others, else every open fails with 5.
#pragma once

#include "platform/status.h"
#include "platform/text.h"

#include <cstdint>

namespace platform
{

using RegistryKey = std::intptr_t;

// Opens a key under HKEY_LOCAL_MACHINE for reading: 0, 2 for a missing key,
// or another status.
Status RegistryOpenKey(XStringView subKey, RegistryKey& key);
// Reads a value as text into a buffer of 256 UTF-16 units (512 bytes): 0, 2
// for a missing value, 234 for a value that does not fit, or another status.
// The text is the data up to its first zero unit, whatever the value's type.
Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text);
void RegistryCloseKey(RegistryKey key);

} // namespace platform
