// Starting a program by the file opened for it (POSIX): a script runs too,
// in its folder, with none of our environment.
#include "FakeOs.h"
#include "FileBytes.h"
#include "platform/process_start.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{

TEST(ProcessStart, AScriptRunsInItsFolderWithTheFixedEnvironment)
{
    testing_support::TempDir dir;
    const std::filesystem::path script = dir.Path() / "setup.sh";
    testing_support::Put(script, "#!/bin/sh\necho \"$PATH|$QUENVIA_CALLERS_OWN\" > ran.txt\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    setenv("QUENVIA_CALLERS_OWN", "1", 1);
    platform::ProcessHandle process = 0;
    const platform::Status status = platform::StartProgram(
        testing_support::Name(script), testing_support::Name(dir.Path()), process);
    unsetenv("QUENVIA_CALLERS_OWN");
    ASSERT_EQ(status, platform::kSuccess);
    platform::WaitForProgram(process);
    EXPECT_EQ(testing_support::Content(dir.Path() / "ran.txt"), "/usr/sbin:/usr/bin:/sbin:/bin|\n");
}

} // namespace
