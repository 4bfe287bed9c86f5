// The durable replace: whatever call fails, or wherever the process dies,
// the file holds its old content or its new content, whole, and the caller
// hears of success only when the new content is there.
#include "FakeOs.h"
#include "FileBytes.h"
#include "FileFaults.h"
#include "platform/file.h"
#include "platform/file_faults.h"
#include "platform/file_replace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

namespace fs = std::filesystem;
using platform::Status;

using testing_support::Content;
using testing_support::Name;
using testing_support::Put;

Status Replace(const fs::path& path, const std::string& bytes,
               const platform::ReplaceOptions& options = {})
{
    return platform::ReplaceFileContent(Name(path), bytes.data(), bytes.size(), options);
}

// Files beside the target other than the target itself: what a failed or
// interrupted replace may have left.
std::vector<std::string> Others(const fs::path& target)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(target.parent_path()))
        if (entry.path().filename() != target.filename())
            names.push_back(entry.path().filename().string());
    return names;
}

using testing_support::Fault;
using testing_support::ScopedFault;

class FileReplace : public ::testing::Test
{
protected:
    testing_support::TempDir dir;
    fs::path target = dir.Path() / "choices.ini";
    const std::string oldContent = std::string(5000, 'o');
    const std::string newContent = std::string(9000, 'n');
};

TEST_F(FileReplace, MakesAMissingFileAndReplacesAnExistingOne)
{
    ASSERT_EQ(Replace(target, "first"), platform::kSuccess);
    EXPECT_EQ(Content(target), "first");
    ASSERT_EQ(Replace(target, ""), platform::kSuccess);
    EXPECT_EQ(Content(target), "");
    EXPECT_TRUE(Others(target).empty());
}

// Every failing call, of every kind, with a full disk and with an I/O error.
TEST_F(FileReplace, AFailureAnywhereLeavesTheOldFileWholeAndNoNewFile)
{
    for (const Status status : {platform::kErrorDiskFull, platform::kErrorIoDevice})
    {
        for (int n = 1;; ++n)
        {
            Put(target, oldContent);
            Fault fault;
            fault.at = n;
            fault.status = status;
            Status result;
            {
                ScopedFault scope(fault);
                result = Replace(target, newContent);
            }
            if (fault.seen < n)
            {
                // Every call went through: the replace is complete.
                EXPECT_EQ(result, platform::kSuccess) << n;
                EXPECT_EQ(Content(target), newContent);
                EXPECT_GE(n, 4) << "an open, a write, a flush and the replace at least";
                break;
            }
            EXPECT_EQ(result, status) << "call " << n;
            // A failure after the file was put in place (the folder's flush)
            // may leave the new content; never anything else.
            const std::string now = Content(target);
            EXPECT_TRUE(now == oldContent || now == newContent) << "call " << n;
            EXPECT_TRUE(Others(target).empty()) << "call " << n;
        }
    }
}

void SetVariable(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
#endif
}

// The process dies at each call in turn; the file is old or new, whole, and
// the next replace clears what the dead one left.
TEST_F(FileReplace, ACrashAnywhereLeavesOldOrNewAndTheNextWriteClearsUp)
{
    // A death test's child may run this body again from the start (always on
    // Windows): it must work on the parent's folder, not a new one of its own.
    const char* const kFolder = "QUENVIA_REPLACE_CRASH_FOLDER";
    const char* inherited = std::getenv(kFolder);
    const fs::path folder = inherited != nullptr ? fs::u8path(inherited) : dir.Path();
    if (inherited == nullptr)
        SetVariable(kFolder, folder.u8string());
    const fs::path file = folder / "choices.ini";

    Fault count;
    {
        ScopedFault scope(count);
        ASSERT_EQ(Replace(file, newContent), platform::kSuccess);
    }
    const int calls = count.seen;
    for (int n = 1; n <= calls; ++n)
    {
        Put(file, oldContent);
        EXPECT_EXIT(
            {
                Fault fault;
                fault.at = n;
                fault.crash = true;
                ScopedFault scope(fault);
                Replace(file, newContent);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(77), "")
            << "call " << n;
        const std::string now = Content(file);
        EXPECT_TRUE(now == oldContent || now == newContent) << "call " << n;
        ASSERT_EQ(Replace(file, "next"), platform::kSuccess);
        EXPECT_EQ(Content(file), "next");
        EXPECT_TRUE(Others(file).empty()) << "call " << n;
    }
    if (inherited == nullptr)
        SetVariable(kFolder, "");
}

TEST_F(FileReplace, AWriterThatSeesTheOldFileChangedStopsBeforeReplacing)
{
    Put(target, oldContent);
    platform::ReplaceOptions options;
    options.beforeReplace = [] { return false; };
    EXPECT_EQ(Replace(target, newContent, options), platform::kErrorFileChanged);
    EXPECT_EQ(Content(target), oldContent);
    EXPECT_TRUE(Others(target).empty());
}

#ifndef _WIN32
// Under Wine a Linux link shows as its target, so links are tried natively.

TEST_F(FileReplace, KeepsTheOldFilesMode)
{
    Put(target, oldContent);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(Replace(target, newContent), platform::kSuccess);
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileReplace, RefusesALinkOnTheWayUnlessTheTargetIsWhatIsReplaced)
{
    const fs::path real = dir.Path() / "real";
    fs::create_directories(real);
    Put(real / "choices.ini", oldContent);
    fs::create_directory_symlink(real, dir.Path() / "linked");
    fs::create_symlink(real / "choices.ini", dir.Path() / "alias.ini");

    EXPECT_EQ(Replace(dir.Path() / "linked" / "choices.ini", newContent),
              platform::kErrorAccessDenied);
    EXPECT_EQ(Replace(dir.Path() / "alias.ini", newContent), platform::kErrorAccessDenied);
    EXPECT_EQ(Content(real / "choices.ini"), oldContent);

    platform::ReplaceOptions follow;
    follow.links = platform::LinkPolicy::ReplaceTarget;
    ASSERT_EQ(Replace(dir.Path() / "alias.ini", newContent, follow), platform::kSuccess);
    EXPECT_EQ(Content(real / "choices.ini"), newContent);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "alias.ini"));
}

TEST_F(FileReplace, ReadsThatRefuseLinksRefuseThemAnywhereOnThePath)
{
    const fs::path real = dir.Path() / "real";
    fs::create_directories(real);
    Put(real / "record.dat", "secret");
    fs::create_directory_symlink(real, dir.Path() / "linked");
    platform::FileOpenMode mode;
    mode.noLinks = true;
    platform::FileHandle file = platform::kInvalidFile;
    EXPECT_EQ(platform::FileOpen(Name(dir.Path() / "linked" / "record.dat"), mode, file),
              platform::kErrorAccessDenied);
    ASSERT_EQ(platform::FileOpen(Name(real / "record.dat"), mode, file), platform::kSuccess);
    platform::FileClose(file);
}
#endif

} // namespace
