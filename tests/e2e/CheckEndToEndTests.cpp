// brantel-check's dry run held against the real program: in each state of a
// sandbox, the dry run first, which must leave every file as it was, then
// Brantel itself, whose console and log must be what the dry run foretold,
// up to the installer's start.
#include "Sandbox.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>

namespace e2e
{
namespace
{

using nlohmann::json;

fs::path CheckProgram()
{
    // The tests live in <build>/tests/e2e, the program in <build>/tools/check.
    const fs::path build =
        fs::path(testing_support::ExecutableFolder()).parent_path().parent_path();
#ifdef _WIN32
    return build / L"tools" / L"check" / L"brantel-check.exe";
#else
    return build / L"tools" / L"check" / L"brantel-check";
#endif
}

// Every file and folder under a folder, with the files' bytes.
std::map<fs::path, std::string> Contents(const fs::path& folder)
{
    std::map<fs::path, std::string> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        contents[entry.path()] = entry.is_directory() ? "<folder>" : Sandbox::Read(entry.path());
    return contents;
}

// brantel-check run --json for the sandbox's Brantel, started from another
// folder; nothing it leaves behind may differ by a byte.
json DryRun(const Sandbox& box)
{
    const std::map<fs::path, std::string> before = Contents(box.Root());
    std::map<std::string, std::string> environment;
#ifndef _WIN32
    environment["BRANTEL_REGISTRY"] = Sandbox::Utf8(box.Root() / L"registry.reg");
#endif
    const testing_support::RunResult result = testing_support::RunProgram(
        CheckProgram().wstring(), {L"run", L"--folder", box.PatchFolder().wstring(), L"--json"},
        box.Root().wstring(), environment);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(Contents(box.Root()) == before) << "the dry run changed a file";
    return json::parse(result.output);
}

// The dry run, then the real run, held together; returns the dry run.
json ExpectForetold(Sandbox& box)
{
    const json dry = DryRun(box);
    const testing_support::RunResult real = box.Run();
    EXPECT_EQ(real.exitCode, 0);

    std::string console;
    for (const json& line : dry["console"])
        console += line.get<std::string>() + "\n";
    std::string message;
    for (const json& entry : dry["log"])
        message += entry.get<std::string>() + "\n\n";
    if (dry["outcome"] == "application-running")
        message = dry["log"].at(0).get<std::string>() + "\n"; // the guard's message alone

    std::string body;
    EXPECT_TRUE(SplitLog(Sandbox::Read(box.Log()), body));
    if (dry["outcome"] == "would-install")
    {
        // Brantel goes on past the start: what it printed and logged before
        // that is the dry run's.
        const std::string footer = LogBody("");
        const std::string logged = LogBody(message);
        EXPECT_EQ(real.output.substr(0, ConsoleText(console).size()), ConsoleText(console));
        EXPECT_EQ(body.substr(0, logged.size() - footer.size()),
                  logged.substr(0, logged.size() - footer.size()));
        EXPECT_GT(real.output.size(), ConsoleText(console).size());
    }
    else
    {
        EXPECT_EQ(real.output, ConsoleText(console));
        EXPECT_EQ(body, LogBody(message));
    }
    return dry;
}

class CheckEndToEnd : public ::testing::Test
{
protected:
    void StandardInstallation() { box.StandardInstallation(); }

    Sandbox box;
};

TEST_F(CheckEndToEnd, ForetoldRunningProductStopsTheRun)
{
    StandardInstallation();
    const fs::path running = box.Root() / L"running";
    fs::create_directories(running);
    fs::copy_file(Sandbox::FakeInstaller(), running / L"Qvw.exe");
    json dry;
    {
        testing_support::BackgroundProgram application((running / L"Qvw.exe").wstring(),
                                                       {L"--sleep", L"60000"});
        dry = ExpectForetold(box);
    }
    EXPECT_EQ(dry["outcome"], "application-running");
    EXPECT_TRUE(dry["registry_version"].is_null());
}

TEST_F(CheckEndToEnd, ForetoldRefusalOfMachineAndDescriptor)
{
    box.WriteDescriptor("PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=SETUP.EXE\r\n"
                        "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.4\r\n");
    const json dry = ExpectForetold(box);
    EXPECT_EQ(dry["outcome"], "validation-failed");
    EXPECT_EQ(dry["log"].back(), "Patch updates read process: key values not found.Exit code 2.");
}

TEST_F(CheckEndToEnd, ForetoldLevelTwoFailure)
{
    ProductKeys keys;
    keys.displayIcon = std::wstring(300, L'x'); // too long for Brantel's buffer
    box.RegisterProduct(keys);
    box.WriteProduct(14, 0, 0, 4);
    box.WriteStandardDescriptor();
    const json dry = ExpectForetold(box);
    EXPECT_EQ(dry["outcome"], "validation-failed");
    EXPECT_EQ(dry["console"].back(),
              "Patch update status : Validation for level two check failed.(empty value found).");
    EXPECT_EQ(dry["registry_version"], "14.0");
}

TEST_F(CheckEndToEnd, ForetoldRefusalOfADescriptorWithoutItsInstaller)
{
    StandardInstallation();
    fs::remove(box.PatchFolder() / L"setup.exe");
    const json dry = ExpectForetold(box);
    EXPECT_EQ(dry["outcome"], "descriptor-failed");
    EXPECT_EQ(dry["previous_versions"], json::array({"14.0.0.3", "14.0.0.4"}));
    EXPECT_TRUE(dry["patch_info"].is_null());
}

TEST_F(CheckEndToEnd, ForetoldRecordedPatch)
{
    StandardInstallation();
    Sandbox::Write(box.Record(), "Quenvia 14.0 Patch 5");
    const json dry = ExpectForetold(box);
    EXPECT_EQ(dry["outcome"], "already-applied");
    EXPECT_EQ(dry["record"], json({{"names_patch", true}, {"size", 20}}));
    EXPECT_EQ(dry["file_version"], "14.0.0.4");
}

TEST_F(CheckEndToEnd, ForetoldVersionOutsideThePreviousVersions)
{
    StandardInstallation();
    box.WriteProduct(14, 0, 0, 2);
    const json dry = ExpectForetold(box);
    EXPECT_EQ(dry["outcome"], "not-applicable");
    EXPECT_EQ(dry["revision"], "2");
    EXPECT_TRUE(dry["record"].is_null());
}

TEST_F(CheckEndToEnd, ForetoldPatchUpToTheInstallersStart)
{
    StandardInstallation();
    const json dry = ExpectForetold(box);
    EXPECT_EQ(dry["outcome"], "would-install");
    EXPECT_EQ(fs::u8path(dry["installer"].get<std::string>()), box.PatchFolder() / L"setup.exe");
    EXPECT_EQ(dry["patch_version"], "14.0.0.5");
    EXPECT_EQ(Sandbox::Read(box.Record()), "Quenvia 14.0 Patch 5") << "the real run installed";
}

// Run by an administrator, brantel-check may read what its caller cannot: it
// tells whether the record names the patch, never what the record holds.
TEST_F(CheckEndToEnd, RecordLinkedToASecretIsNeverPrinted)
{
    StandardInstallation();
    const fs::path secret = box.Root() / L"secret.txt";
    Sandbox::Write(secret, "TOP-SECRET Quenvia 14.0 Patch 5 TOP-SECRET");
    std::error_code error;
    fs::create_symlink(secret, box.Record(), error);
    if (error)
        fs::create_hard_link(secret, box.Record(), error);
    ASSERT_FALSE(error) << error.message();
    std::map<std::string, std::string> environment;
#ifndef _WIN32
    environment["BRANTEL_REGISTRY"] = Sandbox::Utf8(box.Root() / L"registry.reg");
#endif
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"run", L"--folder", box.PatchFolder().wstring(), L"--json"},
          std::vector<std::wstring>{L"run", L"--folder", box.PatchFolder().wstring()}})
    {
        const testing_support::RunResult result = testing_support::RunProgram(
            CheckProgram().wstring(), arguments, box.Root().wstring(), environment);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(result.output.find("TOP-SECRET"), std::string::npos) << result.output;
    }
}

#ifndef _WIN32
// A folder whose name is not UTF-8 is that folder, not its look-alike with
// U+FFFD in place of the bytes (which anyone may make).
TEST(CheckEndToEndPaths, FolderWhoseNameIsNotUtf8IsReportedItself)
{
    Sandbox box(std::string("patch-\xFF"));
    box.StandardInstallation();
    const fs::path lookAlike = box.Root() / "patch-\xEF\xBF\xBD";
    fs::create_directories(lookAlike);
    fs::copy_file(box.PatchFolder() / "brantel", lookAlike / "brantel");
    Sandbox::Write(lookAlike / "brantel.dat", "PatchInfo=other\r\n");
    // The runner takes text: a shell hands on the name's bytes.
    const testing_support::RunResult result = testing_support::RunProgram(
        L"/bin/sh",
        {L"-c", L"exec \"$0\" run --folder \"$(printf 'patch-\\377')\" --json",
         CheckProgram().wstring()},
        box.Root().wstring(), {{"BRANTEL_REGISTRY", Sandbox::Utf8(box.Root() / L"registry.reg")}});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(json::parse(result.output)["outcome"], "would-install") << result.output;
}
#endif

TEST_F(CheckEndToEnd, ExitCodesOfTheProgram)
{
    box.WriteDescriptor(
        "PatchInfo=P\nPatchFile=SETUP.EXE\nPatchVersion=1.2\nPreviousVersions=1.1\n");
    const fs::path empty = box.Root() / L"empty";
    fs::create_directories(empty);
    struct Call
    {
        std::vector<std::wstring> arguments;
        int exitCode;
        std::string output; // the start of standard output
    };
    const Call calls[] = {
        {{}, 2, ""},
        {{L"run", L"--jsn"}, 2, ""},
        {{L"descriptor", L"a.dat", L"b.dat"}, 2, ""},
        {{L"run", L"--folder", empty.wstring()}, 1, ""},
        {{L"descriptor"}, 1, "brantel.dat:2: error: the installer is named \"SETUP.EXE\""},
        {{L"descriptor", (box.PatchFolder() / L"brantel.dat").wstring()}, 1, ""},
        {{L"--help"}, 0, "usage: brantel-check descriptor [FILE]\n"},
        {{L"--version"}, 0, "brantel-check " QUENVIA_VERSION "\n"},
    };
    for (const Call& call : calls)
    {
        const testing_support::RunResult result = testing_support::RunProgram(
            CheckProgram().wstring(), call.arguments, box.PatchFolder().wstring());
        EXPECT_EQ(result.exitCode, call.exitCode) << result.output;
        EXPECT_EQ(result.output.substr(0, call.output.size()), call.output);
    }
}

} // namespace
} // namespace e2e
