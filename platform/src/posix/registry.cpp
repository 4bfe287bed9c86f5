// POSIX: HKEY_LOCAL_MACHINE from a registry export file.
// (Placeholder until the export-file reader lands: no keys at all.)
#include "platform/registry.h"

namespace platform
{

Status RegistryOpenKey(XStringView, RegistryKey& key)
{
    key = 0;
    return kErrorFileNotFound;
}

Status RegistryQueryString(RegistryKey, XStringView, XString&) { return kErrorFileNotFound; }

void RegistryCloseKey(RegistryKey) {}

} // namespace platform
