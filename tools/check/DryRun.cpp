// The dry run: the entry function's run, on an Os that refuses every change,
// cut where Brantel would start the installer.
#include "DryRun.h"

#include "Brantel.h"
#include "CheckText.h"
#include "Paths.h"
#include "StatusLines.h"
#include "platform/module.h"
#include "platform/read_only_os.h"

#include <exception>

namespace brantel_check
{
namespace
{

using platform::ReadOnlyOs;
using platform::XString;
using platform::XStringView;

// The program's file name as the build names it (Brantel.exe, brantel).
const wchar_t* const kBrantelProgram = BRANTEL_PROGRAM_NAME;

std::optional<std::string> Found(const CString& text)
{
    if (text.IsEmpty())
        return std::nullopt;
    return Utf8(text);
}

std::string ExceptionText(CException* e)
{
    wchar_t text[1024] = {};
    e->GetErrorMessage(text, 1024);
    e->Delete();
    return Utf8(platform::FromWide(text));
}

} // namespace

const char* OutcomeName(Outcome outcome)
{
    switch (outcome)
    {
    case Outcome::ApplicationRunning:
        return "application-running";
    case Outcome::ValidationFailed:
        return "validation-failed";
    case Outcome::DescriptorFailed:
        return "descriptor-failed";
    case Outcome::AlreadyApplied:
        return "already-applied";
    case Outcome::NotApplicable:
        return "not-applicable";
    case Outcome::WouldInstall:
        return "would-install";
    case Outcome::FolderUntrusted:
        return "folder-untrusted";
    }
    return "";
}

XString BrantelProgramIn(platform::Os& os, const XString& folder)
{
    const CString strFolder(folder.empty() ? platform::Ascii(".") : folder);
    const CString strProgram = JoinPath(strFolder, kBrantelProgram);
    platform::FileInfo info;
    if (os.FileStatusByName(strProgram.Units(), info) != platform::kSuccess || info.directory)
        throw DryRunError(Utf8(strFolder) + " holds no " + Utf8(CString(kBrantelProgram)));
    return platform::ModuleFileNameOf(os.FullPath(strProgram.Units()));
}

DryRunResult DryRun(platform::Os& os, const XString& moduleFileName)
{
    ReadOnlyOs readOnly(os, moduleFileName);
    platform::ScopedOs scope(readOnly);
    CBrantelRun run;

    // The dry run ends where the installer would start: what was printed and
    // logged up to there is what the real run shows up to there.
    std::optional<XString> installer;
    CString strLogAtStart;
    std::size_t nEventsAtStart = 0;
    readOnly.SetStartObserver(
        [&](XStringView file, XStringView)
        {
            if (installer || run.GetPatch() == nullptr)
                return;
            installer = XString(file);
            strLogAtStart = run.GetPatch()->GetLogMessage();
            nEventsAtStart = readOnly.Events().size();
        });

    try
    {
        run.Execute();
    }
    catch (CException* e)
    {
        throw DryRunError("Brantel's run stopped: " + ExceptionText(e));
    }
    catch (const std::exception& e)
    {
        throw DryRunError(std::string("Brantel's run stopped: ") + e.what());
    }

    DryRunResult result;
    XString console;
    const std::vector<ReadOnlyOs::Event>& events = readOnly.Events();
    const std::size_t nEvents = installer ? nEventsAtStart : events.size();
    for (std::size_t i = 0; i < nEvents; ++i)
        if (events[i].kind == ReadOnlyOs::EventKind::ConsoleText)
            console += events[i].text;
    result.console = Split(Utf8(console), "\n");
    result.log = LogEntries(installer ? strLogAtStart : run.GetLoggedMessage());

    const CFilterProcess* pFilter = run.GetFilter();
    const CPatchExecute* pPatch = run.GetPatch();
    if (pFilter != nullptr && pFilter->IsApplicationOpen())
    {
        result.outcome = Outcome::ApplicationRunning;
        return result;
    }
    if (pPatch == nullptr)
        throw DryRunError("Brantel's run made no patch object");

    if (installer)
    {
        result.outcome = Outcome::WouldInstall;
        result.installer = Utf8(*installer);
    }
    else if (!pPatch->IsValidationPassed())
        result.outcome = Outcome::ValidationFailed;
    else if (!pPatch->IsDescriptorValid())
        result.outcome = Outcome::DescriptorFailed;
    else if (pPatch->IsPatchRequired() &&
             !os.CheckFolderTrust(pPatch->GetUpdateFolder().Units()).trusted)
        result.outcome = Outcome::FolderUntrusted;
    else if (pPatch->IsPatchRequired())
        throw DryRunError("Brantel's run needed the patch but started no installer");
    else
    {
        // The one status line that tells a patch that does not apply from
        // one found applied (both end the run the same way otherwise).
        const std::string strNotApplicable = Utf8(platform::FromWide(kStatusNotApplicable));
        bool bNotApplicable = false;
        for (const std::string& line : result.console)
            bNotApplicable = bNotApplicable || line == strNotApplicable;
        result.outcome = bNotApplicable ? Outcome::NotApplicable : Outcome::AlreadyApplied;
    }

    result.registryVersion = Found(pPatch->GetRegistryVersion());
    result.productFolder = Found(pPatch->GetInstallPath());
    result.fileVersion = Found(pPatch->GetInstalledVersion());
    result.revision = Found(pPatch->GetInstalledRevision());
    result.patchInfo = Found(pPatch->GetPatchInfo());
    result.patchFile = Found(pPatch->GetPatchFile());
    result.patchVersion = Found(pPatch->GetPatchVersion());
    const CStringArray& previous = pPatch->GetPreviousVersions();
    if (previous.GetSize() > 0)
    {
        result.previousVersions.emplace();
        for (INT_PTR i = 0; i < previous.GetSize(); ++i)
            result.previousVersions->push_back(Utf8(previous.GetAt(i)));
    }
    if (!pPatch->GetUpdateFolder().IsEmpty())
    {
        const platform::FolderTrust trust = os.CheckFolderTrust(pPatch->GetUpdateFolder().Units());
        if (!trust.trusted)
            result.folderError = FolderTrustError(trust);
    }
    // The record as Brantel read it (8-bit text up to the first zero byte):
    // whether it names the patch, and its size, never its bytes. It may be a
    // file the caller could not read themselves.
    if (pPatch->IsValidationPassed() && pPatch->IsDescriptorValid())
    {
        const ReadOnlyOs::FileReading* pRecord =
            readOnly.ReadingOf(pPatch->GetInstalledUpdatesPath().Units());
        if (pRecord != nullptr && !pRecord->failed)
        {
            const CString strRecord(pRecord->bytes.c_str());
            result.record.emplace();
            result.record->namesPatch =
                !pPatch->GetPatchInfo().IsEmpty() && strRecord.Find(pPatch->GetPatchInfo()) >= 0;
            result.record->size = pRecord->bytes.size();
        }
    }
    return result;
}

} // namespace brantel_check
