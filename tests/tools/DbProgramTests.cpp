// lumbrix-db run as a program: the bytes it writes, its round trips between
// JSON and database files, what it refuses and leaves behind, and check.
#include "../options_manager/DatabaseBytes.h"
#include "CaseName.h"
#include "ToolRun.h"

#include <lumbrix/version.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace tool_tests;
namespace bytes = database_bytes;

namespace
{

const char kExampleJson[] = "{\n"
                            "  \"panels\": [\n"
                            "    {\n"
                            "      \"panel\": 7,\n"
                            "      \"options\": [\n"
                            "        {\"id\": 1, \"name\": \"abc\", \"title\": 100, \"data1\": 0, "
                            "\"data2\": 0, \"data3\": 0, \"next_panel\": 8, \"next_ids\": [2]}\n"
                            "      ]\n"
                            "    }\n"
                            "  ]\n"
                            "}\n";

std::string ExampleBytes()
{
    return bytes::Archive({{7, {bytes::Option(1, "abc", 100, 8, {2})}}});
}

// A name in the framework's Unicode string form, any length.
std::string NameBytes(const std::u16string& name)
{
    std::string out = "\xFF\xFE\xFF";
    const std::size_t length = name.size();
    if (length < 0xFF)
        out += bytes::Byte(static_cast<unsigned>(length));
    else if (length < 0xFFFE)
        out += "\xFF" + bytes::Byte(static_cast<unsigned>(length)) +
               bytes::Byte(static_cast<unsigned>(length >> 8));
    else
        out += "\xFF\xFF\xFF" + bytes::Word(static_cast<std::uint32_t>(length));
    for (const char16_t unit : name)
        out += bytes::Byte(unit) + bytes::Byte(static_cast<unsigned>(unit >> 8));
    return out;
}

// A schema-2 record with only an identifier and a name.
std::string RecordBytes(std::uint32_t id, const std::u16string& name)
{
    return bytes::Word(0x80000002) + bytes::Word(id) + NameBytes(name) + bytes::Word(0) +
           bytes::Word(0) + bytes::Word(0) + bytes::Word(0) + bytes::Word(0) + bytes::Word(0);
}

std::string JsonOption(std::uint32_t id, const std::string& jsonName)
{
    return "{\"id\": " + std::to_string(id) + ", \"name\": \"" + jsonName +
           "\", \"title\": 0, \"data1\": 0, \"data2\": 0, \"data3\": 0, \"next_panel\": 0, "
           "\"next_ids\": []}";
}

std::string JsonOnePanel(std::uint32_t panel, const std::vector<std::string>& options)
{
    std::string text = "{\n  \"panels\": [\n    {\n      \"panel\": " + std::to_string(panel) +
                       ",\n      \"options\": [";
    for (std::size_t i = 0; i < options.size(); ++i)
        text += (i == 0 ? "\n        " : ",\n        ") + options[i];
    return text + "\n      ]\n    }\n  ]\n}\n";
}

std::string Repeat(const std::string& piece, std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

class DbProgram : public ::testing::Test
{
protected:
    fs::path At(const std::wstring& name) const { return m_dir.Path() / name; }
    std::wstring Arg(const std::wstring& name) const { return At(name).wstring(); }

    testing_support::RunResult Db(const std::vector<std::wstring>& arguments,
                                  const std::optional<std::string>& input = std::nullopt) const
    {
        return RunTool(DbTool(), arguments, m_dir.Path(), input);
    }

    // build, then dump, of a JSON text.
    std::string BuildAndDump(const std::string& json, const std::vector<std::wstring>& stream,
                             std::string& built)
    {
        WriteBytes(At(L"in.json"), json);
        std::vector<std::wstring> build = {L"build", Arg(L"in.json"), Arg(L"out.db")};
        build.insert(build.end(), stream.begin(), stream.end());
        const testing_support::RunResult made = Db(build);
        EXPECT_EQ(made.exitCode, 0) << made.output;
        EXPECT_EQ(made.output, "");
        built = ReadBytes(At(L"out.db"));
        std::vector<std::wstring> dump = {L"dump", Arg(L"out.db")};
        dump.insert(dump.end(), stream.begin(), stream.end());
        const testing_support::RunResult dumped = Db(dump);
        EXPECT_EQ(dumped.exitCode, 0) << dumped.output;
        return dumped.output;
    }

    // dump, then build, of database bytes: the same bytes come back.
    void ExpectDumpBuildGivesTheSameBytes(const std::string& database,
                                          const std::vector<std::wstring>& stream)
    {
        WriteBytes(At(L"source.db"), database);
        std::vector<std::wstring> dump = {L"dump", Arg(L"source.db")};
        dump.insert(dump.end(), stream.begin(), stream.end());
        const testing_support::RunResult dumped = Db(dump);
        ASSERT_EQ(dumped.exitCode, 0) << dumped.output;
        WriteBytes(At(L"dumped.json"), dumped.output);
        std::vector<std::wstring> build = {L"build", Arg(L"dumped.json"), Arg(L"rebuilt.db")};
        build.insert(build.end(), stream.begin(), stream.end());
        const testing_support::RunResult made = Db(build);
        ASSERT_EQ(made.exitCode, 0) << made.output;
        EXPECT_EQ(ReadBytes(At(L"rebuilt.db")), database);
    }

    testing_support::TempDir m_dir;
};

TEST_F(DbProgram, BuildWritesTheDocumentedPlainAndCompoundBytes)
{
    std::string built;
    EXPECT_EQ(BuildAndDump(kExampleJson, {}, built), kExampleJson);
    EXPECT_EQ(built, ExampleBytes());
    EXPECT_EQ(built.size(), 58u);

    EXPECT_EQ(BuildAndDump(kExampleJson, {L"--stream", L"Options"}, built), kExampleJson);
    EXPECT_EQ(built, bytes::Compound("Options", ExampleBytes()));
    EXPECT_EQ(built.substr(4, 4), bytes::Word(264));
    // Nothing but the input and the output: the temporary file is gone.
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::wstring>{L"in.json", L"out.db"}));

    // The JSON leaves with line feeds only, on every platform.
    const testing_support::RunResult raw = testing_support::RunProgram(
        WideOf(DbTool()), {L"dump", Arg(L"out.db"), L"--stream", L"options"}, WideOf(m_dir.Path()));
    EXPECT_EQ(raw.output, kExampleJson);
}

struct NamesCase
{
    const char* what;
    std::string json;
    std::string archive;
};

// Test names say what a row is; its bytes say nothing.
void PrintTo(const NamesCase& row, std::ostream* out)
{
    *out << row.what;
}

class DbNames : public DbProgram, public ::testing::WithParamInterface<NamesCase>
{
};

TEST_P(DbNames, GoFromJsonToDatabaseAndBackUnchanged)
{
    for (const bool compound : {false, true})
    {
        SCOPED_TRACE(compound ? "compound" : "plain");
        const std::vector<std::wstring> stream =
            compound ? std::vector<std::wstring>{L"--stream", L"Wizard.dat"}
                     : std::vector<std::wstring>{};
        std::string built;
        EXPECT_EQ(BuildAndDump(GetParam().json, stream, built), GetParam().json);
        EXPECT_EQ(built, compound ? bytes::Compound("Wizard.dat", GetParam().archive)
                                  : GetParam().archive);
        ExpectDumpBuildGivesTheSameBytes(built, stream);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DbNames,
    ::testing::Values(
        NamesCase{"Example", kExampleJson, ExampleBytes()},
        NamesCase{"NonAscii",
                  JsonOnePanel(3, {JsonOption(1, "\xC3\x89t\xC3\xA9"),
                                   JsonOption(2, "\xE5\x90\x8D\xE5\x89\x8D"),
                                   JsonOption(3, "\xF0\x9F\x98\x80 smile"),
                                   JsonOption(4, "quote \\\" and \\\\")}),
                  bytes::Word(1) + bytes::Word(3) + bytes::Word(4) +
                      RecordBytes(1, u"\u00C9t\u00E9") + RecordBytes(2, u"\u540D\u524D") +
                      RecordBytes(3, u"\U0001F600 smile") + RecordBytes(4, u"quote \" and \\")},
        NamesCase{"LengthEscapes",
                  JsonOnePanel(1, {JsonOption(1, Repeat("a", 254)), JsonOption(2, Repeat("b", 255)),
                                   JsonOption(3, Repeat("\xC3\xA9", 300)),
                                   JsonOption(4, Repeat("c", 65534)),
                                   JsonOption(5, Repeat("\xE5\x90\x8D", 70000))}),
                  bytes::Word(1) + bytes::Word(1) + bytes::Word(5) +
                      RecordBytes(1, std::u16string(254, u'a')) +
                      RecordBytes(2, std::u16string(255, u'b')) +
                      RecordBytes(3, std::u16string(300, u'\u00E9')) +
                      RecordBytes(4, std::u16string(65534, u'c')) +
                      RecordBytes(5, std::u16string(70000, u'\u540D'))}),
    tool_tests::CaseName);

TEST_F(DbProgram, DumpShowsEveryRecordInFileOrderAndBuildGivesTheBytesBack)
{
    // Duplicate names and panel numbers, an empty panel, the largest numbers.
    bytes::Record big = bytes::Option(0xFFFFFFFF, "max", 0xFFFFFFFE, 0xFFFFFFFD, {0xFFFFFFFC, 0});
    big.data1 = 1;
    big.data2 = 0x80000000;
    big.data3 = 3;
    const std::string database =
        bytes::Archive({{5, {bytes::Option(2, "b"), bytes::Option(1, "a"), bytes::Option(3, "b")}},
                        {0, {}},
                        {5, {big}}});
    WriteBytes(At(L"source.db"), database);
    const testing_support::RunResult dumped = Db({L"dump", Arg(L"source.db")});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.output;
    EXPECT_EQ(dumped.output,
              "{\n  \"panels\": [\n"
              "    {\n      \"panel\": 5,\n      \"options\": [\n        " +
                  JsonOption(2, "b") + ",\n        " + JsonOption(1, "a") + ",\n        " +
                  JsonOption(3, "b") +
                  "\n      ]\n    },\n"
                  "    {\n      \"panel\": 0,\n      \"options\": []\n    },\n"
                  "    {\n      \"panel\": 5,\n      \"options\": [\n"
                  "        {\"id\": 4294967295, \"name\": \"max\", \"title\": 4294967294, "
                  "\"data1\": 1, \"data2\": 2147483648, \"data3\": 3, \"next_panel\": 4294967293, "
                  "\"next_ids\": [4294967292, 0]}\n"
                  "      ]\n    }\n  ]\n}\n");
    ExpectDumpBuildGivesTheSameBytes(database, {});
    ExpectDumpBuildGivesTheSameBytes(bytes::Compound("Opts", database), {L"--stream", L"Opts"});
}

TEST_F(DbProgram, DumpReadsWhatOtherWritersPutInAFile)
{
    // A one-byte name (Windows-1252 é), a schema-1 record without data3, and
    // bytes after the last panel.
    const std::string oneByte = bytes::Word(0x80000002) + bytes::Word(1) +
                                bytes::AnsiName("\xE9t\xE9") + bytes::Word(10) + bytes::Word(0) +
                                bytes::Word(0) + bytes::Word(0) + bytes::Word(0) + bytes::Word(0);
    const std::string schemaOne = bytes::Word(0x80000001) + bytes::Word(2) + NameBytes(u"old") +
                                  bytes::Word(20) + bytes::Word(0) + bytes::Word(0) +
                                  bytes::Word(0) + bytes::Word(1) + bytes::Word(9);
    WriteBytes(At(L"other.db"), bytes::Word(1) + bytes::Word(4) + bytes::Word(2) + oneByte +
                                    schemaOne + "trailing bytes");
    const testing_support::RunResult dumped = Db({L"dump", Arg(L"other.db")});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.output;
    EXPECT_NE(dumped.output.find("{\"id\": 1, \"name\": \"\xC3\xA9t\xC3\xA9\", \"title\": 10,"),
              std::string::npos)
        << dumped.output;
    EXPECT_NE(dumped.output.find("{\"id\": 2, \"name\": \"old\", \"title\": 20, \"data1\": 0, "
                                 "\"data2\": 0, \"data3\": 0, \"next_panel\": 0, \"next_ids\": "
                                 "[9]}"),
              std::string::npos)
        << dumped.output;
}

TEST_F(DbProgram, DumpFindsTheStreamAsTheLibraryDoes)
{
    // Case does not matter and the first entry of a name wins.
    const std::string first = bytes::Archive({{1, {bytes::Option(1, "first")}}});
    const std::string second = bytes::Archive({{2, {bytes::Option(1, "second")}}});
    const std::int32_t start = bytes::DirectorySize(3);
    const std::int32_t firstAt = start + static_cast<std::int32_t>(second.size());
    WriteBytes(
        At(L"many.db"),
        bytes::Directory({{start, "Other"}, {firstAt, "wizard.DAT"}, {start, "WIZARD.dat"}}) +
            second + first);
    const testing_support::RunResult dumped =
        Db({L"dump", Arg(L"many.db"), L"--stream", L"Wizard.dat"});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.output;
    EXPECT_NE(dumped.output.find("\"first\""), std::string::npos) << dumped.output;
    EXPECT_EQ(dumped.output.find("\"second\""), std::string::npos) << dumped.output;
}

struct DumpFailure
{
    const char* what;
    std::string database;
    std::vector<std::wstring> stream;
    std::string message; // after "lumbrix-db: <path>: "
};

void PrintTo(const DumpFailure& row, std::ostream* out)
{
    *out << row.what;
}

class DbDumpRefuses : public DbProgram, public ::testing::WithParamInterface<DumpFailure>
{
};

TEST_P(DbDumpRefuses, NamingThePlace)
{
    WriteBytes(At(L"bad.db"), GetParam().database);
    std::vector<std::wstring> arguments = {L"dump", Arg(L"bad.db")};
    arguments.insert(arguments.end(), GetParam().stream.begin(), GetParam().stream.end());
    const testing_support::RunResult result = Db(arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output,
              "lumbrix-db: " + platform::ToUtf8(platform::FromWide(Arg(L"bad.db").c_str())) + ": " +
                  GetParam().message + "\n");
}

const std::string kTwoOptions =
    bytes::Word(1) + bytes::Word(3) + bytes::Word(2) + bytes::RecordBytes(bytes::Option(1, "a"));

INSTANTIATE_TEST_SUITE_P(
    Cases, DbDumpRefuses,
    ::testing::Values(
        DumpFailure{"EndsInsideARecord",
                    kTwoOptions + bytes::Word(0x80000002) + bytes::Word(2),
                    {},
                    "panels[0].options[1]: the data ends before this item is complete"},
        DumpFailure{"EndsInsideAPanelHeader",
                    bytes::Word(2) + bytes::Word(1) + bytes::Word(0) + bytes::Word(2),
                    {},
                    "panels[1]: the data ends before this item is complete"},
        DumpFailure{
            "NegativePanelCount", bytes::Word(0xFFFFFFFE), {}, "the panel count is negative (-2)"},
        DumpFailure{"Empty", "", {}, "the panel count: the data ends before this item is complete"},
        DumpFailure{"NoSuchStream",
                    bytes::Compound("Options", kTwoOptions),
                    {L"--stream", L"Other"},
                    "the directory (1 entry) names no internal stream \"Other\""},
        DumpFailure{"DirectoryCutShort",
                    bytes::Word(2) + bytes::EntryBytes({264, "A"}),
                    {L"--stream", L"B"},
                    "the directory: the file ends inside entry 1"}),
    tool_tests::CaseName);

TEST_F(DbProgram, DumpOfAMissingFileSaysSo)
{
    const testing_support::RunResult result = Db({L"dump", Arg(L"missing.db")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("cannot open"), std::string::npos) << result.output;
}

struct BuildFailure
{
    const char* what;
    std::string json;
    std::vector<std::wstring> extra;
    std::string message; // after "lumbrix-db: "
};

void PrintTo(const BuildFailure& row, std::ostream* out)
{
    *out << row.what;
}

class DbBuildRefuses : public DbProgram, public ::testing::WithParamInterface<BuildFailure>
{
};

// Bad input changes nothing: no output file appears, an existing one keeps
// its bytes, and no temporary file is left beside it.
TEST_P(DbBuildRefuses, LeavingNothingBehind)
{
    WriteBytes(At(L"in.json"), GetParam().json);
    std::vector<std::wstring> arguments = {L"build", L"in.json", L"out.db"};
    arguments.insert(arguments.end(), GetParam().extra.begin(), GetParam().extra.end());

    const testing_support::RunResult fresh = Db(arguments);
    EXPECT_EQ(fresh.exitCode, 2);
    EXPECT_EQ(fresh.output, "lumbrix-db: " + GetParam().message + "\n");
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::wstring>{L"in.json"}));

    WriteBytes(At(L"out.db"), "previous content");
    EXPECT_EQ(Db(arguments).exitCode, 2);
    EXPECT_EQ(ReadBytes(At(L"out.db")), "previous content");
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::wstring>{L"in.json", L"out.db"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DbBuildRefuses,
    ::testing::Values(
        BuildFailure{"ValueOutOfRange",
                     R"({"panels":[{"panel":1,"options":[{"id":4294967296,"name":"a","title":0,)"
                     R"("data1":0,"data2":0,"data3":0,"next_panel":0,"next_ids":[]}]}]})",
                     {},
                     "in.json: panels[0].options[0].id: expected an unsigned 32-bit number, "
                     "found 4294967296"},
        BuildFailure{"NegativeValue",
                     R"({"panels":[{"panel":-1,"options":[]}]})",
                     {},
                     "in.json: panels[0].panel: expected an unsigned 32-bit number, found -1"},
        BuildFailure{"MissingField",
                     R"({"panels":[{"panel":1}]})",
                     {},
                     "in.json: panels[0].options: missing field"},
        BuildFailure{"SyntaxError",
                     "{\"panels\": [}",
                     {},
                     "in.json: parse error at line 1, column 13: syntax error while parsing "
                     "value - unexpected '}'; expected '[', '{', or a literal"},
        BuildFailure{"StreamNameOutsideAnsi",
                     kExampleJson,
                     {L"--stream", Wide("\xE5\x90\x8D")},
                     "--stream: the stream name \"\xE5\x90\x8D\" has characters outside the ANSI "
                     "code page, which the directory stores"},
        BuildFailure{"EmptyStreamName",
                     kExampleJson,
                     {L"--stream", L""},
                     "--stream: the stream name is empty"}),
    tool_tests::CaseName);

TEST_F(DbProgram, BuildOfAMissingInputIsAUsageError)
{
    const testing_support::RunResult result = Db({L"build", L"missing.json", L"out.db"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.output, "lumbrix-db: missing.json: cannot be read\n");
    EXPECT_TRUE(Listing(m_dir.Path()).empty());
}

TEST_F(DbProgram, BuildThatCannotWriteChangesNothing)
{
    WriteBytes(At(L"in.json"), kExampleJson);
    // A folder that does not exist, and a folder standing where the file goes.
    const testing_support::RunResult noFolder =
        Db({L"build", L"in.json", (At(L"absent") / L"out.db").wstring()});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.output.find("cannot create"), std::string::npos) << noFolder.output;

    fs::create_directory(At(L"taken.db"));
    const testing_support::RunResult taken = Db({L"build", L"in.json", L"taken.db"});
    EXPECT_EQ(taken.exitCode, 1);
    EXPECT_NE(taken.output.find("cannot replace"), std::string::npos) << taken.output;
    EXPECT_TRUE(fs::is_directory(At(L"taken.db")));
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::wstring>{L"in.json", L"taken.db"}));
}

TEST_F(DbProgram, BuildReplacesAnExistingDatabaseAndReadsStandardInput)
{
    WriteBytes(At(L"out.db"), "an older database that is longer than the new one will be........");
    const testing_support::RunResult made =
        Db({L"build", L"-", L"out.db", L"--stream", L"Options"}, std::string(kExampleJson));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(ReadBytes(At(L"out.db")), bytes::Compound("Options", ExampleBytes()));
}

#ifndef _WIN32
// A database kept behind a link, with a mode of its owner's choosing: the
// build replaces the link's target and keeps the link and the mode.
TEST_F(DbProgram, BuildKeepsTheLinkAndTheModeOfTheDatabaseItReplaces)
{
    WriteBytes(At(L"in.json"), kExampleJson);
    fs::create_directory(At(L"real"));
    WriteBytes(At(L"real") / L"out.db", "older");
    fs::permissions(At(L"real") / L"out.db",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(At(L"real") / L"out.db", At(L"out.db"));
    const testing_support::RunResult made = Db({L"build", L"in.json", L"out.db"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_TRUE(fs::is_symlink(At(L"out.db")));
    EXPECT_EQ(ReadBytes(At(L"real") / L"out.db"), ExampleBytes());
    EXPECT_EQ(fs::status(At(L"real") / L"out.db").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST_F(DbProgram, PathsOutsideTheAnsiCodePageWork)
{
    const fs::path folder = m_dir.Path() / PathOf("donn\xC3\xA9\x65s \xE5\x90\x8D");
    fs::create_directory(folder);
    const fs::path json = folder / PathOf("\xE5\x90\x8D.json");
    const fs::path database = folder / PathOf("\xE5\x90\x8D.db");
    WriteBytes(json, kExampleJson);
    const testing_support::RunResult made = Db({L"build", WideOf(json), WideOf(database)});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(ReadBytes(database), ExampleBytes());
    const testing_support::RunResult dumped = Db({L"dump", WideOf(database)});
    EXPECT_EQ(dumped.output, kExampleJson);
    const testing_support::RunResult checked = Db({L"check", WideOf(database)});
    // Panel 8 is missing, but the library loads the file.
    EXPECT_EQ(checked.exitCode, 1) << checked.output;
    EXPECT_EQ(checked.output.find("load:"), std::string::npos) << checked.output;
    EXPECT_NE(checked.output.find("next panel 8 names no panel"), std::string::npos)
        << checked.output;
}

TEST_F(DbProgram, ArgumentsBeginningWithASlashAreNoOptions)
{
    // "/name" is an option on some Windows command lines; not here, where
    // paths begin so on POSIX and stream names may too.
    WriteBytes(At(L"in.json"), kExampleJson);
    const testing_support::RunResult made =
        Db({L"build", L"in.json", L"out.db", L"--stream", L"/Slash"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_EQ(ReadBytes(At(L"out.db")), bytes::Compound("/Slash", ExampleBytes()));
    EXPECT_EQ(Db({L"dump", L"out.db", L"--stream", L"/slash"}).output, kExampleJson);
}

TEST_F(DbProgram, CommandLineMistakesAreUsageErrors)
{
    for (const std::vector<std::wstring>& arguments : {std::vector<std::wstring>{},
                                                       {L"build", L"in.json"},
                                                       {L"dump"},
                                                       {L"frobnicate"},
                                                       {L"check", L"a.db", L"--stream"},
                                                       {L"check", L"a.db", L"--bogus"}})
    {
        const testing_support::RunResult result = Db(arguments);
        EXPECT_EQ(result.exitCode, 2) << result.output;
    }
    const testing_support::RunResult help = Db({L"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("build"), std::string::npos);
    const testing_support::RunResult version = Db({L"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "lumbrix-db " LUMBRIX_VERSION "\n");
}

// The sample a wizard might use: everything leads somewhere.
const char kSoundJson[] =
    R"({"panels":[{"panel":1,"options":[)"
    R"({"id":1,"name":"Report","title":10,"data1":0,"data2":0,"data3":0,"next_panel":2,"next_ids":[1,2]},)"
    R"({"id":2,"name":"Chart","title":11,"data1":0,"data2":0,"data3":0,"next_panel":0,"next_ids":[]}]},)"
    R"({"panel":2,"options":[)"
    R"({"id":1,"name":"PDF","title":20,"data1":0,"data2":0,"data3":0,"next_panel":0,"next_ids":[]},)"
    R"({"id":2,"name":"Sheet","title":21,"data1":0,"data2":0,"data3":0,"next_panel":0,"next_ids":[]}]}]})";

TEST_F(DbProgram, CheckOfASoundDatabaseFindsNothing)
{
    WriteBytes(At(L"in.json"), kSoundJson);
    ASSERT_EQ(Db({L"build", L"in.json", L"plain.db"}).exitCode, 0);
    ASSERT_EQ(Db({L"build", L"in.json", L"compound.db", L"--stream", L"Wizard.dat"}).exitCode, 0);

    const testing_support::RunResult plain = Db({L"check", L"plain.db"});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(plain.output, "plain.db: no problems found (2 panels, 4 options)\n");
    const testing_support::RunResult compound =
        Db({L"check", L"compound.db", L"--stream", L"wizard.DAT"});
    EXPECT_EQ(compound.exitCode, 0);
    EXPECT_EQ(compound.output, "compound.db: no problems found (2 panels, 4 options)\n");
}

TEST_F(DbProgram, CheckReportsEveryKindOfFinding)
{
    // Names twice, a panel number twice, a missing panel, a next panel with
    // nothing offered, and an identifier that names nothing.
    const std::string database = bytes::Archive(
        {{1,
          {bytes::Option(1, "dup", 0, 2, {1, 9}), bytes::Option(2, "dup"),
           bytes::Option(3, "lost", 0, 77, {1}), bytes::Option(4, "empty", 0, 2, {})}},
         {2, {bytes::Option(1, "x")}},
         {1, {}}});
    WriteBytes(At(L"faults.db"), database);
    const testing_support::RunResult result = Db({L"check", L"faults.db"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output,
              "panels[2] (panel 1): the panel number is used by panels[0] already; the library "
              "never shows this panel\n"
              "panels[0] (panel 1): the name \"dup\" is given to options[0], options[1]; the "
              "library keeps only the last\n"
              "panels[0].options[0] (\"dup\", panel 1): next identifier 9 (next_ids[1]) names no "
              "option of panel 2\n"
              "panels[0].options[2] (\"lost\", panel 1): next panel 77 names no panel\n"
              "panels[0].options[3] (\"empty\", panel 1): next panel 2 comes with no next "
              "identifiers; the library offers no option there\n"
              "faults.db: 5 findings\n");
}

TEST_F(DbProgram, CheckPassesOnTheLibrarysOwnMessages)
{
    // More panels than the library holds: it refuses the file.
    std::string many = "{\"panels\":[";
    for (int i = 1; i <= 33; ++i)
        many +=
            std::string(i == 1 ? "" : ",") + "{\"panel\":" + std::to_string(i) + ",\"options\":[]}";
    WriteBytes(At(L"many.json"), many + "]}");
    const testing_support::RunResult built = Db({L"build", L"many.json", L"many.db"});
    EXPECT_EQ(built.exitCode, 0);
    EXPECT_EQ(built.output,
              "lumbrix-db: warning: many.db holds 33 panels; the library loads at most 32\n");
    const testing_support::RunResult many33 = Db({L"check", L"many.db"});
    EXPECT_EQ(many33.exitCode, 1);
    EXPECT_EQ(many33.output.rfind("load: the library cannot load many.db\n"
                                  "library: Unknown Wzd file read error\n"
                                  "library: ",
                                  0),
              0u)
        << many33.output;
    EXPECT_NE(many33.output.find("the database holds 33 panels; the library loads at most 32\n"),
              std::string::npos)
        << many33.output;

    // A file cut inside a record: the library's report and ours.
    WriteBytes(At(L"cut.db"), kTwoOptions);
    const testing_support::RunResult cut = Db({L"check", L"cut.db"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.output.find("library: Unknown Wzd file read error\n"), std::string::npos)
        << cut.output;
    EXPECT_NE(cut.output.find("read: panels[0].options[1]: the data ends before this item is "
                              "complete\n"),
              std::string::npos)
        << cut.output;

    // A missing file and a missing stream.
    const testing_support::RunResult missing = Db({L"check", Arg(L"missing.db")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("library: ERROR: Can't open OptionsDatabase file, [" +
                                  platform::ToUtf8(platform::FromWide(Arg(L"missing.db").c_str())) +
                                  "]\n"),
              std::string::npos)
        << missing.output;

    WriteBytes(At(L"compound.db"), bytes::Compound("Options", ExampleBytes()));
    const testing_support::RunResult stream = Db({L"check", L"compound.db", L"--stream", L"Other"});
    EXPECT_EQ(stream.exitCode, 1);
    EXPECT_NE(stream.output.find("library: Cannot locate internal stream Other in file "),
              std::string::npos)
        << stream.output;
    EXPECT_NE(stream.output.find("read: the directory (1 entry) names no internal stream"),
              std::string::npos)
        << stream.output;

    // A plain file with no panels is too short for the library.
    WriteBytes(At(L"empty.json"), "{\"panels\": []}");
    const testing_support::RunResult empty = Db({L"build", L"empty.json", L"empty.db"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_NE(empty.output.find("warning: empty.db holds no panels"), std::string::npos);
    const testing_support::RunResult emptyCheck = Db({L"check", L"empty.db"});
    EXPECT_EQ(emptyCheck.exitCode, 1);
    EXPECT_NE(emptyCheck.output.find("is truncated or damaged"), std::string::npos)
        << emptyCheck.output;
}

} // namespace
