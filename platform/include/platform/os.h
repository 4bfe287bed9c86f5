// The operating system as the components see it: two tables of operations,
// in the manner of a virtual file system.
//
// OsQueries is everything the components ask of the system; nothing in it
// changes the machine. OsActions is everything they do to it. Both are pure
// interfaces: an implementation that leaves out an operation does not
// compile, so a stand-in can never fall through to the real machine, and a
// read-only Os (read_only_os.h) has to decide about every action there is.
//
// Components reach every operation through CurrentOs(); a test installs a
// scripted Os with ScopedOs and the native one comes back after. NativeOs()
// forwards each call to this platform's implementation of its concern.
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

class PLATFORM_API OsQueries
{
public:
    virtual ~OsQueries() = default;

    // Program image and start-up
    virtual void* ModuleHandle() = 0;
    virtual XString ModuleFileName() = 0;
    virtual XString CommandLine() = 0;
    virtual bool InitializeFramework(void* module) = 0;

    // Processes, time, text
    virtual bool ListProcessNames(std::vector<XString>& names) = 0;
    virtual bool LocalTime(std::tm& out) = 0;
    // The ANSI code page of the text conversions (text.h).
    virtual unsigned AnsiCodePage() = 0;

    // Registry (HKEY_LOCAL_MACHINE)
    virtual Status RegistryOpenKey(XStringView subKey, RegistryKey& key) = 0;
    virtual Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text) = 0;
    virtual void RegistryCloseKey(RegistryKey key) = 0;

    // Executables
    virtual bool ReadFileVersion(XStringView path, std::uint32_t& versionMS,
                                 std::uint32_t& versionLS) = 0;
    // Whether a program in this folder may be started with our rights.
    virtual FolderTrust CheckFolderTrust(XStringView folder) = 0;

    // Files. A file opened here is only read: a mode that writes or creates
    // is refused with kErrorInvalidParameter. Seeking, measuring and closing
    // apply to every handle, whichever side opened it.
    virtual bool PathExists(XStringView path) = 0;
    virtual Status FileOpenForReading(XStringView path, const FileOpenMode& mode,
                                      FileHandle& file) = 0;
    virtual Status FileRead(FileHandle file, void* buffer, std::uint32_t count,
                            std::uint32_t& read) = 0;
    virtual Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin,
                            std::uint64_t& position) = 0;
    virtual Status FileSize(FileHandle file, std::uint64_t& size) = 0;
    virtual Status FileClose(FileHandle file) = 0;
    virtual Status FileStatusByName(XStringView path, FileInfo& info) = 0;
    virtual Status FileStatusByHandle(FileHandle file, FileInfo& info) = 0;
    virtual XString FullPath(XStringView path) = 0;

    // Private profile files
    virtual XString GetPrivateProfileText(const XString* section, const XString* key,
                                          const XString* defaultText, std::size_t bufferSize,
                                          const XString& fileName) = 0;
};

class PLATFORM_API OsActions
{
public:
    virtual ~OsActions() = default;

    // Console
    virtual void WriteConsoleText(XStringView text) = 0;
    virtual void ClearConsole() = 0;
    virtual void RemoveConsoleMenuCommand(unsigned command) = 0;

    // Waits and programs
    virtual void Sleep(unsigned long milliseconds) = 0;
    virtual Status StartProgram(XStringView file, XStringView directory,
                                ProcessHandle& process) = 0;
    virtual void WaitForProgram(ProcessHandle process) = 0;

    // Files. A mode that neither writes nor creates is refused with
    // kErrorInvalidParameter: reads are opened on the other side.
    virtual Status FileOpenForWriting(XStringView path, const FileOpenMode& mode,
                                      FileHandle& file) = 0;
    virtual Status FileWrite(FileHandle file, const void* data, std::uint32_t count) = 0;
    virtual Status FileFlush(FileHandle file) = 0;
    // The whole content of a file replaced durably (file_replace.h).
    virtual Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                                      const ReplaceOptions& options) = 0;

    // Private profile files
    virtual bool WritePrivateProfileText(const XString* section, const XString* key,
                                         const XString* value, const XString& fileName) = 0;

    // User interface
    virtual void ShowMessage(XStringView text) = 0;
    virtual void SetWaitCursor(bool busy) = 0;
};

class PLATFORM_API Os : public OsQueries, public OsActions
{
};

// Whether a mode opens a file for writing (write access, or creation).
inline bool OpensForWriting(const FileOpenMode& mode)
{
    return mode.write || mode.create;
}

// This machine's operating system.
PLATFORM_API Os& NativeOs();

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
