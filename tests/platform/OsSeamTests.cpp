// The two sides of the seam: a read-only system passes every query on and
// keeps every action to itself; the native one opens files for reading only
// on the query side and for writing only on the action side.
#include "FakeOs.h"
#include "platform/read_only_os.h"

#include <gtest/gtest.h>

namespace
{

using platform::ReadOnlyOs;
using testing_support::FakeOs;
using testing_support::TempDir;
using testing_support::X;

TEST(ReadOnlyOs, QueriesReachTheSystemActionsAreRecordedAndRefused)
{
    TempDir dir;
    dir.Write(L"brantel.dat", "PatchInfo=x\r\n");
    FakeOs machine;
    machine.registry[L"SOFTWARE\\Key"][L"Name"] = L"value";
    ReadOnlyOs os(machine, X(dir.File(L"Brantel")));

    platform::RegistryKey key = 0;
    ASSERT_EQ(os.RegistryOpenKey(X(L"software\\key"), key), platform::kSuccess);
    platform::XString text;
    EXPECT_EQ(os.RegistryQueryString(key, X(L"name"), text), platform::kSuccess);
    os.RegistryCloseKey(key);
    EXPECT_EQ(text, X(L"value"));

    platform::FileHandle file = platform::kInvalidFile;
    ASSERT_EQ(os.FileOpenForReading(X(dir.File(L"brantel.dat")), {}, file), platform::kSuccess);
    char buffer[64];
    std::uint32_t read = 0;
    EXPECT_EQ(os.FileRead(file, buffer, sizeof buffer, read), platform::kSuccess);
    EXPECT_EQ(os.FileClose(file), platform::kSuccess);
    const ReadOnlyOs::FileReading* reading = os.ReadingOf(X(dir.File(L"brantel.dat")));
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->bytes, "PatchInfo=x\r\n");

    platform::FileOpenMode create;
    create.write = create.create = true;
    const platform::XString log = X(dir.File(L"Brantel.log"));
    platform::ProcessHandle process = 7;
    os.WriteConsoleText(X(L"text"));
    os.Sleep(7000);
    EXPECT_EQ(os.StartProgram(X(L"setup.exe"), X(L"folder"), process),
              platform::kErrorAccessDenied);
    EXPECT_EQ(process, 0u);
    EXPECT_EQ(os.FileOpenForWriting(log, create, file), platform::kErrorAccessDenied);
    EXPECT_EQ(os.ReplaceFileContent(log, "x", 1, {}), platform::kErrorAccessDenied);
    const platform::XString section = X(L"s"), name = X(L"k"), value = X(L"v");
    EXPECT_FALSE(os.WritePrivateProfileText(&section, &name, &value, log));
    os.ShowMessage(X(L"message"));

    EXPECT_FALSE(dir.Exists(L"Brantel.log"));
    EXPECT_TRUE(machine.console.empty());
    EXPECT_TRUE(machine.sleeps.empty());
    EXPECT_TRUE(machine.starts.empty());
    EXPECT_TRUE(machine.messages.empty());
    using Kind = ReadOnlyOs::EventKind;
    std::vector<Kind> kinds;
    for (const ReadOnlyOs::Event& event : os.Events())
        kinds.push_back(event.kind);
    EXPECT_EQ(kinds,
              (std::vector<Kind>{Kind::ConsoleText, Kind::Sleep, Kind::Start, Kind::FileWrite,
                                 Kind::FileWrite, Kind::ProfileWrite, Kind::Message}));
}

TEST(NativeOs, EachSideOpensFilesOnlyItsOwnWay)
{
    TempDir dir;
    dir.Write(L"old.txt", "old");
    platform::Os& os = platform::NativeOs();
    platform::FileOpenMode create;
    create.write = create.create = true;
    platform::FileHandle file = platform::kInvalidFile;
    EXPECT_EQ(os.FileOpenForReading(X(dir.File(L"new.txt")), create, file),
              platform::kErrorInvalidParameter);
    EXPECT_FALSE(dir.Exists(L"new.txt"));
    EXPECT_EQ(os.FileOpenForWriting(X(dir.File(L"old.txt")), {}, file),
              platform::kErrorInvalidParameter);

    ASSERT_EQ(os.FileOpenForWriting(X(dir.File(L"new.txt")), create, file), platform::kSuccess);
    EXPECT_EQ(os.FileWrite(file, "new", 3), platform::kSuccess);
    EXPECT_EQ(os.FileClose(file), platform::kSuccess);
    EXPECT_EQ(dir.Read(L"new.txt"), "new");
}

} // namespace
