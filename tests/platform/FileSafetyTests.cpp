// What an elevated program must never do with a file someone else prepared:
// write through a link, truncate before checking, or block on a FIFO; and
// the names and code pages it must keep exact.
#include "FakeOs.h"
#include "FileBytes.h"
#include "platform/file.h"
#include "platform/os.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace
{

namespace fs = std::filesystem;
using platform::XString;

using testing_support::Content;
using testing_support::Name;
using testing_support::Put;

platform::FileOpenMode CreateForWriting()
{
    platform::FileOpenMode mode;
    mode.read = false;
    mode.write = true;
    mode.create = true;
    return mode;
}

class FileSafety : public ::testing::Test
{
protected:
    // Opens for "create or truncate" and writes; the status of the open.
    platform::Status WriteThrough(const fs::path& path, const std::string& bytes)
    {
        platform::FileHandle file = platform::kInvalidFile;
        const platform::Status status = platform::FileOpen(Name(path), CreateForWriting(), file);
        if (status == platform::kSuccess)
        {
            EXPECT_EQ(
                platform::FileWrite(file, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                platform::kSuccess);
            platform::FileClose(file);
        }
        return status;
    }

    testing_support::TempDir dir;
};

TEST_F(FileSafety, CreateOrTruncateReplacesAPlainFile)
{
    const fs::path file = dir.Path() / "log.txt";
    Put(file, "an older and longer text");
    EXPECT_EQ(WriteThrough(file, "new"), platform::kSuccess);
    EXPECT_EQ(Content(file), "new");
}

TEST_F(FileSafety, WriteThroughAHardLinkIsRefusedAndLeavesBothNames)
{
    const fs::path target = dir.Path() / "system.cfg";
    Put(target, "precious");
    fs::create_hard_link(target, dir.Path() / "log.txt");
    EXPECT_EQ(WriteThrough(dir.Path() / "log.txt", "attack"), platform::kErrorAccessDenied);
    EXPECT_EQ(Content(target), "precious");
}

#ifndef _WIN32
TEST_F(FileSafety, WriteThroughASymbolicLinkIsRefusedWhetherOrNotItsTargetExists)
{
    const fs::path target = dir.Path() / "system.cfg";
    Put(target, "precious");
    fs::create_symlink(target, dir.Path() / "log.txt");
    fs::create_symlink(dir.Path() / "missing.cfg", dir.Path() / "dangling.txt");
    EXPECT_EQ(WriteThrough(dir.Path() / "log.txt", "attack"), platform::kErrorAccessDenied);
    EXPECT_EQ(WriteThrough(dir.Path() / "dangling.txt", "attack"), platform::kErrorAccessDenied);
    EXPECT_EQ(Content(target), "precious");
    EXPECT_FALSE(fs::exists(dir.Path() / "missing.cfg"));

    platform::FileHandle file = platform::kInvalidFile;
    EXPECT_EQ(platform::FileOpen(Name(dir.Path() / "log.txt"), platform::FileOpenMode(), file),
              platform::kSuccess)
        << "reading may follow a link";
    platform::FileClose(file);
}

TEST_F(FileSafety, AFifoIsRefusedAtOnceForReadingAndWriting)
{
    const fs::path fifo = dir.Path() / "brantel.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    platform::FileHandle file = platform::kInvalidFile;
    EXPECT_EQ(platform::FileOpen(Name(fifo), platform::FileOpenMode(), file),
              platform::kErrorAccessDenied);
    EXPECT_EQ(WriteThrough(fifo, "x"), platform::kErrorAccessDenied);
}

TEST(FileNameEncoding, EveryByteSequenceComesBackUnchanged)
{
    const std::string names[] = {"plain",
                                 "caf\xC3\xA9",
                                 "\xFF",
                                 "dir\xE9name",
                                 "\xC3",
                                 "\xC0\xAF",
                                 "\xED\xB2\x80",
                                 "\xF0\x9F\x98\x80",
                                 "\xF4\x90\x80\x80",
                                 "\xE2\x82",
                                 "\x80\x80\xC3\xA9"};
    for (const std::string& bytes : names)
    {
        std::string back;
        ASSERT_TRUE(platform::EncodeFileName(platform::DecodeFileName(bytes), back)) << bytes;
        EXPECT_EQ(back, bytes);
    }
    const XString escaped{u'a', 0xDCFF};
    EXPECT_EQ(platform::DecodeFileName("a\xFF"), escaped);
    EXPECT_EQ(platform::FromWide(platform::ToWide(escaped).c_str()), escaped)
        << "the framework's wide strings carry the escape";
    EXPECT_EQ(platform::DecodeFileName("\xC3\xA9"), XString(u"\u00E9"));
    // An encoded surrogate is three bytes to keep, not one escape to replay.
    EXPECT_EQ(platform::DecodeFileName("\xED\xB2\x80"), (XString{0xDCED, 0xDCB2, 0xDC80}));
}

TEST(FileNameEncoding, TextNoFileCanBeNamedIsRefused)
{
    std::string bytes = "left alone";
    EXPECT_FALSE(platform::EncodeFileName(XString{u'a', 0, u'b'}, bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(platform::EncodeFileName(XString{u'a', 0xD800}, bytes));
    EXPECT_FALSE(platform::EncodeFileName(XString{0xDC7F}, bytes));
    EXPECT_TRUE(platform::EncodeFileName(XString{0xD83D, 0xDE00}, bytes));
    EXPECT_EQ(bytes, "\xF0\x9F\x98\x80");
}

#endif

TEST(AnsiCodePage, ConversionsFollowTheCodePageOfTheOsInUse)
{
    testing_support::FakeOs os;
    const platform::ScopedOs scope(os);
    const XString text = testing_support::X(L"\u00E9\u20AC\u4E2D");
    std::string bytes;
    os.ansiCodePage = 65001;
    EXPECT_TRUE(platform::TextToAnsi(text, bytes));
    EXPECT_EQ(bytes, "\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD");
    EXPECT_EQ(platform::AnsiToText(bytes.data(), bytes.size()), text);
    os.ansiCodePage = 1252;
    EXPECT_TRUE(platform::TextToAnsi(text, bytes));
    EXPECT_EQ(bytes, "\xE9\x80?");
    EXPECT_EQ(platform::AnsiToText("\x80\xE9", 2), testing_support::X(L"\u20AC\u00E9"));
}

} // namespace
