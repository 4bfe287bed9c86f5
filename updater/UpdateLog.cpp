// The update log: header, run message and footer, written once at the end
// of a run beside the program, replacing the previous log.
#include "UpdateLog.h"

#include "Paths.h"
#include "TextFiles.h"
#include "platform/os.h"

#include <ctime>
#include <cwchar>

namespace
{

const wchar_t* const kLogFileName = L"Log_QVW_14_Brantel.txt";
const wchar_t* const kUtilityVersion = L"1.0.5";

CString HeaderRule()
{
    return CString(L'=', 89) + L"\n\n";
}

// The local time as "%A %H:%M, %B %d, %Y"; empty when it cannot be had.
CString FormatDateTime()
{
    std::tm now = {};
    if (!platform::CurrentOs().LocalTime(now))
        return CString();
    wchar_t buffer[128] = {};
    const std::size_t length = std::wcsftime(buffer, 128, L"%A %H:%M, %B %d, %Y", &now);
    return CString(buffer, static_cast<int>(length));
}

} // namespace

CString GetUtilityVersion()
{
    return kUtilityVersion;
}

CString BuildLogHeader()
{
    CString strHeader = HeaderRule();
    strHeader += L"Quenvia 14.0 Patch Update Utility Version : " + GetUtilityVersion() + L"\n\n";
    strHeader += L"Quenvia 14.0 Patch Update Utility Date/Time : " + FormatDateTime() + L"\n\n";
    strHeader += HeaderRule();
    return strHeader;
}

CString BuildLogFooter()
{
    return L"=========== (Quenvia 14.0 Patch Update Utility " + GetUtilityVersion() +
           L") Patch Update : End " + L" =============";
}

void WriteUpdateLog(const CString& strMessage)
{
    // A log that cannot be written whole changes nothing about the run, and
    // leaves the previous log as it was.
    const CString strPath = JoinPath(GetProgramFolder(), kLogFileName);
    const CString strText = BuildLogHeader() + strMessage + BuildLogFooter();
    CFileException error;
    WriteTextFile(strPath, strText, error);
}
