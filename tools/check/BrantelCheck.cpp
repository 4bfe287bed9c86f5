// brantel-check: what a patch will do, known before it runs.
//
//   brantel-check descriptor [FILE]          FILE defaults to brantel.dat
//   brantel-check run [--folder DIR] [--json] DIR defaults to the current folder
//   brantel-check --help | --version
//
// Exit codes: descriptor: 0 no errors, 1 errors; run: 0 whatever the outcome,
// 1 when the dry run could not be made; both: 2 for usage errors.
#include "DescriptorCheck.h"
#include "DryRun.h"

#include "platform/module.h"
#include "platform/program.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

using namespace brantel_check;

const int kDone = 0;
const int kFailed = 1;
const int kUsage = 2;

const char* const kUsageText =
    "usage: brantel-check descriptor [FILE]\n"
    "       brantel-check run [--folder DIR] [--json]\n"
    "\n"
    "descriptor  reads a patch descriptor (default: brantel.dat) as Brantel reads it and\n"
    "            reports what Brantel would refuse (errors) and what is risky (warnings)\n"
    "run         makes Brantel's run for the Brantel in DIR (default: the current folder)\n"
    "            without changing anything, and tells its outcome, console and log\n";

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void Complain(const std::string& text)
{
    std::fputs(("brantel-check: " + text + "\n").c_str(), stderr);
}

int Usage(const std::string& problem)
{
    Complain(problem);
    std::fputs(kUsageText, stderr);
    return kUsage;
}

std::string Plural(std::size_t count, const char* word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

int CheckDescriptorFile(const std::string& file)
{
    const DescriptorReport report =
        CheckDescriptor(platform::CurrentOs(), platform::DecodeFileName(file));
    std::size_t errors = 0;
    std::size_t warnings = 0;
    for (const Finding& finding : report.findings)
    {
        const bool bError = finding.severity == Finding::Severity::Error;
        (bError ? errors : warnings) += 1;
        const std::string place =
            file + (finding.line > 0 ? ":" + std::to_string(finding.line) : std::string()) + ": ";
        Print(place + (bError ? "error: " : "warning: ") + finding.message + "\n");
        for (const std::string& entry : finding.log)
            Print(place + "note: Brantel logs \"" + entry + "\"\n");
    }
    if (report.accepted)
    {
        std::string previous;
        for (const std::string& version : report.previousVersions)
            previous += (previous.empty() ? "" : ", ") + version;
        Print(file + ": PatchInfo \"" + report.patchInfo + "\", PatchFile \"" + report.patchFile +
              "\", PatchVersion \"" + report.patchVersion + "\", PreviousVersions " + previous +
              "\n");
    }
    Print(file + ": " + Plural(errors, "error") + ", " + Plural(warnings, "warning") + "\n");
    return errors > 0 ? kFailed : kDone;
}

nlohmann::ordered_json Value(const std::optional<std::string>& text)
{
    return text ? nlohmann::ordered_json(*text) : nlohmann::ordered_json(nullptr);
}

std::string Json(const DryRunResult& result)
{
    nlohmann::ordered_json json;
    json["outcome"] = OutcomeName(result.outcome);
    json["console"] = result.console;
    json["log"] = result.log;
    json["installer"] = Value(result.installer);
    json["registry_version"] = Value(result.registryVersion);
    json["product_folder"] = Value(result.productFolder);
    json["file_version"] = Value(result.fileVersion);
    json["revision"] = Value(result.revision);
    json["patch_info"] = Value(result.patchInfo);
    json["patch_file"] = Value(result.patchFile);
    json["patch_version"] = Value(result.patchVersion);
    json["previous_versions"] = result.previousVersions
                                    ? nlohmann::ordered_json(*result.previousVersions)
                                    : nlohmann::ordered_json(nullptr);
    if (result.record)
        json["record"] = {{"names_patch", result.record->namesPatch},
                          {"size", result.record->size}};
    else
        json["record"] = nullptr;
    json["folder_error"] = Value(result.folderError);
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string Sentence(const DryRunResult& result)
{
    switch (result.outcome)
    {
    case Outcome::ApplicationRunning:
        return "Quenvia or Excel is running: Brantel would stop at once and install nothing.";
    case Outcome::ValidationFailed:
        return "The installation fails validation: Brantel would install nothing.";
    case Outcome::DescriptorFailed:
        return "Brantel would refuse the descriptor and install nothing.";
    case Outcome::AlreadyApplied:
        return "The patch is applied already: Brantel would install nothing.";
    case Outcome::NotApplicable:
        return "The patch does not apply to the installed version: Brantel would install "
               "nothing.";
    case Outcome::WouldInstall:
        return "Brantel would start the installer " + *result.installer + ".";
    case Outcome::FolderUntrusted:
        return "Brantel would start no installer: other accounts may change its folder.";
    }
    return std::string();
}

std::string Text(const DryRunResult& result)
{
    const std::string upTo = result.installer ? " (up to the installer's start)" : "";
    std::string text =
        std::string("Outcome: ") + OutcomeName(result.outcome) + "\n  " + Sentence(result) + "\n";
    if (result.folderError)
        text += "  error: " + *result.folderError + "\n";
    text += "\nConsole" + upTo + ":\n";
    for (const std::string& line : result.console)
        text += "  " + line + "\n";
    text += "\nLog entries" + upTo + ":\n";
    for (const std::string& entry : result.log)
        text += "  " + entry + "\n";

    auto found = [&text](const char* name, const std::optional<std::string>& value)
    { text += std::string("  ") + name + (value ? *value : "(not found)") + "\n"; };
    std::optional<std::string> previous;
    if (result.previousVersions)
    {
        previous.emplace();
        for (const std::string& version : *result.previousVersions)
            *previous += (previous->empty() ? "" : ", ") + version;
    }
    text += "\nFound:\n";
    found("Registry version:  ", result.registryVersion);
    found("Product folder:    ", result.productFolder);
    found("File version:      ", result.fileVersion);
    found("Revision:          ", result.revision);
    found("PatchInfo:         ", result.patchInfo);
    found("PatchFile:         ", result.patchFile);
    found("PatchVersion:      ", result.patchVersion);
    found("PreviousVersions:  ", previous);
    std::optional<std::string> record;
    if (result.record)
        record =
            std::string(result.record->namesPatch ? "names the patch" : "does not name the patch") +
            " (" + Plural(result.record->size, "byte") + ")";
    found("Record:            ", record);
    return text;
}

int DryRunFolder(const std::string& folder, bool bJson)
{
    try
    {
        platform::Os& os = platform::CurrentOs();
        const DryRunResult result =
            DryRun(os, BrantelProgramIn(os, platform::DecodeFileName(folder)));
        Print(bJson ? Json(result) : Text(result));
        return kDone;
    }
    catch (const DryRunError& e)
    {
        Complain(e.what());
        return kFailed;
    }
}

int Run(const std::vector<std::string>& arguments)
{
    // The same bytes as on every other platform: UTF-8 and line feeds.
    platform::SetBinaryOutput();
    if (arguments.empty())
        return Usage("a command is required");
    const std::string& command = arguments[0];
    if (command == "--help" || command == "-h")
    {
        Print(kUsageText);
        return kDone;
    }
    if (command == "--version")
    {
        Print("brantel-check " QUENVIA_VERSION "\n");
        return kDone;
    }
    if (command == "descriptor")
    {
        if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].rfind("-", 0) == 0))
            return Usage("descriptor takes one file at most");
        return CheckDescriptorFile(arguments.size() == 2 ? arguments[1] : "brantel.dat");
    }
    if (command == "run")
    {
        std::string folder = ".";
        bool bJson = false;
        for (std::size_t i = 1; i < arguments.size(); ++i)
        {
            if (arguments[i] == "--json")
                bJson = true;
            else if (arguments[i] == "--folder" && i + 1 < arguments.size())
                folder = arguments[++i];
            else
                return Usage("run does not take " + arguments[i]);
        }
        return DryRunFolder(folder, bJson);
    }
    return Usage("unknown command " + command);
}

} // namespace

int main(int argc, char* argv[])
{
    // Run by administrators on patch folders: no DLL planted beside it or in
    // the current folder is ever loaded.
    platform::RestrictLibrarySearch();
    const platform::ProgramArguments utf8Arguments(argc, argv);
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
