// Win32: the process list from a Toolhelp snapshot.
#include "platform/processes.h"

#include <windows.h>
#include <tlhelp32.h>

namespace platform
{

bool ListProcessNames(std::vector<XString>& names)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!Process32FirstW(snapshot, &entry))
    {
        CloseHandle(snapshot);
        return false;
    }
    do
    {
        names.emplace_back(entry.szExeFile);
    } while (Process32NextW(snapshot, &entry));
    CloseHandle(snapshot);
    return true;
}

} // namespace platform
