// lumbrix-db from the inside: the JSON form read strictly and written in its
// canonical layout, stream names a directory can hold, and the structural
// findings of `check`.
#include "DatabaseCheck.h"
#include "DatabaseFile.h"
#include "DatabaseJson.h"

#include "CaseName.h"
#include "FakeOs.h"
#include "FileFaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

using namespace lumbrix_db;

namespace
{

platform::XString U(const std::string& utf8)
{
    return platform::FromUtf8(utf8);
}

OptionRecord Option(std::uint32_t id, const std::string& name, std::uint32_t nextPanel = 0,
                    std::vector<std::uint32_t> nextIds = {})
{
    OptionRecord record;
    record.id = id;
    record.name = U(name);
    record.nextPanel = nextPanel;
    record.nextIds = std::move(nextIds);
    return record;
}

PanelRecord Panel(std::uint32_t number, std::vector<OptionRecord> options)
{
    PanelRecord panel;
    panel.number = number;
    panel.options = std::move(options);
    return panel;
}

const char kExample[] =
    R"({"panels":[{"panel":7,"options":[{"id":1,"name":"abc","title":100,"data1":0,)"
    R"("data2":0,"data3":0,"next_panel":8,"next_ids":[2]}]}]})";

const char kExampleCanonical[] = "{\n"
                                 "  \"panels\": [\n"
                                 "    {\n"
                                 "      \"panel\": 7,\n"
                                 "      \"options\": [\n"
                                 "        {\"id\": 1, \"name\": \"abc\", \"title\": 100, "
                                 "\"data1\": 0, \"data2\": 0, \"data3\": 0, \"next_panel\": 8, "
                                 "\"next_ids\": [2]}\n"
                                 "      ]\n"
                                 "    }\n"
                                 "  ]\n"
                                 "}\n";

// An option of the example with one field's text replaced.
std::string ExampleWith(const std::string& field, const std::string& value)
{
    std::string text = kExample;
    const std::size_t at = text.find("\"" + field + "\":");
    const std::size_t begin = at + field.size() + 3;
    std::size_t end = begin;
    int depth = 0;
    while (depth > 0 || (text[end] != ',' && text[end] != '}'))
    {
        depth += text[end] == '[' ? 1 : text[end] == ']' ? -1 : 0;
        ++end;
    }
    return text.replace(begin, end - begin, value);
}

TEST(DbJson, ReadsTheDocumentedExample)
{
    const Database database = ParseDatabaseJson(kExample);
    ASSERT_EQ(database.panels.size(), 1u);
    EXPECT_EQ(database.panels[0].number, 7u);
    ASSERT_EQ(database.panels[0].options.size(), 1u);
    const OptionRecord& record = database.panels[0].options[0];
    EXPECT_EQ(record.id, 1u);
    EXPECT_EQ(record.name, U("abc"));
    EXPECT_EQ(record.title, 100u);
    EXPECT_EQ(record.nextPanel, 8u);
    EXPECT_EQ(record.nextIds, (std::vector<std::uint32_t>{2}));
}

TEST(DbJson, ReadsEveryFieldIntoItsOwnPlace)
{
    const Database database = ParseDatabaseJson(
        R"({"panels":[{"panel":4294967295,"options":[{"next_ids":[3,1,2],"data3":6,"data2":5,)"
        R"("data1":4,"title":3,"name":"x","id":2,"next_panel":9}]}]})");
    const OptionRecord& r = database.panels.at(0).options.at(0);
    EXPECT_EQ(database.panels[0].number, 0xFFFFFFFFu);
    EXPECT_EQ(r.id, 2u);
    EXPECT_EQ(r.title, 3u);
    EXPECT_EQ(r.data1, 4u);
    EXPECT_EQ(r.data2, 5u);
    EXPECT_EQ(r.data3, 6u);
    EXPECT_EQ(r.nextPanel, 9u);
    EXPECT_EQ(r.nextIds, (std::vector<std::uint32_t>{3, 1, 2}));
}

struct BadJson
{
    const char* what;
    std::string text;
    std::string message;
};

// Test names say what a row is; its bytes say nothing.
void PrintTo(const BadJson& row, std::ostream* out)
{
    *out << row.what;
}

class DbJsonRefuses : public ::testing::TestWithParam<BadJson>
{
};

TEST_P(DbJsonRefuses, NamingThePlace)
{
    try
    {
        ParseDatabaseJson(GetParam().text);
        ADD_FAILURE() << "accepted";
    }
    catch (const InputError& e)
    {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

const char kUnsigned[] = "expected an unsigned 32-bit number, found ";

INSTANTIATE_TEST_SUITE_P(
    Cases, DbJsonRefuses,
    ::testing::Values(
        BadJson{"NotAnObject", "[]",
                "document: expected an object with the field \"panels\", "
                "found an array"},
        BadJson{"NoPanels", "{}", "panels: missing field"},
        BadJson{"PanelsNotAnArray", R"({"panels":{}})",
                "panels: expected an array, found an object"},
        BadJson{"PanelNotAnObject", R"({"panels":[7]})", "panels[0]: expected an object, found 7"},
        BadJson{"PanelNumberMissing", R"({"panels":[{"options":[]}]})",
                "panels[0].panel: missing field"},
        BadJson{"OptionsMissing", R"({"panels":[{"panel":1}]})",
                "panels[0].options: missing field"},
        BadJson{"NegativeId", ExampleWith("id", "-1"),
                std::string("panels[0].options[0].id: ") + kUnsigned + "-1"},
        BadJson{"IdTooLarge", ExampleWith("id", "4294967296"),
                std::string("panels[0].options[0].id: ") + kUnsigned + "4294967296"},
        BadJson{"IdWithFraction", ExampleWith("id", "1.5"),
                std::string("panels[0].options[0].id: ") + kUnsigned + "1.5"},
        BadJson{"IdAsText", ExampleWith("id", "\"1\""),
                std::string("panels[0].options[0].id: ") + kUnsigned + "\"1\""},
        BadJson{"TitleNull", ExampleWith("title", "null"),
                std::string("panels[0].options[0].title: ") + kUnsigned + "null"},
        BadJson{"Data3Boolean", ExampleWith("data3", "true"),
                std::string("panels[0].options[0].data3: ") + kUnsigned + "true"},
        BadJson{"NextPanelNegative", ExampleWith("next_panel", "-8"),
                std::string("panels[0].options[0].next_panel: ") + kUnsigned + "-8"},
        BadJson{"NameNotText", ExampleWith("name", "12"),
                "panels[0].options[0].name: expected a string, found 12"},
        BadJson{"NextIdsNotAnArray", ExampleWith("next_ids", "2"),
                "panels[0].options[0].next_ids: expected an array, found 2"},
        BadJson{"NextIdOutOfRange", ExampleWith("next_ids", "[2, 5000000000]"),
                std::string("panels[0].options[0].next_ids[1]: ") + kUnsigned + "5000000000"},
        BadJson{"FieldMissing",
                R"({"panels":[{"panel":1,"options":[{"id":1,"name":"a","title":0,"data1":0,)"
                R"("data2":0,"next_panel":0,"next_ids":[]}]}]})",
                "panels[0].options[0].data3: missing field"},
        BadJson{"UnknownField", ExampleWith("title", "1, \"titel\": 1"),
                "panels[0].options[0].titel: unknown field"},
        BadJson{"UnknownTopField", R"({"panels":[],"version":2})", "version: unknown field"},
        BadJson{"RepeatedField", ExampleWith("id", "1, \"id\": 2"),
                "panels[0].options[0].id: field given twice"},
        BadJson{"RepeatedFieldInALaterElement",
                R"({"panels":[{"panel":1,"options":[]},{"panel":2,"panel":3,"options":[]}]})",
                "panels[1].panel: field given twice"},
        BadJson{"SecondOptionIsWrong",
                R"({"panels":[{"panel":1,"options":[{"id":1,"name":"a","title":0,"data1":0,)"
                R"("data2":0,"data3":0,"next_panel":0,"next_ids":[]},{"id":-2}]}]})",
                std::string("panels[0].options[1].id: ") + kUnsigned + "-2"}),
    tool_tests::CaseName);

// Syntax errors carry the parser's own words; what matters is that they name
// the line and column, or the byte, where the text went wrong.
TEST(DbJson, SyntaxErrorsNameWhereTheTextWentWrong)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "parse error at line 1, column 1: "},
        {"{\"panels\": [\n  {\"panel\": 1,}\n]}", "parse error at line 2, column 15: "},
        {"{\"panels\": [\n  1,\n  ]\n}", "parse error at line 3, column 3: "},
        {"{\"panels\":[{\"name\":\"\xC3\x28\"}]}", "parse error at line 1, column 22: "},
        {"{\"panels\":[]} trailing", "parse error at line 1, column 17: "}};
    for (const auto& entry : cases)
    {
        try
        {
            ParseDatabaseJson(entry.first);
            ADD_FAILURE() << "accepted: " << entry.first;
        }
        catch (const InputError& e)
        {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(entry.second, 0), 0u) << message;
            EXPECT_EQ(message.find("json.exception"), std::string::npos) << message;
        }
    }
}

TEST(DbJson, WritesTheCanonicalLayout)
{
    EXPECT_EQ(FormatDatabaseJson(ParseDatabaseJson(kExample)), kExampleCanonical);
    EXPECT_EQ(FormatDatabaseJson(Database()), "{\n  \"panels\": []\n}\n");

    Database database;
    database.panels.push_back(Panel(1, {}));
    database.panels.push_back(Panel(2, {Option(5, "x"), Option(6, "y", 1, {5, 6})}));
    EXPECT_EQ(FormatDatabaseJson(database),
              "{\n"
              "  \"panels\": [\n"
              "    {\n"
              "      \"panel\": 1,\n"
              "      \"options\": []\n"
              "    },\n"
              "    {\n"
              "      \"panel\": 2,\n"
              "      \"options\": [\n"
              "        {\"id\": 5, \"name\": \"x\", \"title\": 0, \"data1\": 0, \"data2\": 0, "
              "\"data3\": 0, \"next_panel\": 0, \"next_ids\": []},\n"
              "        {\"id\": 6, \"name\": \"y\", \"title\": 0, \"data1\": 0, \"data2\": 0, "
              "\"data3\": 0, \"next_panel\": 1, \"next_ids\": [5, 6]}\n"
              "      ]\n"
              "    }\n"
              "  ]\n"
              "}\n");
}

TEST(DbJson, NamesAreEscapedOnlyWhereJsonNeedsIt)
{
    Database database;
    database.panels.push_back(
        Panel(1, {Option(1, "Qu\"ote\\ tab\t \xC3\xA9t\xC3\xA9 \xE5\x90\x8D \xF0\x9F\x98\x80")}));
    const std::string text = FormatDatabaseJson(database);
    EXPECT_NE(text.find(R"("name": "Qu\"ote\\ tab\t )"
                        "\xC3\xA9t\xC3\xA9 \xE5\x90\x8D \xF0\x9F\x98\x80\""),
              std::string::npos)
        << text;
}

TEST(DbJson, EveryNameComesBackUnitForUnit)
{
    Database database;
    PanelRecord panel = Panel(3, {});
    const std::vector<platform::XString> names = {platform::XString(),
                                                  platform::XString(254, u'a'),
                                                  platform::XString(255, u'b'),
                                                  platform::XString(70000, u'\x00E9'),
                                                  platform::XString{u'a', u'\0', u'b'},
                                                  U("\xF0\x9F\x98\x80 surrogate pair"),
                                                  U("\x7F control \x01 and DEL")};
    std::uint32_t id = 0;
    for (const platform::XString& name : names)
    {
        OptionRecord record = Option(++id, "");
        record.name = name;
        record.title = 0xFFFFFFFFu;
        record.data1 = 1;
        record.data2 = 2;
        record.data3 = 3;
        panel.options.push_back(record);
    }
    // A name given twice stays twice, in its place.
    panel.options.push_back(Option(99, "a"));
    panel.options.push_back(Option(98, "a"));
    database.panels.push_back(panel);
    database.panels.push_back(Panel(3, {}));

    const std::string text = FormatDatabaseJson(database);
    const Database back = ParseDatabaseJson(text);
    EXPECT_TRUE(back == database);
    EXPECT_EQ(FormatDatabaseJson(back), text);
}

TEST(DbJson, AnUnpairedSurrogateIsRefusedWithItsPlace)
{
    Database database;
    database.panels.push_back(Panel(1, {Option(1, "fine")}));
    database.panels.push_back(Panel(2, {Option(1, "fine"), Option(2, "")}));
    database.panels[1].options[1].name = platform::XString{u'x', char16_t(0xD800), u'y'};
    try
    {
        FormatDatabaseJson(database);
        ADD_FAILURE() << "written";
    }
    catch (const FileError& e)
    {
        EXPECT_EQ(std::string(e.what()).rfind("panels[1].options[1].name: ", 0), 0u) << e.what();
    }
}

struct StreamNameCase
{
    const char* what;
    platform::XString name;
    std::string problemStart; // empty: the name is usable
};

void PrintTo(const StreamNameCase& row, std::ostream* out)
{
    *out << row.what;
}

class DbStreamName : public ::testing::TestWithParam<StreamNameCase>
{
};

TEST_P(DbStreamName, IsJudgedByItsAnsiForm)
{
    const std::string problem = StreamNameProblem(GetParam().name);
    if (GetParam().problemStart.empty())
        EXPECT_EQ(problem, "");
    else
        EXPECT_EQ(problem.rfind(GetParam().problemStart, 0), 0u) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DbStreamName,
    ::testing::Values(
        StreamNameCase{"Plain", U("Options"), ""},
        StreamNameCase{"AnsiLetters", U("\xC3\x89t\xC3\xA9 \xE2\x82\xAC"), ""},
        StreamNameCase{"LongestThatFits", platform::XString(255, u'n'), ""},
        StreamNameCase{"Empty", platform::XString(), "the stream name is empty"},
        StreamNameCase{"TooLong", platform::XString(256, u'n'),
                       "the stream name is 256 bytes long"},
        StreamNameCase{"OutsideAnsi", U("\xE5\x90\x8D"), "the stream name \"\xE5\x90\x8D\" has"},
        StreamNameCase{"NulInside", platform::XString{u'a', u'\0'}, "the stream name holds a NUL"}),
    tool_tests::CaseName);

struct StructureCase
{
    const char* what;
    Database database;
    std::vector<std::string> findings;
};

void PrintTo(const StructureCase& row, std::ostream* out)
{
    *out << row.what;
}

class DbStructure : public ::testing::TestWithParam<StructureCase>
{
};

TEST_P(DbStructure, FindsWhatAWizardWouldTripOver)
{
    EXPECT_EQ(FindStructuralProblems(GetParam().database), GetParam().findings);
}

Database Panels(std::vector<PanelRecord> panels)
{
    Database database;
    database.panels = std::move(panels);
    return database;
}

Database ManyPanels(std::uint32_t count)
{
    Database database;
    for (std::uint32_t i = 1; i <= count; ++i)
        database.panels.push_back(Panel(i, {Option(1, "only")}));
    return database;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DbStructure,
    ::testing::Values(
        StructureCase{"SoundChain",
                      Panels({Panel(1, {Option(1, "a", 2, {1, 2}), Option(2, "b", 0)}),
                              Panel(2, {Option(1, "c", 0), Option(2, "d", 0)})}),
                      {}},
        StructureCase{"Empty", Database(), {}},
        StructureCase{"ThirtyTwoPanelsFit", ManyPanels(32), {}},
        StructureCase{"ThirtyThreePanels",
                      ManyPanels(33),
                      {"the database holds 33 panels; the library loads at most 32"}},
        StructureCase{"RepeatedName",
                      Panels({Panel(4, {Option(1, "a"), Option(2, "b"), Option(3, "a"),
                                        Option(4, "b"), Option(5, "a")})}),
                      {"panels[0] (panel 4): the name \"a\" is given to options[0], options[2], "
                       "options[4]; the library keeps only the last",
                       "panels[0] (panel 4): the name \"b\" is given to options[1], options[3]; "
                       "the library keeps only the last"}},
        StructureCase{"NamesDifferingInCaseAreDistinct",
                      Panels({Panel(4, {Option(1, "a"), Option(2, "A")})}),
                      {}},
        StructureCase{"RepeatedPanelNumber",
                      Panels({Panel(4, {}), Panel(5, {}), Panel(4, {})}),
                      {"panels[2] (panel 4): the panel number is used by panels[0] already; the "
                       "library never shows this panel"}},
        StructureCase{"NextPanelMissing",
                      Panels({Panel(1, {Option(1, "go", 9, {1})})}),
                      {"panels[0].options[0] (\"go\", panel 1): next panel 9 names no panel"}},
        StructureCase{"NextPanelWithoutIdentifiers",
                      Panels({Panel(1, {Option(1, "go", 2)}), Panel(2, {Option(1, "x")})}),
                      {"panels[0].options[0] (\"go\", panel 1): next panel 2 comes with no next "
                       "identifiers; the library offers no option there"}},
        StructureCase{"NextIdentifierMissing",
                      Panels({Panel(1, {Option(1, "a"), Option(2, "go", 2, {1, 7, 2, 8})}),
                              Panel(2, {Option(1, "x"), Option(2, "y")})}),
                      {"panels[0].options[1] (\"go\", panel 1): next identifier 7 (next_ids[1]) "
                       "names no option of panel 2",
                       "panels[0].options[1] (\"go\", panel 1): next identifier 8 (next_ids[3]) "
                       "names no option of panel 2"}},
        StructureCase{"IdentifierOfAReplacedOptionIsGone",
                      Panels({Panel(1, {Option(1, "go", 2, {5, 6})}),
                              Panel(2, {Option(5, "same"), Option(6, "same")})}),
                      {"panels[0].options[0] (\"go\", panel 1): next identifier 5 (next_ids[0]) "
                       "names no option of panel 2",
                       "panels[1] (panel 2): the name \"same\" is given to options[0], "
                       "options[1]; the library keeps only the last"}},
        StructureCase{"IdentifiersAreLookedUpInTheFirstPanelOfTheNumber",
                      Panels({Panel(1, {Option(1, "go", 2, {3})}), Panel(2, {Option(1, "x")}),
                              Panel(2, {Option(3, "y")})}),
                      {"panels[2] (panel 2): the panel number is used by panels[1] already; the "
                       "library never shows this panel",
                       "panels[0].options[0] (\"go\", panel 1): next identifier 3 (next_ids[0]) "
                       "names no option of panel 2"}},
        StructureCase{
            "NextPanelZeroEndsTheWizard", Panels({Panel(1, {Option(1, "done", 0, {42})})}), {}}),
    tool_tests::CaseName);

// A build that fails at any file-changing call leaves the database it was to
// replace as it was, and reports the failure; one that completes leaves the
// new database and reports none.
TEST(DbFile, EveryFailedFileCallLeavesTheOldDatabaseOrTheNewOne)
{
    testing_support::TempDir dir;
    const std::filesystem::path file = dir.Path() / "wizard.db";
    const platform::XString path = platform::FromWide(file.wstring().c_str());
    Database before;
    before.panels = {Panel(1, {Option(1, "old")})};
    Database after;
    after.panels = {Panel(1, {Option(1, "new"), Option(2, "newer")})};
    const auto bytes = [&file]
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    WriteDatabaseFile(path, after, nullptr);
    const std::string newBytes = bytes();
    WriteDatabaseFile(path, before, nullptr);
    const std::string oldBytes = bytes();

    for (int n = 1;; ++n)
    {
        WriteDatabaseFile(path, before, nullptr);
        testing_support::Fault fault;
        fault.at = n;
        fault.status = n % 2 != 0 ? platform::kErrorDiskFull : platform::kErrorIoDevice;
        bool reported = false;
        {
            testing_support::ScopedFault scope(fault);
            try
            {
                WriteDatabaseFile(path, after, nullptr);
            }
            catch (const FileError&)
            {
                reported = true;
            }
        }
        const std::string now = bytes();
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "call " << n;
        EXPECT_TRUE(reported || now == newBytes) << "call " << n;
        if (fault.seen < n)
        {
            EXPECT_FALSE(reported);
            break;
        }
        EXPECT_TRUE(reported) << "call " << n;
    }
}

} // namespace
