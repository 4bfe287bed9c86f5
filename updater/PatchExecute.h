// CPatchExecute: the one working object of a patch run.
//
// The descriptor's file read and version list and the two version checks
// keep the framework's BOOL of their published signatures; the flags, the
// accessors and every other helper are bool.
#pragma once

#include <afxcoll.h>
#include <afxwin.h>

class CPatchExecute : public CCmdTarget
{
public:
    CPatchExecute();
    // An object that makes none of the steps of a run: for reading a
    // descriptor by itself (brantel-check).
    struct WithoutSteps
    {
    };
    explicit CPatchExecute(WithoutSteps);
    ~CPatchExecute() override;

    // Entry and run sequence
    void Run();
    void AppendLogMessage(const CString& strEntry);
    CString GetLogMessage() const { return m_strLogMessage; }
    void SetRegistryVersion(const CString& strVersion);
    bool IsReadyToPatch() const { return m_bReadyToPatch; }

    CString GetRegistryVersion() const { return m_strRegistryVersion; }
    CString GetDisplayIcon() const { return m_strDisplayIcon; }
    CString GetUpdateFolder() const { return m_strUpdateFolder; }
    CString GetPatchInfo() const { return m_strPatchInfo; }
    CString GetPatchFile() const { return m_strPatchFile; }
    CString GetPatchVersion() const { return m_strPatchVersion; }
    CString GetVersionAfterPatch() const { return m_strVersionAfterPatch; }
    CString GetInstallPath() const { return m_strInstallPath; }
    CString GetInstalledVersion() const { return m_strInstalledVersion; }
    CString GetInstalledRevision() const { return m_strInstalledRevision; }
    CString GetPatchRevision() const { return m_strPatchRevision; }

    // Patch descriptor
    void ReadPatchDescriptor();
    // The descriptor at strPath, with its installer looked for in strFolder.
    void ReadPatchDescriptor(const CString& strFolder, const CString& strPath);
    void ParsePatchDescriptor(const CString& strContent);
    CString ReadFileContent(const CString& strPath, BOOL bLocal);
    BOOL LoadPreviousVersions(const CString& strList);
    void SplitPreviousVersions(const CString& strList);

    // Installation validation
    void ValidateInstallation();
    void CheckRegistryBitMode();
    void ReadRegistryVersion();
    void ReadInstallPath();
    void ReadDisplayIcon();

    // Version strings and comparison
    void ReadInstalledVersion();
    void ReadVersionAfterPatch();
    void SetPatchVersion(const CString& strVersion);
    BOOL IsPatchVersionInstalled() const;
    BOOL IsPreviousVersionInstalled() const;

    // Installed-updates record
    void CheckInstalledUpdates();
    bool WriteInstalledUpdates();
    // Where installedupdates.dat lives: the folder of the DisplayIcon file.
    CString GetInstalledUpdatesPath() const;

    // Patch execution
    void ExecutePatch();

    // For tests and the run sequence: the verdicts of construction.
    bool IsValidationPassed() const { return m_bValidationPassed; }
    bool IsDescriptorValid() const { return m_bDescriptorValid; }
    bool IsPatchRequired() const { return m_bPatchRequired; }
    bool IsWow6432Node() const { return m_bWow6432Node; }
    const CStringArray& GetPreviousVersions() const { return m_arrPreviousVersions; }

private:
    // The file version of the product executable in the install folder, as
    // four numbers joined by "."; false when it has none.
    bool ReadProductFileVersion(CString& strVersion, CString& strRevision) const;

    CString m_strLogMessage;
    CString m_strRegistryVersion;
    CString m_strDisplayIcon;
    CString m_strUpdateFolder;
    CString m_strPatchInfo;
    CString m_strPatchFile;
    CString m_strPatchVersion;
    CString m_strVersionAfterPatch;
    CString m_strInstallPath;
    CString m_strInstalledVersion;
    CString m_strInstalledRevision;
    CString m_strPatchRevision;
    CStringArray m_arrPreviousVersions;
    bool m_bWow6432Node;
    bool m_bDescriptorValid;
    bool m_bValidationPassed;
    bool m_bReadyToPatch;
    bool m_bPatchRequired;
};

// The text after the first separator in the entry, trimmed; empty when the
// separator does not occur.
CString GetKeyValue(const CString& strEntry, const CString& strSeparator);
// A copy with every CR LF, then every LF, then every CR removed.
CString RemoveLineBreaks(const CString& strText);
// A Win32 status code in decimal ("%ld").
CString FormatErrorCode(LONG lStatus);
// The revision number of a version text, read as _wtoi reads it.
int RevisionNumber(const CString& strRevision);
// Whether installedupdates.dat already names this patch.
bool IsUpdateRecorded(const CString& strRecord, const CString& strPatchInfo, int nInstalledRevision,
                      int nPatchRevision);
