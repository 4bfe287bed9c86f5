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

CString GetProgramFolder()
{
    return FolderOf(CString(platform::CurrentOs().ModuleFileName()));
}
