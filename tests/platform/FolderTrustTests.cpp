// Whether a folder may hold a program run with administrator rights, on the
// real file system.
#include "platform/folder_trust.h"

#include "FakeOs.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::W;
using testing_support::X;

std::wstring Reason(const platform::FolderTrust& trust)
{
    return trust.trusted ? L"trusted" : W(trust.reason);
}

TEST(FolderTrust, FolderOnlyAdministratorsMayChangeIsTrusted)
{
    const TempDir dir;
    fs::create_directories(dir.Path() / L"patch");
    const platform::FolderTrust trust =
        platform::CheckFolderTrust(X((dir.Path() / L"patch").wstring()));
    EXPECT_TRUE(trust.trusted) << W(trust.folder) << " " << W(trust.reason);
}

TEST(FolderTrust, RelativePathIsNeverTrusted)
{
    for (const wchar_t* path : {L"patch", L".", L""})
        EXPECT_EQ(Reason(platform::CheckFolderTrust(X(path))), L"is not an absolute path") << path;
}

#ifndef _WIN32
// Each row changes one folder of root/above/patch and names the folder at
// fault and the reason.
TEST(FolderTrust, EachFolderOnThePathCounts)
{
    const struct
    {
        const char* name;
        const wchar_t* changed; // "above" or "patch"
        mode_t mode;
        bool otherOwner;
        bool link;
        const wchar_t* reason; // "trusted" when it passes
    } rows[] = {
        {"patchWritableByOthers", L"patch", 0757, false, false,
         L"may be changed by other accounts"},
        {"patchWritableByGroup", L"patch", 0775, false, false, L"may be changed by other accounts"},
        {"patchStickyStillNotTrusted", L"patch", 01777, false, false,
         L"may be changed by other accounts"},
        {"aboveWritableByOthers", L"above", 0777, false, false,
         L"may be changed by other accounts"},
        {"aboveStickyOwnedByUs", L"above", 01777, false, false, L"trusted"},
        {"patchOwnedByAnother", L"patch", 0755, true, false, L"is owned by another account"},
        {"aboveOwnedByAnother", L"above", 0755, true, false, L"is owned by another account"},
        {"aboveIsALink", L"above", 0755, false, true, L"is a symbolic link"},
    };
    for (const auto& row : rows)
    {
        const TempDir dir;
        const fs::path real = dir.Path() / L"real";
        fs::create_directories(real / L"patch");
        fs::path above = dir.Path() / L"above";
        if (row.link)
            fs::create_directory_symlink(real, above);
        else
            fs::create_directories(above / L"patch");
        const fs::path changed = std::wstring(row.changed) == L"above" ? above : above / L"patch";
        if (!row.link)
        {
            ASSERT_EQ(chmod(changed.c_str(), row.mode), 0) << row.name;
        }
        if (row.otherOwner && (geteuid() != 0 || chown(changed.c_str(), 65534, 65534) != 0))
            continue; // only root can give a folder away
        const platform::FolderTrust trust =
            platform::CheckFolderTrust(X((above / L"patch").wstring()));
        EXPECT_EQ(Reason(trust), row.reason) << row.name;
        if (!trust.trusted)
        {
            EXPECT_EQ(W(trust.folder), changed.wstring()) << row.name;
        }
    }
}
#endif

} // namespace
