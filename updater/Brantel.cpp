// The entry function: start-up, the guard, the run, the log, the exit code.
#include "Brantel.h"

#include "RunConsole.h"
#include "UpdateLog.h"
#include "platform/os.h"

#include <new>

namespace
{

const unsigned kScClose = 0xF060;
const unsigned kScMinimize = 0xF020;
const unsigned kScMaximize = 0xF030;

} // namespace

int BrantelMain(int, wchar_t*[])
{
    platform::Os& os = platform::CurrentOs();

    HINSTANCE hModule = static_cast<HINSTANCE>(os.ModuleHandle());
    if (hModule == nullptr)
    {
        Print(L"Fatal Error: GetModuleHandle failed\n");
        return 1;
    }
    CString strCommandLine(os.CommandLine());
    std::wstring commandLine(strCommandLine.GetString());
    if (!AfxWinInit(hModule, nullptr, commandLine.data(), 0))
    {
        Print(L"Fatal Error: MFC initialization failed\n");
        return 1;
    }

    // The console window cannot be closed, minimised or maximised from its
    // title bar while the patch runs.
    os.RemoveConsoleMenuCommand(kScClose);
    os.RemoveConsoleMenuCommand(kScMinimize);
    os.RemoveConsoleMenuCommand(kScMaximize);

    CBrantelRun run;
    try
    {
        run.Execute();
    }
    catch (...)
    {
        // Whatever stopped the run (memory above all), the log still tells
        // what it had done up to there, and why it stopped.
        run.WriteLogAfterFailure(std::current_exception());
    }
    return 0;
}

void CBrantelRun::Execute()
{
    platform::Os& os = platform::CurrentOs();
    m_filter.emplace();
    if (m_filter->IsApplicationOpen())
    {
        WriteLog(m_filter->GetStatusMessage());
        os.Sleep(kClosingWait);
        return;
    }

    m_patch.emplace();
    if (m_patch->IsReadyToPatch())
        m_patch->Run();
    else
        os.Sleep(kClosingWait);
    WriteLog(m_patch->GetLogMessage());
}

void CBrantelRun::WriteLogAfterFailure(std::exception_ptr failure)
{
    const wchar_t* reason = L"an unexpected error";
    try
    {
        std::rethrow_exception(failure);
    }
    catch (const std::bad_alloc&)
    {
        reason = L"not enough memory";
    }
    catch (...)
    {
    }
    try
    {
        CString strMessage;
        if (m_patch)
            strMessage = m_patch->GetLogMessage();
        else if (m_filter && m_filter->IsApplicationOpen())
            strMessage = m_filter->GetStatusMessage();
        strMessage += CString(L"Patch update process stopped: ") + reason + L".\n\n";
        Print(L"Patch update status: Update failed, please check the log for complete "
              L"details.\n");
        WriteLog(strMessage);
    }
    catch (...)
    {
        // Nothing more can be done; the run still ends without a crash.
    }
}

void CBrantelRun::WriteLog(const CString& strMessage)
{
    m_strLogged = strMessage;
    WriteUpdateLog(strMessage);
}
