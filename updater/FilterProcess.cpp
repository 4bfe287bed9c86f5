// The running-application guard: neither the product nor Excel may run
// while the patch is applied.
#include "FilterProcess.h"

#include "platform/os.h"

#include <vector>

namespace
{

const wchar_t* const kProductProcess = L"Qvw.exe";
const wchar_t* const kExcelProcess = L"excel.exe";
const wchar_t* const kApplicationOpen =
    L"Patch update status: Please check and close Quenvia/Excel application,if open.\n";

} // namespace

CFilterProcess::CFilterProcess()
    : m_bExcelRunning(false), m_bProductRunning(false), m_bApplicationOpen(false)
{
    FindRunningApplications();
    if (m_bExcelRunning || m_bProductRunning)
    {
        platform::CurrentOs().WriteConsoleText(CString(kApplicationOpen).Units());
        m_bApplicationOpen = true;
        m_strStatusMessage = kApplicationOpen;
    }
}

CFilterProcess::~CFilterProcess() = default;

BOOL CFilterProcess::FindRunningApplications()
{
    std::vector<platform::XString> names;
    if (!platform::CurrentOs().ListProcessNames(names) || names.empty())
        return FALSE;
    for (const platform::XString& name : names)
    {
        const CString strExeFile(name);
        if (strExeFile.CompareNoCase(kProductProcess) == 0)
            m_bProductRunning = true;
        if (strExeFile.CompareNoCase(kExcelProcess) == 0)
            m_bExcelRunning = true;
    }
    return TRUE;
}
