// lumbrix-db: options databases written from JSON, shown as JSON, and checked.
//
//   lumbrix-db build IN.json OUT.db [--stream NAME]
//   lumbrix-db dump DB [--stream NAME]
//   lumbrix-db check DB [--stream NAME]
//   lumbrix-db --help | --version
//
// Exit codes: 0 done (check: nothing found), 1 a file could not be read or
// written (check: findings), 2 the command line or the JSON input is wrong.
#include "DatabaseCheck.h"
#include "DatabaseFile.h"
#include "DatabaseJson.h"

#include <CLI/CLI.hpp>
#include <lumbrix/version.h>
#include <platform/program.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using namespace lumbrix_db;

const int kDone = 0;
const int kFailed = 1;
const int kUsage = 2;

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void Complain(const std::string& text)
{
    std::fputs(("lumbrix-db: " + text + "\n").c_str(), stderr);
}

// The JSON text of IN.json, or of standard input for "-".
std::string ReadInput(const std::string& name)
{
    std::ostringstream text;
    if (name == "-")
    {
        text << std::cin.rdbuf();
        return text.str();
    }
    std::ifstream file(platform::FileSystemPath(platform::FromUtf8(name)), std::ios::binary);
    if (!file)
        throw InputError(name + ": cannot be read");
    text << file.rdbuf();
    if (file.bad())
        throw InputError(name + ": cannot be read");
    return text.str();
}

struct StreamOption
{
    CLI::Option* option = nullptr;
    std::string name;

    void Add(CLI::App* command, const std::string& what)
    {
        option = command->add_option("--stream", name, what);
    }
    bool Given() const { return option->count() > 0; }
    platform::XString Text() const { return platform::FromUtf8(name); }
};

bool StreamNameUsable(const StreamOption& stream)
{
    if (!stream.Given())
        return true;
    const std::string problem = StreamNameProblem(stream.Text());
    if (problem.empty())
        return true;
    Complain("--stream: " + problem);
    return false;
}

int Build(const std::string& input, const std::string& output, const StreamOption& stream)
{
    if (!StreamNameUsable(stream))
        return kUsage;
    Database database;
    try
    {
        database = ParseDatabaseJson(ReadInput(input));
    }
    catch (const InputError& e)
    {
        // A read failure already names the file.
        const std::string text = e.what();
        Complain(text.rfind(input + ":", 0) == 0 ? text : input + ": " + text);
        return kUsage;
    }
    const platform::XString streamName = stream.Text();
    try
    {
        WriteDatabaseFile(platform::FromUtf8(output), database,
                          stream.Given() ? &streamName : nullptr);
    }
    catch (const InputError& e)
    {
        Complain(output + ": " + e.what());
        return kUsage;
    }
    catch (const FileError& e)
    {
        Complain(e.what());
        return kFailed;
    }
    // Written as asked, but the library will refuse these; check says more.
    if (database.panels.size() > kLibraryPanelLimit)
        Complain("warning: " + output + " holds " + std::to_string(database.panels.size()) +
                 " panels; the library loads at most " + std::to_string(kLibraryPanelLimit));
    if (database.panels.empty() && !stream.Given())
        Complain("warning: " + output +
                 " holds no panels; the library refuses a plain file this short");
    return kDone;
}

int Dump(const std::string& path, const StreamOption& stream)
{
    if (!StreamNameUsable(stream))
        return kUsage;
    const platform::XString streamName = stream.Text();
    try
    {
        const Database database =
            ReadDatabaseFile(platform::FromUtf8(path), stream.Given() ? &streamName : nullptr);
        const std::string text = FormatDatabaseJson(database);
        // The same bytes as on every other platform: line feeds, not CR LF.
        platform::SetBinaryOutput();
        Print(text);
        return kDone;
    }
    catch (const FileError& e)
    {
        Complain(path + ": " + e.what());
        return kFailed;
    }
}

int Check(const std::string& path, const StreamOption& stream)
{
    if (!StreamNameUsable(stream))
        return kUsage;
    const platform::XString streamName = stream.Text();
    const platform::XString* pStream = stream.Given() ? &streamName : nullptr;
    const platform::XString database = platform::FromUtf8(path);

    std::vector<std::string> findings;
    std::vector<std::string> messages;
    if (!LoadWithLibrary(database, pStream, messages))
        findings.push_back("load: the library cannot load " + path);
    for (const std::string& message : messages)
        findings.push_back("library: " + message);

    std::size_t panels = 0;
    std::size_t options = 0;
    try
    {
        const Database content = ReadDatabaseFile(database, pStream);
        for (const std::string& finding : FindStructuralProblems(content))
            findings.push_back(finding);
        panels = content.panels.size();
        for (const PanelRecord& panel : content.panels)
            options += panel.options.size();
    }
    catch (const FileError& e)
    {
        findings.push_back(std::string("read: ") + e.what());
    }

    for (const std::string& finding : findings)
        Print(finding + "\n");
    if (findings.empty())
    {
        Print(path + ": no problems found (" + std::to_string(panels) + " panels, " +
              std::to_string(options) + " options)\n");
        return kDone;
    }
    Print(path + ": " + std::to_string(findings.size()) +
          (findings.size() == 1 ? " finding\n" : " findings\n"));
    return kFailed;
}

int Run(int argc, char** argv)
{
    CLI::App app("Builds, shows and checks Lumbrix options databases.", "lumbrix-db");
    app.require_subcommand(1);
    app.set_version_flag("--version", "lumbrix-db " LUMBRIX_VERSION, "Prints the version.");
    // Paths may begin with '/': they are never options, on Windows either.
    app.allow_windows_style_options(false);

    std::string input;
    std::string output;
    StreamOption buildStream;
    CLI::App* build = app.add_subcommand("build", "Writes a JSON description as a database.");
    build->add_option("IN.json", input, "The JSON description (- reads standard input).")
        ->required();
    build->add_option("OUT.db", output, "The database to write.")->required();
    buildStream.Add(build, "Writes a compound file holding the options as this stream.");

    std::string dumped;
    StreamOption dumpStream;
    CLI::App* dump = app.add_subcommand("dump", "Prints a database as JSON, in file order.");
    dump->add_option("DB", dumped, "The database to read.")->required();
    dumpStream.Add(dump, "The internal stream of a compound file.");

    std::string checked;
    StreamOption checkStream;
    CLI::App* check =
        app.add_subcommand("check", "Loads a database with the library and looks for faults.");
    check->add_option("DB", checked, "The database to check.")->required();
    checkStream.Add(check, "The internal stream of a compound file.");

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        return app.exit(e) == 0 ? kDone : kUsage;
    }

    if (build->parsed())
        return Build(input, output, buildStream);
    if (dump->parsed())
        return Dump(dumped, dumpStream);
    return Check(checked, checkStream);
}

} // namespace

int main(int argc, char* argv[])
{
    // Paths and names outside the ANSI code page arrive intact, in UTF-8.
    const platform::ProgramArguments arguments(argc, argv);
    return Run(argc, argv);
}
