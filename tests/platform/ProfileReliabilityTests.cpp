// INI files under faults and a second writer: every file call of a write
// failed in turn, the process ended at each of them, and two threads or two
// processes writing one file at once. After each, the file holds the whole
// old content or the whole new one, a write reported done is there, and no
// key of another writer is lost.
#include "ProfileHammer.h"

#include "platform/file_faults.h"
#include "platform/profile.h"

#include "FakeOs.h"
#include "FileFaults.h"
#include "ProcessRunner.h"
#include "ProfileCalls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using platform::FileCall;
using platform::Status;
using platform::XString;
using testing_support::TempDir;
using testing_support::W;
using testing_support::X;

namespace
{

using profile_calls::Get;
using profile_calls::Put;

std::vector<XString> Names(const XString& list)
{
    std::vector<XString> names;
    for (std::size_t at = 0; at < list.size() && list[at] != 0;)
    {
        const std::size_t end = list.find(platform::XCHAR(0), at);
        names.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

// Every section, key and value of a file as the profile functions read it.
std::wstring Entries(const std::wstring& fileName)
{
    constexpr std::size_t kBuffer = 65536;
    const XString file = X(fileName);
    std::wstring out;
    for (const XString& section :
         Names(platform::GetPrivateProfileText(nullptr, nullptr, nullptr, kBuffer, file)))
    {
        out += L"[" + W(section) + L"]\n";
        for (const XString& key :
             Names(platform::GetPrivateProfileText(&section, nullptr, nullptr, kBuffer, file)))
            out += W(key) + L"=" +
                   W(platform::GetPrivateProfileText(&section, &key, nullptr, kBuffer, file)) +
                   L"\n";
    }
    return out;
}

std::vector<std::string> FolderNames(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    return names;
}

// profile_probe's exit code when it ends itself at the call it was given.
constexpr int kCrashCode = 86;

// One kind of write, from the file it starts with (none when missing).
struct Writer
{
    const char* proves;
    const char* before;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
};

const char kAnsiFile[] = "; kept\r\n[S]\r\nk=old\r\n[Caf\xE9]\r\nx=5\x80\r\n";

const Writer kWriters[] = {
    {"a value replaced", kAnsiFile, L"S", L"k", L"new"},
    {"a key added", kAnsiFile, L"Caf\u00E9", L"y", L"2"},
    {"a section added", kAnsiFile, L"T", L"k", L"v"},
    {"the first write of a missing file", nullptr, L"S", L"k", L"v"},
    {"a key removed", kAnsiFile, L"S", L"k", nullptr},
    {"a section removed", kAnsiFile, L"S", nullptr, nullptr},
    {"a panel's last choice", kAnsiFile, L"Wzd Panel: 3", L"Last Option:", L"Summary"},
    {"an ANSI file converted to UTF-16", kAnsiFile, L"S", L"k", L"\u4E2D\u6587"},
    {"a missing file started as UTF-16", nullptr, L"S", L"k", L"\u4E2D"},
};

constexpr wchar_t kName[] = L"w.ini";

void Prepare(const TempDir& dir, const Writer& writer)
{
    if (writer.before != nullptr)
        dir.Write(kName, writer.before);
}

// What the file reads as, and holds, after the write succeeded.
struct Outcome
{
    std::wstring oldEntries;
    std::wstring newEntries;
    std::string newBytes;
};

Outcome Expected(const Writer& writer)
{
    TempDir dir;
    Prepare(dir, writer);
    Outcome outcome;
    outcome.oldEntries = Entries(dir.File(kName));
    EXPECT_TRUE(Put(dir.File(kName), writer.section, writer.key, writer.value));
    outcome.newEntries = Entries(dir.File(kName));
    outcome.newBytes = dir.Read(kName);
    EXPECT_NE(outcome.oldEntries, outcome.newEntries);
    return outcome;
}

TEST(ProfileFaultTest, AFailedFileCallLeavesTheOldFileAndIsReported)
{
    for (const Writer& writer : kWriters)
    {
        SCOPED_TRACE(writer.proves);
        const Outcome outcome = Expected(writer);
        for (int n = 1;; ++n)
        {
            SCOPED_TRACE("call " + std::to_string(n) + " fails");
            ASSERT_LT(n, 100);
            TempDir dir;
            Prepare(dir, writer);
            testing_support::Fault plan;
            plan.at = n;
            plan.status = n % 2 != 0 ? platform::kErrorDiskFull : platform::kErrorIoDevice;
            bool written = false;
            {
                const testing_support::ScopedFault hook(plan);
                written = Put(dir.File(kName), writer.section, writer.key, writer.value);
            }
            const std::wstring entries = Entries(dir.File(kName));
            if (written)
            {
                EXPECT_EQ(entries, outcome.newEntries);
                EXPECT_EQ(dir.Read(kName), outcome.newBytes);
            }
            else if (entries == outcome.newEntries)
            {
                // Only the flush of the folder after the new file took the
                // old one's place has failed: not reported as done.
                EXPECT_EQ(dir.Read(kName), outcome.newBytes);
            }
            else
            {
                EXPECT_EQ(entries, outcome.oldEntries);
#ifndef _WIN32
                // Windows keeps a converted file converted when the system's
                // write then fails: the same entries in other bytes.
                if (writer.before != nullptr)
                {
                    EXPECT_EQ(dir.Read(kName), writer.before);
                }
#endif
                if (writer.before == nullptr)
                {
                    EXPECT_FALSE(dir.Exists(kName));
                }
            }
            // Nothing is left beside the file.
            EXPECT_LE(FolderNames(dir).size(), 1u);
            if (plan.seen < n)
            {
                EXPECT_TRUE(written); // no call failed
                EXPECT_GT(n, 1);
                break;
            }
        }
    }
}

// A text as profile_probe takes it on its command line.
std::wstring ProbeText(const wchar_t* text)
{
    if (text == nullptr)
        return L"-";
    std::wstring out = L"'";
    for (const auto unit : X(text))
    {
        const wchar_t* const hex = L"0123456789ABCDEF";
        out += L"\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(hex[(static_cast<unsigned>(unit) >> shift) & 0xFu]);
    }
    return out;
}

std::wstring Probe()
{
#ifdef _WIN32
    return testing_support::ExecutableFolder() + L"\\profile_probe.exe";
#else
    return testing_support::ExecutableFolder() + L"/profile_probe";
#endif
}

// The write made by another process that ends at its file call number n;
// its exit code.
int EndedAt(int n, const std::wstring& file, const Writer& writer)
{
    return testing_support::RunProgram(Probe(),
                                       {L"crash", std::to_wstring(n), file,
                                        ProbeText(writer.section), ProbeText(writer.key),
                                        ProbeText(writer.value)},
                                       std::filesystem::path(file).parent_path().wstring())
        .exitCode;
}

TEST(ProfileFaultTest, AProcessEndedAtAnyFileCallLeavesTheOldOrTheNewFile)
{
    for (const Writer& writer : kWriters)
    {
        SCOPED_TRACE(writer.proves);
        const Outcome outcome = Expected(writer);
        for (int n = 1;; ++n)
        {
            SCOPED_TRACE("ended at call " + std::to_string(n));
            ASSERT_LT(n, 100);
            TempDir dir;
            Prepare(dir, writer);
            const std::wstring file = dir.File(kName);
            const int code = EndedAt(n, file, writer);
            const std::wstring entries = Entries(file);
            if (code == 0)
            {
                // The write made fewer calls: it is done.
                EXPECT_GT(n, 1);
                EXPECT_EQ(entries, outcome.newEntries);
                break;
            }
            ASSERT_EQ(code, kCrashCode);
            EXPECT_TRUE(entries == outcome.oldEntries || entries == outcome.newEntries)
                << platform::ToUtf8(X(entries));
            // The next write finishes the job and clears what the ended one
            // left beside the file.
            EXPECT_TRUE(Put(file, writer.section, writer.key, writer.value));
            EXPECT_EQ(Entries(file), outcome.newEntries);
            EXPECT_LE(FolderNames(dir).size(), 1u);
        }
    }
}

// ---------------------------------------------------------------------------
// Another program that writes the file without taking turns, right when the
// new file has been flushed: its entry is kept, and so is ours.

struct Intrusion
{
    const char* proves;
    const char* before;
    const wchar_t* value;
};

const Intrusion kIntrusions[] = {
    {"an ANSI file converted to UTF-16", "[S]\r\nk=v\r\n", L"\u4E2D"},
    {"a missing file started as UTF-16", nullptr, L"\u4E2D"},
#ifndef _WIN32
    // On Windows the system's profile functions make these writes.
    {"an edit", "[S]\r\nk=v\r\n", L"plain"},
    {"the first write of a missing file", nullptr, L"plain"},
#endif
};

struct Intruder
{
    std::filesystem::path file;
    FileCall at = FileCall::Flush;
    int calls = 0; // of that kind
    int when = 1;
};

Status WriteBehindItsBack(FileCall call, void* context)
{
    auto& intruder = *static_cast<Intruder*>(context);
    if (call == intruder.at && ++intruder.calls == intruder.when)
        std::ofstream(intruder.file, std::ios::binary | std::ios::app) << "\r\n[Other]\r\nx=1\r\n";
    return 0;
}

TEST(ProfileRaceTest, AFileChangedDuringAWriteIsReadAgain)
{
    for (const Intrusion& c : kIntrusions)
    {
        SCOPED_TRACE(c.proves);
        TempDir dir;
        if (c.before != nullptr)
            dir.Write(kName, c.before);
        const std::wstring file = dir.File(kName);
        Intruder intruder;
        intruder.file = dir.Path() / kName;
        platform::SetFileCallHook(WriteBehindItsBack, &intruder);
        const bool written = Put(file, L"S", L"k2", c.value);
        platform::SetFileCallHook(nullptr, nullptr);
        ASSERT_GE(intruder.calls, 1);
        EXPECT_TRUE(written);
        EXPECT_EQ(Get(file, L"Other", L"x"), L"1");
        EXPECT_EQ(Get(file, L"S", L"k2"), c.value);
        if (c.before != nullptr)
        {
            EXPECT_EQ(Get(file, L"S", L"k"), L"v");
        }
        EXPECT_EQ(FolderNames(dir).size(), 1u);
    }
}

#ifndef _WIN32
// Two first writes of a missing file: the one that finds the file made by
// the other meanwhile writes into it.
TEST(ProfileRaceTest, AFirstWriteThatFindsTheFileMadeMeanwhileWritesIntoIt)
{
    TempDir dir;
    const std::wstring file = dir.File(kName);
    Intruder intruder;
    intruder.file = dir.Path() / kName;
    intruder.at = FileCall::OpenForWrite;
    intruder.when = 2; // the file was found missing; it is about to be made
    platform::SetFileCallHook(WriteBehindItsBack, &intruder);
    const bool written = Put(file, L"Wzd Panel: 3", L"Last Option:", L"b");
    platform::SetFileCallHook(nullptr, nullptr);
    ASSERT_GE(intruder.calls, 2);
    EXPECT_TRUE(written);
    EXPECT_EQ(Get(file, L"Other", L"x"), L"1");
    EXPECT_EQ(Get(file, L"Wzd Panel: 3", L"Last Option:"), L"b");
}
#endif

// ---------------------------------------------------------------------------
// Two writers at once. One writes values beyond the ANSI code page, so that
// its first write converts the ANSI file the other is writing too.

constexpr std::size_t kWrites = 100;

void ExpectEveryKey(const std::wstring& file)
{
    EXPECT_EQ(Get(file, L"Shared", L"start"), L"1");
    for (const std::string prefix : {"a", "u"})
    {
        for (std::size_t i = 0; i < kWrites; ++i)
        {
            const std::wstring key = W(platform::Ascii((prefix + std::to_string(i)).c_str()));
            ASSERT_EQ(Get(file, L"Shared", key.c_str()),
                      W(profile_stress::ExpectedValue(prefix, i)))
                << prefix << i;
        }
    }
    const std::wstring entries = Entries(file);
    EXPECT_EQ(entries.find(L"[Own "), std::wstring::npos);
}

TEST(ProfileStressTest, TwoThreadsWritingOneFileLoseNothing)
{
    TempDir dir;
    dir.Write(L"stress.ini", "[Shared]\r\nstart=1\r\n");
    const XString file = X(dir.File(L"stress.ini"));
    bool done[2] = {false, false};
    // Both start together, so that their writes overlap.
    std::atomic<int> ready{0};
    const auto write = [&](int index, const char* prefix)
    {
        ++ready;
        while (ready.load() < 2)
            std::this_thread::yield();
        done[index] = profile_stress::Hammer(file, prefix, kWrites);
    };
    std::thread first(write, 0, "a");
    std::thread second(write, 1, "u");
    first.join();
    second.join();
    EXPECT_TRUE(done[0]);
    EXPECT_TRUE(done[1]);
    ExpectEveryKey(dir.File(L"stress.ini"));
}

TEST(ProfileStressTest, TwoProcessesWritingOneFileLoseNothing)
{
    TempDir dir;
    dir.Write(L"stress.ini", "[Shared]\r\nstart=1\r\n");
    const std::wstring probe = Probe();
    int codes[2] = {-1, -1};
    const auto run = [&](int index, const wchar_t* prefix)
    {
        codes[index] =
            testing_support::RunProgram(
                probe, {L"hammer", dir.File(L"stress.ini"), prefix, std::to_wstring(kWrites)},
                dir.Wide())
                .exitCode;
    };
    std::thread first(run, 0, L"a");
    std::thread second(run, 1, L"u");
    first.join();
    second.join();
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], 0);
    ExpectEveryKey(dir.File(L"stress.ini"));
}

} // namespace
