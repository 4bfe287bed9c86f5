// Version texts: where each comes from, its form, and how versions compare.
#include "PatchExecute.h"

#include "Paths.h"
#include "platform/os.h"

#include <climits>

namespace
{

const wchar_t* const kProductExecutable = L"Qvw.exe";
const wchar_t* const kProductExecutableLower = L"qvw.exe";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

} // namespace

int RevisionNumber(const CString& strRevision)
{
    // As _wtoi reads it: leading blanks, an optional sign, decimal digits up
    // to the first other character; 0 without digits; clamped on overflow.
    int i = 0;
    const int nLength = strRevision.GetLength();
    while (i < nLength && IsBlank(strRevision[i]))
        ++i;
    bool bNegative = false;
    if (i < nLength && (strRevision[i] == L'+' || strRevision[i] == L'-'))
        bNegative = strRevision[i++] == L'-';
    long long nValue = 0;
    for (; i < nLength && IsDigit(strRevision[i]); ++i)
    {
        nValue = nValue * 10 + (strRevision[i] - L'0');
        if (nValue > static_cast<long long>(INT_MAX) + 1)
            nValue = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        return static_cast<int>(-nValue < INT_MIN ? INT_MIN : -nValue);
    return static_cast<int>(nValue > INT_MAX ? INT_MAX : nValue);
}

BOOL CPatchExecute::ReadProductFileVersion(CString& strVersion, CString& strRevision) const
{
    platform::Os& os = platform::CurrentOs();
    CString strPath = JoinPath(m_strInstallPath, kProductExecutable);
    if (!os.PathExists(strPath.Units()))
    {
        strPath = JoinPath(m_strInstallPath, kProductExecutableLower);
        if (!os.PathExists(strPath.Units()))
            return FALSE;
    }
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    // An executable without a readable version resource counts as not found.
    if (!os.ReadFileVersion(strPath.Units(), dwFileVersionMS, dwFileVersionLS))
        return FALSE;
    const int nMajor = static_cast<int>(dwFileVersionMS >> 16);
    const int nMinor = static_cast<int>(dwFileVersionMS & 0xFFFF);
    const int nBuild = static_cast<int>(dwFileVersionLS >> 16);
    const int nRevision = static_cast<int>(dwFileVersionLS & 0xFFFF);
    strVersion.Format(L"%d.%d.%d.%d", nMajor, nMinor, nBuild, nRevision);
    strRevision.Format(L"%d", nRevision);
    return TRUE;
}

void CPatchExecute::ReadInstalledVersion()
{
    CString strVersion;
    CString strRevision;
    if (!ReadProductFileVersion(strVersion, strRevision))
        return;
    m_strInstalledRevision = strRevision;
    m_strInstalledVersion = strVersion;
}

void CPatchExecute::ReadVersionAfterPatch()
{
    CString strVersion;
    CString strRevision;
    if (ReadProductFileVersion(strVersion, strRevision) && !strVersion.IsEmpty())
        m_strVersionAfterPatch = strVersion;
}

void CPatchExecute::SetPatchVersion(const CString& strVersion)
{
    m_strPatchVersion = strVersion;
    if (strVersion.IsEmpty())
        return;
    const int nDot = strVersion.ReverseFind(L'.');
    if (nDot < 0)
        return;
    m_strPatchRevision = strVersion.Mid(nDot + 1);
}

BOOL CPatchExecute::IsPatchVersionInstalled() const
{
    return m_strInstalledVersion.Compare(m_strPatchVersion) == 0;
}

BOOL CPatchExecute::IsPreviousVersionInstalled() const
{
    for (INT_PTR i = 0; i < m_arrPreviousVersions.GetSize(); ++i)
        if (m_arrPreviousVersions.GetAt(i).Compare(m_strInstalledVersion) == 0)
            return TRUE;
    return FALSE;
}
