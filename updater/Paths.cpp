#include "Paths.h"

#include "platform/os.h"

CString FolderOf(const CString& strPath)
{
    const int nSeparator = strPath.ReverseFind(kPathSeparator);
    return nSeparator < 0 ? CString() : strPath.Left(nSeparator);
}

CString JoinPath(const CString& strFolder, const CString& strName)
{
    return strFolder + kPathSeparator + strName;
}

CString IconLocationFile(const CString& strLocation)
{
    CString strFile = strLocation;
    // The icon index: an optional sign and at least one digit after the last comma.
    const int nComma = strFile.ReverseFind(L',');
    if (nComma >= 0)
    {
        int nDigit = nComma + 1;
        if (nDigit < strFile.GetLength() && strFile[nDigit] == L'-')
            ++nDigit;
        bool bIndex = nDigit < strFile.GetLength();
        for (int i = nDigit; i < strFile.GetLength() && bIndex; ++i)
            bIndex = strFile[i] >= L'0' && strFile[i] <= L'9';
        if (bIndex)
            strFile = strFile.Left(nComma);
    }
    const int nLength = strFile.GetLength();
    if (nLength >= 2 && strFile[0] == L'"' && strFile[nLength - 1] == L'"')
        strFile = strFile.Mid(1, nLength - 2);
    return strFile;
}

bool IsPlainFileName(const CString& strName)
{
    if (strName.IsEmpty() || strName == L"." || strName == L"..")
        return false;
    for (int i = 0; i < strName.GetLength(); ++i)
    {
        const wchar_t c = strName[i];
        if (c == L'\\' || c == L'/' || c == L':' || c < 0x20)
            return false;
    }
    // Windows takes the part before the first dot, blanks at its end
    // ignored, as the device.
    CString strBase = strName;
    const int nDot = strBase.Find(L'.');
    if (nDot >= 0)
        strBase = strBase.Left(nDot);
    strBase.TrimRight();
    strBase.MakeUpper();
    if (strBase == L"CON" || strBase == L"PRN" || strBase == L"AUX" || strBase == L"NUL")
        return false;
    if (strBase.GetLength() == 4 && (strBase.Left(3) == L"COM" || strBase.Left(3) == L"LPT") &&
        strBase[3] >= L'1' && strBase[3] <= L'9')
        return false;
    return true;
}

bool IsAbsolutePath(const CString& strPath)
{
#ifdef _WIN32
    if (strPath.GetLength() >= 3 && strPath[1] == L':' && strPath[2] == L'\\')
    {
        const wchar_t drive = strPath[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    return strPath.GetLength() > 2 && strPath[0] == L'\\' && strPath[1] == L'\\';
#else
    return strPath.GetLength() > 0 && strPath[0] == L'/';
#endif
}

CString GetProgramFolder()
{
    return FolderOf(CString(platform::CurrentOs().ModuleFileName()));
}
