// The patch descriptor brantel.dat beside the program: what to install,
// which version it brings, and which installed versions it applies to.
#include "PatchExecute.h"

#include "Paths.h"
#include "TextFiles.h"
#include "platform/os.h"

#include <new>
#include <vector>

namespace
{

const wchar_t* const kDescriptorName = L"brantel.dat";
const wchar_t* const kKeyPatchInfo = L"PatchInfo";
const wchar_t* const kKeyPatchFile = L"PatchFile";
const wchar_t* const kKeyPatchVersion = L"PatchVersion";
const wchar_t* const kKeyPreviousVersions = L"PreviousVersions";
const wchar_t* const kInstallerExtension = L".exe";
const wchar_t* const kValueSeparator = L"=";
const wchar_t kListSeparator = L',';
const LONG kErrorFileTooLarge = 223; // ERROR_FILE_TOO_LARGE

const wchar_t* const kKeyFileNotFound6 =
    L"Patch update read process: key file not found.Exit code 6.";
const wchar_t* const kKeyValuesNotFound1 =
    L"Patch update read process: key values not found.Exit code 1.";
const wchar_t* const kKeyValuesNotFound2 =
    L"Patch updates read process: key values not found.Exit code 2.";
const wchar_t* const kKeyValuesNotFound3 =
    L"Patch update read process: key values not found.Exit code 3.";
const wchar_t* const kKeyValuesNotFound4 =
    L"Patch update read process: key values not found.Exit code 4.";
const wchar_t* const kKeyFileNotFound5 =
    L"Patch update read process: key file not found.Exit code 5.";
const wchar_t* const kKeyValuesFound = L"Patch update read process: key values found.";

const wchar_t* ReadCompletedText(BOOL bLocal)
{
    return bLocal ? L"Read local installer update file completed."
                  : L"Read patch update installer file completed.";
}

const wchar_t* ReadFailedText(BOOL bLocal)
{
    return bLocal ? L"Read local installer update file failed."
                  : L"Read patch update installer  file failed.";
}

// The characters from nFirst up to, not including, nEnd; empty when the
// end lies before the start.
CString Span(const CString& strText, int nFirst, int nEnd)
{
    return nEnd - nFirst > 0 ? strText.Mid(nFirst, nEnd - nFirst) : CString();
}

} // namespace

CString RemoveLineBreaks(const CString& strText)
{
    CString strResult = strText;
    strResult.Replace(L"\r\n", L"");
    strResult.Replace(L"\n", L"");
    strResult.Replace(L"\r", L"");
    return strResult;
}

CString GetKeyValue(const CString& strEntry, const CString& strSeparator)
{
    const int nAt = strEntry.Find(strSeparator);
    if (nAt < 0)
        return CString();
    CString strValue = strEntry.Mid(nAt + 1);
    strValue.Trim();
    return strValue;
}

void CPatchExecute::ReadPatchDescriptor()
{
    const CString strFolder = GetProgramFolder();
    ReadPatchDescriptor(strFolder, JoinPath(strFolder, kDescriptorName));
}

void CPatchExecute::ReadPatchDescriptor(const CString& strFolder, const CString& strPath)
{
    if (!platform::CurrentOs().PathExists(strPath.Units()))
    {
        AppendLogMessage(kKeyFileNotFound6);
        m_bDescriptorValid = false;
        return;
    }
    m_strUpdateFolder = strFolder;
    ParsePatchDescriptor(ReadFileContent(strPath, FALSE));
}

CString CPatchExecute::ReadFileContent(const CString& strPath, BOOL bLocal)
{
    CFile file;
    CFileException error;
    wchar_t szError[512] = {};
    // Never through a link, and never a file with another name elsewhere:
    // what an elevated program reads must be the file it names.
    if (!file.Open(strPath, CFile::modeRead | CFile::osNoLinks, &error))
    {
        error.GetErrorMessage(szError, 512);
        AppendLogMessage(szError);
        AppendLogMessage(ReadFailedText(bLocal));
        return CString();
    }
    try
    {
        // The whole file as 8-bit text; the text ends at its first zero byte.
        // A file larger than any descriptor or record counts as unreadable.
        const ULONGLONG nFileLength = file.GetLength();
        if (nFileLength > kMaxTextFileLength)
            AfxThrowFileException(CFileException::genericException, kErrorFileTooLarge, strPath);
        const std::size_t nLength = static_cast<std::size_t>(nFileLength);
        std::vector<char> buffer(nLength + 1, '\0');
        const UINT nRead = file.Read(buffer.data(), static_cast<UINT>(nLength));
        buffer[nRead] = '\0';
        const CString strContent(buffer.data());
        file.Close();
        AppendLogMessage(ReadCompletedText(bLocal));
        return strContent;
    }
    catch (CFileException* e)
    {
        // A file that opens but cannot be read counts as unreadable.
        e->GetErrorMessage(szError, 512);
        e->Delete();
    }
    catch (const std::bad_alloc&)
    {
        CMemoryException().GetErrorMessage(szError, 512);
    }
    file.Abort();
    AppendLogMessage(szError);
    AppendLogMessage(ReadFailedText(bLocal));
    return CString();
}

void CPatchExecute::ParsePatchDescriptor(const CString& strContent)
{
    const CString strJoined = RemoveLineBreaks(strContent);
    const int nLength = strJoined.GetLength();

    const int iInfo = strJoined.Find(kKeyPatchInfo);
    const int iFile = strJoined.Find(kKeyPatchFile);
    const int iVer = strJoined.Find(kKeyPatchVersion);
    const int iPrev = strJoined.Find(kKeyPreviousVersions);
    if (iInfo < 0 || iFile < 0 || iVer < 0 || iPrev < 0)
    {
        AppendLogMessage(kKeyValuesNotFound1);
        m_bDescriptorValid = false;
        return;
    }

    const CString strInfoEntry = RemoveLineBreaks(Span(strJoined, iInfo, iFile));
    const int iExe = strJoined.Find(kInstallerExtension, iFile);
    if (iExe < 0)
    {
        AppendLogMessage(kKeyValuesNotFound2);
        m_bDescriptorValid = false;
        return;
    }
    const CString strFileEntry = RemoveLineBreaks(Span(strJoined, iFile, iExe + 4));
    const CString strVerEntry = RemoveLineBreaks(Span(strJoined, iVer, iPrev));
    const CString strPrevEntry = RemoveLineBreaks(Span(strJoined, iPrev, nLength));
    if (strInfoEntry.IsEmpty() || strFileEntry.IsEmpty() || strVerEntry.IsEmpty() ||
        strPrevEntry.IsEmpty())
    {
        AppendLogMessage(kKeyValuesNotFound3);
        m_bDescriptorValid = false;
        return;
    }

    const CString strInfo = GetKeyValue(strInfoEntry, kValueSeparator);
    const CString strFile = GetKeyValue(strFileEntry, kValueSeparator);
    const CString strVer = GetKeyValue(strVerEntry, kValueSeparator);
    const CString strPrev = GetKeyValue(strPrevEntry, kValueSeparator);
    const BOOL bListOk = strPrev.IsEmpty() ? FALSE : LoadPreviousVersions(strPrev);
    if (strInfo.IsEmpty() || strFile.IsEmpty() || strVer.IsEmpty() || !bListOk)
    {
        AppendLogMessage(kKeyValuesNotFound4);
        m_bDescriptorValid = false;
        return;
    }

    // PatchFile names a file in the program's folder and nothing else: a
    // path ("..\\other\\setup.exe"), a stream or drive ("x:") or a device
    // ("NUL.exe") would start something the patch folder does not hold.
    const CString strInstaller = JoinPath(m_strUpdateFolder, strFile);
    if (!IsPlainFileName(strFile) || !platform::CurrentOs().PathExists(strInstaller.Units()))
    {
        AppendLogMessage(kKeyFileNotFound5);
        m_bDescriptorValid = false;
        return;
    }

    m_strPatchInfo = strInfo;
    m_strPatchFile = strFile;
    SetPatchVersion(strVer);
    m_bDescriptorValid = true;
    AppendLogMessage(kKeyValuesFound);
}

BOOL CPatchExecute::LoadPreviousVersions(const CString& strList)
{
    SplitPreviousVersions(strList);
    return m_arrPreviousVersions.GetSize() > 0;
}

void CPatchExecute::SplitPreviousVersions(const CString& strList)
{
    m_arrPreviousVersions.SetSize(0, -1);
    const CString strText = RemoveLineBreaks(strList);
    const int nLength = strText.GetLength();

    auto appendItem = [this](CString strItem)
    {
        strItem.Trim();
        if (!strItem.IsEmpty())
            m_arrPreviousVersions.SetAtGrow(m_arrPreviousVersions.GetSize(), strItem);
    };

    int nComma = strText.Find(kListSeparator);
    if (nComma < 0)
    {
        if (!strText.IsEmpty())
            m_arrPreviousVersions.SetAtGrow(m_arrPreviousVersions.GetSize(), strText);
        return;
    }
    appendItem(strText.Left(nComma));
    int nPosition = nComma + 1;
    while ((nComma = strText.Find(kListSeparator, nPosition)) >= 0)
    {
        appendItem(strText.Mid(nPosition, nComma - nPosition));
        nPosition = nComma + 1;
    }
    appendItem(strText.Mid(nPosition, nLength - nPosition));
}
