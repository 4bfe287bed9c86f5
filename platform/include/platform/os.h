// The operating system as one replaceable object.
//
// Components reach every operating-system operation through CurrentOs(), so
// a test can install a scripted stand-in (processes to report, registry
// contents, file versions, a sleep that returns at once, a start that fails
// with a chosen code, a write that fails) and restore the real one after.
// The native object forwards each call to the per-concern functions.
#pragma once

#include "platform/export.h"
#include "platform/file.h"
#include "platform/file_replace.h"
#include "platform/folder_trust.h"
#include "platform/process_start.h"
#include "platform/registry.h"
#include "platform/status.h"
#include "platform/text.h"

#include <cstdint>
#include <ctime>
#include <vector>

namespace platform
{

class PLATFORM_API Os
{
public:
    virtual ~Os();

    // Program image and start-up
    virtual void* ModuleHandle();
    virtual XString ModuleFileName();
    virtual XString CommandLine();
    virtual bool InitializeFramework(void* module);

    // Console
    virtual void WriteConsoleText(XStringView text);
    virtual void ClearConsole();
    virtual void RemoveConsoleMenuCommand(unsigned command);

    // Processes, time
    virtual bool ListProcessNames(std::vector<XString>& names);
    virtual void Sleep(unsigned long milliseconds);
    virtual bool LocalTime(std::tm& out);

    // Registry (HKEY_LOCAL_MACHINE)
    virtual Status RegistryOpenKey(XStringView subKey, RegistryKey& key);
    virtual Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text);
    virtual void RegistryCloseKey(RegistryKey key);

    // Executables
    virtual bool ReadFileVersion(XStringView path, std::uint32_t& versionMS,
                                 std::uint32_t& versionLS);
    virtual Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process);
    virtual void WaitForProgram(ProcessHandle process);
    // Whether a program in this folder may be started with our rights.
    virtual FolderTrust CheckFolderTrust(XStringView folder);

    // Files
    virtual bool PathExists(XStringView path);
    virtual Status FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file);
    virtual Status FileRead(FileHandle file, void* buffer, std::uint32_t count,
                            std::uint32_t& read);
    virtual Status FileWrite(FileHandle file, const void* data, std::uint32_t count);
    virtual Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin,
                            std::uint64_t& position);
    virtual Status FileSize(FileHandle file, std::uint64_t& size);
    virtual Status FileFlush(FileHandle file);
    virtual Status FileClose(FileHandle file);
    virtual Status FileStatusByName(XStringView path, FileInfo& info);
    virtual Status FileStatusByHandle(FileHandle file, FileInfo& info);
    virtual XString FullPath(XStringView path);
    // The whole content of a file replaced durably (file_replace.h).
    virtual Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                                      const ReplaceOptions& options);

    // Private profile files
    virtual XString GetPrivateProfileText(const XString* section, const XString* key,
                                          const XString* defaultText, std::size_t bufferSize,
                                          const XString& fileName);
    virtual bool WritePrivateProfileText(const XString* section, const XString* key,
                                         const XString* value, const XString& fileName);

    // User interface
    virtual void ShowMessage(XStringView text);
    virtual void SetWaitCursor(bool busy);
};

// The object in use: the native one unless a test installed another.
PLATFORM_API Os& CurrentOs();

// Installs an Os for the lifetime of this object (tests).
class PLATFORM_API ScopedOs
{
public:
    explicit ScopedOs(Os& os);
    ~ScopedOs();
    ScopedOs(const ScopedOs&) = delete;
    ScopedOs& operator=(const ScopedOs&) = delete;

private:
    Os* m_previous;
};

} // namespace platform
