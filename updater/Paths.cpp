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

CString GetProgramFolder()
{
    return FolderOf(CString(platform::CurrentOs().ModuleFileName()));
}
