// Version texts: where each comes from, its form, and how versions compare.
#include "PatchExecute.h"

#include "Paths.h"
#include "platform/os.h"

#include <climits>

namespace
{

const wchar_t* const kProductExecutable = L"Qvw.exe";
const wchar_t* const kProductExecutableLower = L"qvw.exe";

// White space as the Windows runtime's _wtoi skips it (its iswspace set).
bool IsBlank(wchar_t c)
{
    const auto u = static_cast<unsigned>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F ||
           u == 0x205F || u == 0x3000;
}

// The value of a decimal digit as _wtoi reads it: ASCII and the other
// scripts' decimal digits (Arabic-Indic to full-width); -1 for anything else.
int DigitValue(wchar_t c)
{
    static const unsigned kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                      0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                      0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
    const auto u = static_cast<unsigned>(c);
    for (const unsigned zero : kZeros)
        if (u >= zero && u <= zero + 9)
            return static_cast<int>(u - zero);
    return -1;
}

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
    for (int nDigit = 0; i < nLength && (nDigit = DigitValue(strRevision[i])) >= 0; ++i)
    {
        nValue = nValue * 10 + nDigit;
        if (nValue > static_cast<long long>(INT_MAX) + 1)
            nValue = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        return static_cast<int>(-nValue < INT_MIN ? INT_MIN : -nValue);
    return static_cast<int>(nValue > INT_MAX ? INT_MAX : nValue);
}

bool CPatchExecute::ReadProductFileVersion(CString& strVersion, CString& strRevision) const
{
    platform::Os& os = platform::CurrentOs();
    CString strPath = JoinPath(m_strInstallPath, kProductExecutable);
    if (!os.PathExists(strPath.Units()))
    {
        strPath = JoinPath(m_strInstallPath, kProductExecutableLower);
        if (!os.PathExists(strPath.Units()))
            return false;
    }
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    // An executable without a readable version resource counts as not found.
    if (!os.ReadFileVersion(strPath.Units(), dwFileVersionMS, dwFileVersionLS))
        return false;
    const int nMajor = static_cast<int>(dwFileVersionMS >> 16);
    const int nMinor = static_cast<int>(dwFileVersionMS & 0xFFFF);
    const int nBuild = static_cast<int>(dwFileVersionLS >> 16);
    const int nRevision = static_cast<int>(dwFileVersionLS & 0xFFFF);
    strVersion.Format(L"%d.%d.%d.%d", nMajor, nMinor, nBuild, nRevision);
    strRevision.Format(L"%d", nRevision);
    return true;
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
