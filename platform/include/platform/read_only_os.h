// An operating system to look at but not to touch: a program run on it reads
// the machine as it is, through the queries of another system, while every
// action (console output and clearing, menu changes, waits, program starts,
// file and profile writes, message boxes, the wait cursor) is recorded and,
// where it reports a result, refused. It is given only the other system's
// queries, so it cannot pass an action on; and an action added to OsActions
// keeps this class from compiling until it is decided here.
//
// brantel-check runs Brantel's own steps on it to know a run before it
// happens.
#pragma once

#include "platform/os.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform
{

class ReadOnlyOs : public Os
{
public:
    enum class EventKind
    {
        ConsoleText,  // text: what would have been printed
        ConsoleClear, //
        ConsoleMenu,  // number: the menu command
        Sleep,        // number: milliseconds
        Start,        // text: the program, detail: its working folder
        WaitForProgram,
        FileWrite,    // text: the path opened for writing or replaced
        ProfileWrite, // text: the profile file
        Message,      // text: the message box's text
        WaitCursor    // number: 1 busy, 0 normal
    };

    struct Event
    {
        EventKind kind;
        XString text;
        XString detail;
        unsigned long number;
    };

    // What was read through one handle opened for reading, in order.
    struct FileReading
    {
        XString path; // as the program named it
        std::string bytes;
        bool failed = false; // a read returned an error
    };

    // Reads go to underlying; the program's own path is moduleFileName.
    ReadOnlyOs(OsQueries& underlying, XString moduleFileName);

    // Called with each start request before it is refused (with status 5).
    void SetStartObserver(std::function<void(XStringView file, XStringView directory)> observer);

    const std::vector<Event>& Events() const { return m_events; }
    // The reading of the file opened by this path (the last one); null when
    // the file was never opened for reading.
    const FileReading* ReadingOf(XStringView path) const;

    // Queries: passed to the underlying system, reads recorded.
    void* ModuleHandle() override;
    XString ModuleFileName() override;
    XString CommandLine() override;
    bool InitializeFramework(void* module) override;
    bool ListProcessNames(std::vector<XString>& names) override;
    bool LocalTime(std::tm& out) override;
    unsigned AnsiCodePage() override;
    Status RegistryOpenKey(XStringView subKey, RegistryKey& key) override;
    Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text) override;
    void RegistryCloseKey(RegistryKey key) override;
    bool ReadFileVersion(XStringView path, std::uint32_t& versionMS,
                         std::uint32_t& versionLS) override;
    FolderTrust CheckFolderTrust(XStringView folder) override;
    bool PathExists(XStringView path) override;
    Status FileOpenForReading(XStringView path, const FileOpenMode& mode,
                              FileHandle& file) override;
    Status FileRead(FileHandle file, void* buffer, std::uint32_t count,
                    std::uint32_t& read) override;
    Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin,
                    std::uint64_t& position) override;
    Status FileSize(FileHandle file, std::uint64_t& size) override;
    Status FileClose(FileHandle file) override;
    Status FileStatusByName(XStringView path, FileInfo& info) override;
    Status FileStatusByHandle(FileHandle file, FileInfo& info) override;
    XString FullPath(XStringView path) override;
    XString GetPrivateProfileText(const XString* section, const XString* key,
                                  const XString* defaultText, std::size_t bufferSize,
                                  const XString& fileName) override;

    // Actions: recorded, and refused where they report a result.
    void WriteConsoleText(XStringView text) override;
    void ClearConsole() override;
    void RemoveConsoleMenuCommand(unsigned command) override;
    void Sleep(unsigned long milliseconds) override;
    Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process) override;
    void WaitForProgram(ProcessHandle process) override;
    Status FileOpenForWriting(XStringView path, const FileOpenMode& mode,
                              FileHandle& file) override;
    Status FileWrite(FileHandle file, const void* data, std::uint32_t count) override;
    Status FileFlush(FileHandle file) override;
    Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                              const ReplaceOptions& options) override;
    bool WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                                 const XString& fileName) override;
    void ShowMessage(XStringView text) override;
    void SetWaitCursor(bool busy) override;

private:
    void Record(EventKind kind, XStringView text = XStringView(),
                XStringView detail = XStringView(), unsigned long number = 0);

    OsQueries& m_os;
    XString m_moduleFileName;
    std::function<void(XStringView, XStringView)> m_startObserver;
    std::vector<Event> m_events;
    std::vector<FileReading> m_readings;
    std::map<FileHandle, std::size_t> m_reading; // open handle -> index in m_readings
};

} // namespace platform
