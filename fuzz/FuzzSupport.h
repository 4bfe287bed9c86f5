// What the fuzzers share: an operating system that stays silent, files held
// in memory, the input written to a file of the process's own, and a check
// that stops the run when a reader breaks one of its promises.
#pragma once

#include "RealFilesOs.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fuzzing
{

// Stops the run as a crash, so that the fuzzer keeps the input.
[[noreturn]] void Broken(const char* promise);
inline void Require(bool kept, const char* promise)
{
    if (!kept)
        Broken(promise);
}

// Says nothing, waits for nothing, starts nothing and sees no running
// processes; files and the other queries are this platform's.
class QuietOs : public testing_support::RealFilesOs
{
public:
    void* ModuleHandle() override { return Native().ModuleHandle(); }
    platform::XString ModuleFileName() override { return Native().ModuleFileName(); }
    platform::XString CommandLine() override { return Native().CommandLine(); }
    bool InitializeFramework(void* module) override { return Native().InitializeFramework(module); }
    bool ListProcessNames(std::vector<platform::XString>&) override { return true; }
    bool LocalTime(std::tm& out) override { return Native().LocalTime(out); }
    unsigned AnsiCodePage() override { return Native().AnsiCodePage(); }
    platform::Status RegistryOpenKey(platform::XStringView subKey,
                                     platform::RegistryKey& key) override
    {
        return Native().RegistryOpenKey(subKey, key);
    }
    platform::Status RegistryQueryString(platform::RegistryKey key, platform::XStringView valueName,
                                         platform::XString& text) override
    {
        return Native().RegistryQueryString(key, valueName, text);
    }
    void RegistryCloseKey(platform::RegistryKey key) override { Native().RegistryCloseKey(key); }
    bool ReadFileVersion(platform::XStringView path, std::uint32_t& versionMS,
                         std::uint32_t& versionLS) override
    {
        return Native().ReadFileVersion(path, versionMS, versionLS);
    }
    platform::FolderTrust CheckFolderTrust(platform::XStringView folder) override
    {
        return Native().CheckFolderTrust(folder);
    }

    void WriteConsoleText(platform::XStringView) override {}
    void ClearConsole() override {}
    void RemoveConsoleMenuCommand(unsigned) override {}
    void Sleep(unsigned long) override {}
    platform::Status StartProgram(platform::XStringView, platform::XStringView,
                                  platform::ProcessHandle& process) override
    {
        process = 0;
        return platform::kErrorAccessDenied;
    }
    void WaitForProgram(platform::ProcessHandle) override {}
    void ShowMessage(platform::XStringView) override {}
    void SetWaitCursor(bool) override {}

private:
    static platform::Os& Native() { return platform::NativeOs(); }
};

// Files in memory, by name: reads, writes, seeks and status as the platform
// gives them, with no disk underneath.
class MemoryFileOs : public QuietOs
{
public:
    void Put(const std::string& name, const std::uint8_t* data, std::size_t size);
    const std::string& Get(const std::string& name) { return m_files[name]; }

    platform::Status FileOpenForReading(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override;
    platform::Status FileOpenForWriting(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override;
    platform::Status FileRead(platform::FileHandle file, void* buffer, std::uint32_t count,
                              std::uint32_t& read) override;
    platform::Status FileWrite(platform::FileHandle file, const void* data,
                               std::uint32_t count) override;
    platform::Status FileSeek(platform::FileHandle file, std::int64_t offset,
                              platform::SeekOrigin origin, std::uint64_t& position) override;
    platform::Status FileSize(platform::FileHandle file, std::uint64_t& size) override;
    platform::Status FileFlush(platform::FileHandle file) override;
    platform::Status FileClose(platform::FileHandle file) override;
    platform::Status FileStatusByName(platform::XStringView path,
                                      platform::FileInfo& info) override;
    platform::Status FileStatusByHandle(platform::FileHandle file,
                                        platform::FileInfo& info) override;
    bool PathExists(platform::XStringView path) override;
    platform::XString FullPath(platform::XStringView path) override
    {
        return platform::XString(path);
    }

private:
    struct Open
    {
        std::string name;
        std::uint64_t position = 0;
    };
    Open* Find(platform::FileHandle file);
    platform::Status OpenFile(platform::XStringView path, const platform::FileOpenMode& mode,
                              platform::FileHandle& file);

    std::map<std::string, std::string> m_files;
    std::map<platform::FileHandle, Open> m_open;
    platform::FileHandle m_next = 1;
};

// A file in a folder of this process's own, rewritten with each input and
// removed with the folder when the process ends normally.
class InputFile
{
public:
    explicit InputFile(const char* name);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    void Write(const std::uint8_t* data, std::size_t size) const;
    const std::string& Path() const { return m_path; }
    const std::string& Folder() const { return m_folder; }
    platform::XString XPath() const { return platform::FromUtf8(m_path); }
    std::wstring WidePath() const;

private:
    std::string m_folder;
    std::string m_path;
};

} // namespace fuzzing
