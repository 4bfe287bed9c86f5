// The native Os: every call goes to this platform's implementation of its
// concern.
#include "platform/os.h"

#include "code_page.h"

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

class Native final : public Os
{
public:
    // Queries
    void* ModuleHandle() override { return platform::ModuleHandle(); }
    XString ModuleFileName() override { return platform::ModuleFileName(); }
    XString CommandLine() override { return platform::CommandLine(); }
    bool InitializeFramework(void* module) override { return module != nullptr; }

    bool ListProcessNames(std::vector<XString>& names) override
    {
        return platform::ListProcessNames(names);
    }
    bool LocalTime(std::tm& out) override { return platform::LocalTime(out); }
    unsigned AnsiCodePage() override { return SystemAnsiCodePage(); }

    Status RegistryOpenKey(XStringView subKey, RegistryKey& key) override
    {
        return platform::RegistryOpenKey(subKey, key);
    }
    Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text) override
    {
        return platform::RegistryQueryString(key, valueName, text);
    }
    void RegistryCloseKey(RegistryKey key) override { platform::RegistryCloseKey(key); }

    bool ReadFileVersion(XStringView path, std::uint32_t& versionMS,
                         std::uint32_t& versionLS) override
    {
        return platform::ReadFileVersion(path, versionMS, versionLS);
    }
    FolderTrust CheckFolderTrust(XStringView folder) override
    {
        return platform::CheckFolderTrust(folder);
    }

    bool PathExists(XStringView path) override { return platform::PathExists(path); }
    Status FileOpenForReading(XStringView path, const FileOpenMode& mode, FileHandle& file) override
    {
        if (OpensForWriting(mode))
            return kErrorInvalidParameter;
        return platform::FileOpen(path, mode, file);
    }
    Status FileRead(FileHandle file, void* buffer, std::uint32_t count,
                    std::uint32_t& read) override
    {
        return platform::FileRead(file, buffer, count, read);
    }
    Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin,
                    std::uint64_t& position) override
    {
        return platform::FileSeek(file, offset, origin, position);
    }
    Status FileSize(FileHandle file, std::uint64_t& size) override
    {
        return platform::FileSize(file, size);
    }
    Status FileClose(FileHandle file) override { return platform::FileClose(file); }
    Status FileStatusByName(XStringView path, FileInfo& info) override
    {
        return platform::FileStatusByName(path, info);
    }
    Status FileStatusByHandle(FileHandle file, FileInfo& info) override
    {
        return platform::FileStatusByHandle(file, info);
    }
    XString FullPath(XStringView path) override { return platform::FullPath(path); }

    XString GetPrivateProfileText(const XString* section, const XString* key,
                                  const XString* defaultText, std::size_t bufferSize,
                                  const XString& fileName) override
    {
        return platform::GetPrivateProfileText(section, key, defaultText, bufferSize, fileName);
    }

    // Actions
    void WriteConsoleText(XStringView text) override { platform::WriteConsoleText(text); }
    void ClearConsole() override { platform::ClearConsole(); }
    void RemoveConsoleMenuCommand(unsigned command) override
    {
        platform::RemoveConsoleMenuCommand(command);
    }

    void Sleep(unsigned long milliseconds) override { platform::SleepMilliseconds(milliseconds); }
    Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process) override
    {
        return platform::StartProgram(file, directory, process);
    }
    void WaitForProgram(ProcessHandle process) override { platform::WaitForProgram(process); }

    Status FileOpenForWriting(XStringView path, const FileOpenMode& mode, FileHandle& file) override
    {
        if (!OpensForWriting(mode))
            return kErrorInvalidParameter;
        return platform::FileOpen(path, mode, file);
    }
    Status FileWrite(FileHandle file, const void* data, std::uint32_t count) override
    {
        return platform::FileWrite(file, data, count);
    }
    Status FileFlush(FileHandle file) override { return platform::FileFlush(file); }
    Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                              const ReplaceOptions& options) override
    {
        return platform::ReplaceFileContent(path, data, size, options);
    }

    bool WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                                 const XString& fileName) override
    {
        return platform::WritePrivateProfileText(section, key, value, fileName);
    }

    void ShowMessage(XStringView text) override { platform::ShowMessage(text); }
    void SetWaitCursor(bool busy) override { platform::SetWaitCursor(busy); }
};

Os* g_current = nullptr;

} // namespace

Os& NativeOs()
{
    static Native native;
    return native;
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
