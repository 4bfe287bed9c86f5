// The read-only Os: reads pass through, changes are refused and recorded.
#include "platform/read_only_os.h"

#include <utility>

namespace platform
{

ReadOnlyOs::ReadOnlyOs(OsQueries& underlying, XString moduleFileName)
    : m_os(underlying), m_moduleFileName(std::move(moduleFileName))
{
}

void ReadOnlyOs::SetStartObserver(std::function<void(XStringView, XStringView)> observer)
{
    m_startObserver = std::move(observer);
}

const ReadOnlyOs::FileReading* ReadOnlyOs::ReadingOf(XStringView path) const
{
    for (auto reading = m_readings.rbegin(); reading != m_readings.rend(); ++reading)
        if (reading->path == path)
            return &*reading;
    return nullptr;
}

void ReadOnlyOs::Record(EventKind kind, XStringView text, XStringView detail, unsigned long number)
{
    m_events.push_back(Event{kind, XString(text), XString(detail), number});
}

// Queries

void* ReadOnlyOs::ModuleHandle()
{
    return m_os.ModuleHandle();
}
XString ReadOnlyOs::ModuleFileName()
{
    return m_moduleFileName;
}
XString ReadOnlyOs::CommandLine()
{
    return m_moduleFileName;
}
bool ReadOnlyOs::InitializeFramework(void* module)
{
    return m_os.InitializeFramework(module);
}

bool ReadOnlyOs::ListProcessNames(std::vector<XString>& names)
{
    return m_os.ListProcessNames(names);
}
bool ReadOnlyOs::LocalTime(std::tm& out)
{
    return m_os.LocalTime(out);
}
unsigned ReadOnlyOs::AnsiCodePage()
{
    return m_os.AnsiCodePage();
}

Status ReadOnlyOs::RegistryOpenKey(XStringView subKey, RegistryKey& key)
{
    return m_os.RegistryOpenKey(subKey, key);
}
Status ReadOnlyOs::RegistryQueryString(RegistryKey key, XStringView valueName, XString& text)
{
    return m_os.RegistryQueryString(key, valueName, text);
}
void ReadOnlyOs::RegistryCloseKey(RegistryKey key)
{
    m_os.RegistryCloseKey(key);
}

bool ReadOnlyOs::ReadFileVersion(XStringView path, std::uint32_t& versionMS,
                                 std::uint32_t& versionLS)
{
    return m_os.ReadFileVersion(path, versionMS, versionLS);
}
FolderTrust ReadOnlyOs::CheckFolderTrust(XStringView folder)
{
    return m_os.CheckFolderTrust(folder);
}

bool ReadOnlyOs::PathExists(XStringView path)
{
    return m_os.PathExists(path);
}

Status ReadOnlyOs::FileOpenForReading(XStringView path, const FileOpenMode& mode, FileHandle& file)
{
    const Status status = m_os.FileOpenForReading(path, mode, file);
    if (status == kSuccess)
    {
        m_reading[file] = m_readings.size();
        m_readings.push_back(FileReading{XString(path), std::string(), false});
    }
    return status;
}

Status ReadOnlyOs::FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read)
{
    const Status status = m_os.FileRead(file, buffer, count, read);
    const auto reading = m_reading.find(file);
    if (reading != m_reading.end())
    {
        FileReading& record = m_readings[reading->second];
        if (status == kSuccess)
            record.bytes.append(static_cast<const char*>(buffer), read);
        else
            record.failed = true;
    }
    return status;
}

Status ReadOnlyOs::FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin,
                            std::uint64_t& position)
{
    return m_os.FileSeek(file, offset, origin, position);
}
Status ReadOnlyOs::FileSize(FileHandle file, std::uint64_t& size)
{
    return m_os.FileSize(file, size);
}
Status ReadOnlyOs::FileClose(FileHandle file)
{
    m_reading.erase(file);
    return m_os.FileClose(file);
}
Status ReadOnlyOs::FileStatusByName(XStringView path, FileInfo& info)
{
    return m_os.FileStatusByName(path, info);
}
Status ReadOnlyOs::FileStatusByHandle(FileHandle file, FileInfo& info)
{
    return m_os.FileStatusByHandle(file, info);
}
XString ReadOnlyOs::FullPath(XStringView path)
{
    return m_os.FullPath(path);
}

XString ReadOnlyOs::GetPrivateProfileText(const XString* section, const XString* key,
                                          const XString* defaultText, std::size_t bufferSize,
                                          const XString& fileName)
{
    return m_os.GetPrivateProfileText(section, key, defaultText, bufferSize, fileName);
}

// Actions

void ReadOnlyOs::WriteConsoleText(XStringView text)
{
    Record(EventKind::ConsoleText, text);
}
void ReadOnlyOs::ClearConsole()
{
    Record(EventKind::ConsoleClear);
}
void ReadOnlyOs::RemoveConsoleMenuCommand(unsigned command)
{
    Record(EventKind::ConsoleMenu, XStringView(), XStringView(), command);
}

void ReadOnlyOs::Sleep(unsigned long milliseconds)
{
    Record(EventKind::Sleep, XStringView(), XStringView(), milliseconds);
}

Status ReadOnlyOs::StartProgram(XStringView file, XStringView directory, ProcessHandle& process)
{
    Record(EventKind::Start, file, directory);
    if (m_startObserver)
        m_startObserver(file, directory);
    process = 0;
    return kErrorAccessDenied;
}

void ReadOnlyOs::WaitForProgram(ProcessHandle)
{
    Record(EventKind::WaitForProgram);
}

Status ReadOnlyOs::FileOpenForWriting(XStringView path, const FileOpenMode&, FileHandle& file)
{
    Record(EventKind::FileWrite, path);
    file = kInvalidFile;
    return kErrorAccessDenied;
}

// No handle opened here can be written or flushed: refused all the same.
Status ReadOnlyOs::FileWrite(FileHandle, const void*, std::uint32_t)
{
    return kErrorAccessDenied;
}
Status ReadOnlyOs::FileFlush(FileHandle)
{
    return kErrorAccessDenied;
}

Status ReadOnlyOs::ReplaceFileContent(XStringView path, const void*, std::size_t,
                                      const ReplaceOptions&)
{
    Record(EventKind::FileWrite, path);
    return kErrorAccessDenied;
}

bool ReadOnlyOs::WritePrivateProfileText(const XString*, const XString*, const XString*,
                                         const XString& fileName)
{
    Record(EventKind::ProfileWrite, fileName);
    return false;
}

void ReadOnlyOs::ShowMessage(XStringView text)
{
    Record(EventKind::Message, text);
}
void ReadOnlyOs::SetWaitCursor(bool busy)
{
    Record(EventKind::WaitCursor, XStringView(), XStringView(), busy ? 1 : 0);
}

} // namespace platform
