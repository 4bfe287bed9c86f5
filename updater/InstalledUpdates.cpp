// The installed-updates record: whether the patch is needed, and the record
// of the patch once applied.
#include "PatchExecute.h"

#include "Paths.h"
#include "RunConsole.h"
#include "StatusLines.h"
#include "TextFiles.h"
#include "platform/os.h"

namespace
{

const wchar_t* const kRecordName = L"installedupdates.dat";
const wchar_t* const kProductName = L"Quenvia";
const wchar_t* const kAlreadyApplied = L"This patch update has been already applied.";
const wchar_t* const kNotApplicable =
    L"This patch is not applicable or not required for the installed quenvia application.";

} // namespace

bool IsUpdateRecorded(const CString& strRecord, const CString& strPatchInfo, int nInstalledRevision,
                      int nPatchRevision)
{
    const CString strProduct(kProductName);
    const int nFirst = strRecord.Find(strProduct);
    const bool bAtMostOnce =
        nFirst < 0 || strRecord.Find(strProduct, nFirst + strProduct.GetLength()) < 0;
    if (bAtMostOnce && strRecord.Find(strPatchInfo) >= 0)
        return true;
    return nInstalledRevision >= nPatchRevision;
}

CString CPatchExecute::GetInstalledUpdatesPath() const
{
    return JoinPath(FolderOf(m_strDisplayIcon), kRecordName);
}

void CPatchExecute::CheckInstalledUpdates()
{
    ReadInstalledVersion();
    if (IsPatchVersionInstalled())
    {
        AppendLogMessage(L"Update details not found: Exit code 3.");
        AppendLogMessage(kAlreadyApplied);
        m_bPatchRequired = false;
        Print(CString(kStatusAlreadyApplied) + L"\n");
        return;
    }
    if (!IsPreviousVersionInstalled())
    {
        AppendLogMessage(kNotApplicable);
        m_bPatchRequired = false;
        Print(CString(kStatusNotApplicable) + L"\n");
        return;
    }

    int nInstalledRevision = 0;
    int nPatchRevision = 0;
    if (!m_strInstalledRevision.IsEmpty())
    {
        nInstalledRevision = RevisionNumber(m_strInstalledRevision);
        nPatchRevision = RevisionNumber(m_strPatchRevision);
    }

    const CString strRecordPath = GetInstalledUpdatesPath();
    if (platform::CurrentOs().PathExists(strRecordPath.Units()))
    {
        AppendLogMessage(L"Installer update file exists in local.");
        const CString strRecord = ReadFileContent(strRecordPath, TRUE);
        if (IsUpdateRecorded(strRecord, m_strPatchInfo, nInstalledRevision, nPatchRevision))
        {
            AppendLogMessage(L"Update details not found.Exit code 1.");
            AppendLogMessage(kStatusAlreadyApplied);
            m_bPatchRequired = false;
            Print(CString(kStatusAlreadyApplied) + L"\n");
        }
        else
        {
            AppendLogMessage(L"Update details found: Exit code 1.");
            m_bPatchRequired = true;
        }
        return;
    }
    if (nInstalledRevision >= nPatchRevision)
    {
        AppendLogMessage(L"Update details not found: Exit code 2.");
        AppendLogMessage(kStatusAlreadyApplied);
        m_bPatchRequired = false;
        Print(CString(kStatusAlreadyApplied) + L"\n");
    }
    else
    {
        AppendLogMessage(L"Update details found: Exit code 2.");
        m_bPatchRequired = true;
    }
}

bool CPatchExecute::WriteInstalledUpdates()
{
    // The patch's identity replaces the record whole or not at all: the
    // previous record survives a full disk or a crash half-way, and success is
    // reported only once the new one is on disk.
    const CString strRecordPath = GetInstalledUpdatesPath();
    CFileException error;
    if (WriteTextFile(strRecordPath, m_strPatchInfo, error))
        return true;
    wchar_t szError[1024];
    error.GetErrorMessage(szError, 1024);
    AppendLogMessage(CString(L"Installedupdates failed.") + szError);
    return false;
}
