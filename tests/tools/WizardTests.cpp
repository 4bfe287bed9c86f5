// lumbrix-wizard run as a program: preselections taken with --auto, choices
// typed on standard input, what it prints, and the INI file it leaves.
#include "DatabaseFile.h"
#include "ToolRun.h"

#include <lumbrix/version.h>

#include "platform/profile.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace tool_tests;
using lumbrix_db::Database;
using lumbrix_db::OptionRecord;
using lumbrix_db::PanelRecord;

namespace
{

const char kScreen[] = "\xE7\x94\xBB\xE9\x9D\xA2"; // outside the ANSI code page

OptionRecord Option(std::uint32_t id, const std::string& name, std::uint32_t nextPanel = 0,
                    std::vector<std::uint32_t> nextIds = {})
{
    OptionRecord record;
    record.id = id;
    record.name = platform::FromUtf8(name);
    record.nextPanel = nextPanel;
    record.nextIds = std::move(nextIds);
    return record;
}

// Panel 1 leads to panel 2, which offers a part of its options depending on
// the choice, and on to panel 3. Names sort upper case first.
Database Sample()
{
    Database database;
    database.panels.push_back(
        {1, {Option(1, "Report", 2, {1, 2}), Option(2, "Chart", 2, {3}), Option(3, "export")}});
    database.panels.push_back(
        {2, {Option(1, "Monthly", 3, {2, 1}), Option(2, "Yearly", 3, {1}), Option(3, "Pie")}});
    database.panels.push_back({3, {Option(1, "PDF"), Option(2, kScreen)}});
    return database;
}

class Wizard : public ::testing::Test
{
protected:
    void Write(const Database& database, const std::string& name = "wizard.db",
               const platform::XString* stream = nullptr)
    {
        lumbrix_db::WriteDatabaseFile(platform::FromWide(WideOf(At(name)).c_str()), database,
                                      stream);
    }

    fs::path At(const std::string& name) const { return m_dir.Path() / PathOf(name); }

    testing_support::RunResult Walk(std::vector<std::wstring> arguments,
                                    const std::optional<std::string>& typed = std::nullopt,
                                    const std::wstring& database = L"wizard.db")
    {
        arguments.insert(arguments.begin(), database);
        return RunTool(WizardTool(), arguments, m_dir.Path(), typed);
    }

    // The last option stored for a panel, as the platform's INI reading gives it.
    static std::string Stored(const fs::path& ini, unsigned panel)
    {
        const platform::XString section =
            platform::Ascii(("Wzd Panel: " + std::to_string(panel)).c_str());
        const platform::XString key = platform::Ascii("Last Option:");
        const platform::XString none = platform::Ascii("<none>");
        return platform::ToUtf8(platform::GetPrivateProfileText(
            &section, &key, &none, 1024, platform::FromWide(WideOf(ini).c_str())));
    }

    static std::vector<std::string> Sections(const fs::path& ini)
    {
        const platform::XString list = platform::GetPrivateProfileText(
            nullptr, nullptr, nullptr, 4096, platform::FromWide(WideOf(ini).c_str()));
        std::vector<std::string> names;
        std::size_t begin = 0;
        while (begin < list.size() && list[begin] != 0)
        {
            const std::size_t end = list.find(platform::XCHAR(0), begin);
            names.push_back(platform::ToUtf8(list.substr(begin, end - begin)));
            begin = end + 1;
        }
        return names;
    }

    testing_support::TempDir m_dir;
};

TEST_F(Wizard, AutoTakesThePreselectionsAndOnlyOfferedOptions)
{
    Write(Sample());
    const testing_support::RunResult result = Walk({L"--auto"});
    EXPECT_EQ(result.exitCode, 0);
    // Nothing stored: the first name; on panel 2 only what Chart offers (Pie),
    // although Monthly is the panel's first name.
    EXPECT_EQ(result.output, "\n"
                             "Panel 1\n"
                             "  * 1) Chart  -> panel 2\n"
                             "    2) Report  -> panel 2\n"
                             "    3) export\n"
                             "Chosen: Chart\n"
                             "\n"
                             "Panel 2\n"
                             "  * 1) Pie\n"
                             "Chosen: Pie\n"
                             "\n"
                             "Choices:\n"
                             "  panel 1: Chart\n"
                             "  panel 2: Pie\n");
    const fs::path ini = At("wizard.ini");
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Wzd Panel: 1", "Wzd Panel: 2"}));
    EXPECT_EQ(Stored(ini, 1), "Chart");
    EXPECT_EQ(Stored(ini, 2), "Pie");
}

TEST_F(Wizard, TypedChoicesAreSavedAndPreselectedOnTheNextRun)
{
    Write(Sample());
    // Report, then Monthly (offered: Monthly, Yearly), then the second of
    // what Monthly offers (PDF and the non-ANSI name, in name order).
    const testing_support::RunResult typed = Walk({}, std::string("2\n1\n2\n"));
    EXPECT_EQ(typed.exitCode, 0);
    EXPECT_EQ(typed.output, "\n"
                            "Panel 1\n"
                            "  * 1) Chart  -> panel 2\n"
                            "    2) Report  -> panel 2\n"
                            "    3) export\n"
                            "Choice [Enter = *, 1-3, q = quit]: Chosen: Report\n"
                            "\n"
                            "Panel 2\n"
                            "  * 1) Monthly  -> panel 3\n"
                            "    2) Yearly  -> panel 3\n"
                            "Choice [Enter = *, 1-2, q = quit]: Chosen: Monthly\n"
                            "\n"
                            "Panel 3\n"
                            "  * 1) PDF\n"
                            "    2) " +
                                std::string(kScreen) +
                                "\n"
                                "Choice [Enter = *, 1-2, q = quit]: Chosen: " +
                                kScreen +
                                "\n"
                                "\n"
                                "Choices:\n"
                                "  panel 1: Report\n"
                                "  panel 2: Monthly\n"
                                "  panel 3: " +
                                kScreen + "\n");
    // The file began in the ANSI code page, which cannot hold the last name:
    // it became UTF-16 rather than store '?' or lose the choice.
    const fs::path ini = At("wizard.ini");
    EXPECT_EQ(Stored(ini, 1), "Report");
    EXPECT_EQ(Stored(ini, 2), "Monthly");
    EXPECT_EQ(Stored(ini, 3), kScreen);
    EXPECT_EQ(ReadBytes(ini).substr(0, 2), "\xFF\xFE");

    // The stored choices come back as preselections; Enter takes them.
    const testing_support::RunResult again = Walk({}, std::string("\n\r\n\n"));
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.output.find("  * 2) Report  -> panel 2\n"), std::string::npos) << again.output;
    EXPECT_NE(again.output.find("  * 1) Monthly  -> panel 3\n"), std::string::npos) << again.output;
    EXPECT_NE(again.output.find("Choices:\n  panel 1: Report\n  panel 2: Monthly\n  panel 3: " +
                                std::string(kScreen) + "\n"),
              std::string::npos)
        << again.output;
}

TEST_F(Wizard, NamesOutsideTheAnsiCodePageAreKeptInAUnicodeIniFile)
{
    Database database;
    database.panels.push_back({1, {Option(1, kScreen, 2, {1, 2}), Option(2, "Plain", 2, {1})}});
    database.panels.push_back({2, {Option(1, "\xC3\x89t\xC3\xA9"), Option(2, "Zoo")}});
    Write(database);
    // Name order puts "Plain" and "Zoo" first; the others are typed.
    const testing_support::RunResult result = Walk({}, std::string("2\n2\n"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.find("(The INI file"), std::string::npos) << result.output;
    EXPECT_EQ(Stored(At("wizard.ini"), 1), kScreen);
    EXPECT_EQ(Stored(At("wizard.ini"), 2), "\xC3\x89t\xC3\xA9");
    // UTF-16LE with its byte-order mark.
    EXPECT_EQ(ReadBytes(At("wizard.ini")).substr(0, 2), "\xFF\xFE");

    const testing_support::RunResult again = Walk({L"--auto"});
    EXPECT_NE(again.output.find("  * 2) " + std::string(kScreen) + "  -> panel 2\n"),
              std::string::npos)
        << again.output;
    EXPECT_NE(again.output.find("  * 2) \xC3\x89t\xC3\xA9\n"), std::string::npos) << again.output;
}

TEST_F(Wizard, AStoredChoiceThatIsNotOfferedIsNotTaken)
{
    Write(Sample());
    // A first run leaves Yearly as panel 2's choice; the next run comes to
    // panel 2 through Chart, which offers only Pie.
    ASSERT_EQ(Walk({}, std::string("2\n2\n1\n")).exitCode, 0);
    ASSERT_EQ(Stored(At("wizard.ini"), 2), "Yearly");
    const testing_support::RunResult result = Walk({}, std::string("1\n\n"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("Panel 2\n  * 1) Pie\nChoice [Enter = *, 1-1, q = quit]: "
                                 "Chosen: Pie\n"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(Stored(At("wizard.ini"), 2), "Pie");
}

TEST_F(Wizard, WrongAnswersAreAskedAgainAndQuitStops)
{
    Write(Sample());
    const testing_support::RunResult retried = Walk({}, std::string("x\n0\n4\n-1\n3\n"));
    EXPECT_EQ(retried.exitCode, 0);
    std::size_t asked = 0;
    for (std::size_t at = retried.output.find("Please type a number from 1 to 3.\n");
         at != std::string::npos;
         at = retried.output.find("Please type a number from 1 to 3.\n", at + 1))
        ++asked;
    EXPECT_EQ(asked, 4u) << retried.output;
    EXPECT_NE(retried.output.find("Chosen: export\n\nChoices:\n  panel 1: export\n"),
              std::string::npos)
        << retried.output;

    // q on the second panel: the first choice is kept, nothing more.
    fs::remove(At("wizard.ini"));
    const testing_support::RunResult quit = Walk({}, std::string("2\nq\n"));
    EXPECT_EQ(quit.exitCode, 0);
    EXPECT_NE(quit.output.find("Stopped.\n\nChoices:\n  panel 1: Report\n"), std::string::npos)
        << quit.output;
    EXPECT_EQ(Sections(At("wizard.ini")), (std::vector<std::string>{"Wzd Panel: 1"}));

    // The end of the input stops at once and writes nothing.
    fs::remove(At("wizard.ini"));
    const testing_support::RunResult ended = Walk({}, std::string());
    EXPECT_EQ(ended.exitCode, 0);
    EXPECT_NE(ended.output.find("Stopped.\n"), std::string::npos) << ended.output;
    EXPECT_FALSE(fs::exists(At("wizard.ini")));
}

TEST_F(Wizard, CompoundDatabaseAndAnIniFolderOfItsOwn)
{
    const platform::XString stream = platform::Ascii("Report.dat");
    Write(Sample(), "bundle.db", &stream);
    fs::create_directory(At("prefs"));

    const testing_support::RunResult result =
        Walk({L"--stream", L"REPORT.DAT", L"--ini-dir", L"prefs", L"--auto"}, std::nullopt,
             L"bundle.db");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("  panel 2: Pie\n"), std::string::npos) << result.output;
    // The INI file is named after the stream as given, in the folder given.
    EXPECT_EQ(Listing(At("prefs")), (std::vector<std::wstring>{L"REPORT.ini"}));
    EXPECT_EQ(Stored(At("prefs") / "REPORT.ini", 1), "Chart");

    // Beside the database when no folder is given; the database named by its
    // full path this time.
    ASSERT_EQ(Walk({L"--stream", L"Report.dat"}, std::string("2\n2\n1\n"), WideOf(At("bundle.db")))
                  .exitCode,
              0);
    EXPECT_EQ(Stored(At("Report.ini"), 2), "Yearly");
    EXPECT_EQ(Stored(At("Report.ini"), 3), "PDF");
}

TEST_F(Wizard, WalksEndWhereTheDatabaseEnds)
{
    Database database;
    database.panels.push_back({1, {Option(1, "loop", 2, {1}), Option(2, "nowhere", 9, {1})}});
    database.panels.push_back({2, {Option(1, "back", 1, {1})}});
    Write(database);

    // --auto would go round for ever: it stops at the first panel seen twice.
    const testing_support::RunResult looped = Walk({L"--auto"});
    EXPECT_EQ(looped.exitCode, 0);
    EXPECT_NE(looped.output.find("Chosen: back\nPanel 1 was shown already; stopping.\n"),
              std::string::npos)
        << looped.output;

    // A next panel that the database does not hold is said so.
    const testing_support::RunResult missing = Walk({}, std::string("2\n"));
    EXPECT_EQ(missing.exitCode, 0);
    EXPECT_NE(missing.output.find("Chosen: nowhere\nPanel 9 is not in the options database; "
                                  "stopping.\n"),
              std::string::npos)
        << missing.output;

    // --panel starts elsewhere, with all of that panel's options.
    const testing_support::RunResult second = Walk({L"--panel", L"2", L"--auto"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.output.rfind("\nPanel 2\n  * 1) back  -> panel 1\n", 0), 0u) << second.output;
}

TEST_F(Wizard, PanelsWithNothingToOfferAndUnreadableDatabases)
{
    Database database;
    database.panels.push_back({1, {Option(1, "dead end", 2)}});
    database.panels.push_back({2, {Option(1, "unreachable")}});
    Write(database);
    const testing_support::RunResult deadEnd = Walk({L"--auto"});
    EXPECT_EQ(deadEnd.exitCode, 0);
    EXPECT_NE(deadEnd.output.find("Chosen: dead end\nPanel 2 offers no options.\n"),
              std::string::npos)
        << deadEnd.output;

    const testing_support::RunResult nothing = Walk({L"--panel", L"5", L"--auto"});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(nothing.output, "Panel 5 offers no options.\n");

    const testing_support::RunResult missing = Walk({L"--auto"}, std::nullopt, L"missing.db");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("lumbrix-wizard: the options database could not be loaded.\n"),
              std::string::npos)
        << missing.output;

    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"--panel", L"x"}, {L"--bogus"}, {L"--stream"}})
        EXPECT_EQ(Walk(arguments).exitCode, 2);
    EXPECT_EQ(RunTool(WizardTool(), {}, m_dir.Path()).exitCode, 2);
    const testing_support::RunResult help = RunTool(WizardTool(), {L"--help"}, m_dir.Path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("usage: lumbrix-wizard DATABASE", 0), 0u) << help.output;
    const testing_support::RunResult version = RunTool(WizardTool(), {L"--version"}, m_dir.Path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "lumbrix-wizard " LUMBRIX_VERSION "\n");
}

TEST_F(Wizard, DatabasePathsOutsideTheAnsiCodePageWork)
{
    Write(Sample(), "\xE5\x90\x8D\xE5\x89\x8D.db");
    const testing_support::RunResult result =
        Walk({L"--auto"}, std::nullopt, WideOf(At("\xE5\x90\x8D\xE5\x89\x8D.db")));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(Stored(At("\xE5\x90\x8D\xE5\x89\x8D.ini"), 2), "Pie");
}

} // namespace
