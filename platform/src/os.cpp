// The native Os: every call goes to this platform's implementation.
#include "platform/os.h"

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_version.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/processes.h"
#include "platform/profile.h"

namespace platform
{
namespace
{

Os& NativeOs()
{
    static Os native;
    return native;
}

Os* g_current = nullptr;

} // namespace

Os::~Os() = default;

void* Os::ModuleHandle()
{
    return platform::ModuleHandle();
}
XString Os::ModuleFileName()
{
    return platform::ModuleFileName();
}
XString Os::CommandLine()
{
    return platform::CommandLine();
}
bool Os::InitializeFramework(void* module)
{
    return module != nullptr;
}

void Os::WriteConsoleText(XStringView text)
{
    platform::WriteConsoleText(text);
}
void Os::ClearConsole()
{
    platform::ClearConsole();
}
void Os::RemoveConsoleMenuCommand(unsigned command)
{
    platform::RemoveConsoleMenuCommand(command);
}

bool Os::ListProcessNames(std::vector<XString>& names)
{
    return platform::ListProcessNames(names);
}
void Os::Sleep(unsigned long milliseconds)
{
    platform::SleepMilliseconds(milliseconds);
}
bool Os::LocalTime(std::tm& out)
{
    return platform::LocalTime(out);
}

Status Os::RegistryOpenKey(XStringView subKey, RegistryKey& key)
{
    return platform::RegistryOpenKey(subKey, key);
}
Status Os::RegistryQueryString(RegistryKey key, XStringView valueName, XString& text)
{
    return platform::RegistryQueryString(key, valueName, text);
}
void Os::RegistryCloseKey(RegistryKey key)
{
    platform::RegistryCloseKey(key);
}

bool Os::ReadFileVersion(XStringView path, std::uint32_t& versionMS, std::uint32_t& versionLS)
{
    return platform::ReadFileVersion(path, versionMS, versionLS);
}
Status Os::StartProgram(XStringView file, XStringView directory, ProcessHandle& process)
{
    return platform::StartProgram(file, directory, process);
}
void Os::WaitForProgram(ProcessHandle process)
{
    platform::WaitForProgram(process);
}
FolderTrust Os::CheckFolderTrust(XStringView folder)
{
    return platform::CheckFolderTrust(folder);
}

bool Os::PathExists(XStringView path)
{
    return platform::PathExists(path);
}
Status Os::FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file)
{
    return platform::FileOpen(path, mode, file);
}
Status Os::FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read)
{
    return platform::FileRead(file, buffer, count, read);
}
Status Os::FileWrite(FileHandle file, const void* data, std::uint32_t count)
{
    return platform::FileWrite(file, data, count);
}
Status Os::FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin,
                    std::uint64_t& position)
{
    return platform::FileSeek(file, offset, origin, position);
}
Status Os::FileSize(FileHandle file, std::uint64_t& size)
{
    return platform::FileSize(file, size);
}
Status Os::FileFlush(FileHandle file)
{
    return platform::FileFlush(file);
}
Status Os::FileClose(FileHandle file)
{
    return platform::FileClose(file);
}
Status Os::FileStatusByName(XStringView path, FileInfo& info)
{
    return platform::FileStatusByName(path, info);
}
Status Os::FileStatusByHandle(FileHandle file, FileInfo& info)
{
    return platform::FileStatusByHandle(file, info);
}
XString Os::FullPath(XStringView path)
{
    return platform::FullPath(path);
}
Status Os::ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                              const ReplaceOptions& options)
{
    return platform::ReplaceFileContent(path, data, size, options);
}

XString Os::GetPrivateProfileText(const XString* section, const XString* key,
                                  const XString* defaultText, std::size_t bufferSize,
                                  const XString& fileName)
{
    return platform::GetPrivateProfileText(section, key, defaultText, bufferSize, fileName);
}
bool Os::WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                                 const XString& fileName)
{
    return platform::WritePrivateProfileText(section, key, value, fileName);
}

void Os::ShowMessage(XStringView text)
{
    platform::ShowMessage(text);
}
void Os::SetWaitCursor(bool busy)
{
    platform::SetWaitCursor(busy);
}

Os& CurrentOs()
{
    return g_current != nullptr ? *g_current : NativeOs();
}

ScopedOs::ScopedOs(Os& os) : m_previous(g_current)
{
    g_current = &os;
}
ScopedOs::~ScopedOs()
{
    g_current = m_previous;
}

} // namespace platform
