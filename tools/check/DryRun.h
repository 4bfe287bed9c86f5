// The dry run: Brantel's own run, made on a read-only operating system, and
// what it would print, log and start.
#pragma once

#include "platform/os.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brantel_check
{

enum class Outcome
{
    ApplicationRunning,
    ValidationFailed, // also when the descriptor failed too
    DescriptorFailed,
    AlreadyApplied,
    NotApplicable,
    WouldInstall,
    FolderUntrusted // the patch was needed, but its folder may be changed by others
};

// What the installed-updates record holds, told without its bytes: the run
// shows no more of it than Brantel itself could log.
struct RecordSummary
{
    bool namesPatch = false; // it holds the descriptor's PatchInfo
    std::uint64_t size = 0;  // in bytes
};

// "application-running", "validation-failed", ...
const char* OutcomeName(Outcome outcome);

// All texts in UTF-8. Console and log stop where Brantel would start the
// installer; the values found are empty where the run did not reach them.
struct DryRunResult
{
    Outcome outcome = Outcome::ApplicationRunning;
    std::vector<std::string> console; // lines, without their line feeds
    std::vector<std::string> log;     // entries, without the blank line after each
    std::optional<std::string> installer;

    std::optional<std::string> registryVersion;
    std::optional<std::string> productFolder;
    std::optional<std::string> fileVersion;
    std::optional<std::string> revision;
    std::optional<std::string> patchInfo;
    std::optional<std::string> patchFile;
    std::optional<std::string> patchVersion;
    std::optional<std::vector<std::string>> previousVersions;
    std::optional<RecordSummary> record;
    // Why Brantel would start no installer from the patch folder; empty when
    // it would (or the run did not get that far).
    std::optional<std::string> folderError;
};

class DryRunError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The Brantel program of a folder, named as the running program would name
// itself. Throws DryRunError when the folder holds none.
platform::XString BrantelProgramIn(platform::Os& os, const platform::XString& folder);

// Makes Brantel's run after start-up, for the program at moduleFileName, on a
// read-only view of os: everything is read as Brantel reads it, nothing is
// changed, started or waited for. Throws DryRunError when the run cannot be
// made.
DryRunResult DryRun(platform::Os& os, const platform::XString& moduleFileName);

} // namespace brantel_check
