// CPatchExecute: construction, the run, and the run message.
#include "PatchExecute.h"

#include "RunConsole.h"

#include "platform/os.h"

namespace
{

const wchar_t* const kPleaseWaitToClose = L"Please wait to close the application...\n";

} // namespace

CPatchExecute::CPatchExecute() : CPatchExecute(WithoutSteps())
{
    ValidateInstallation();
    ReadPatchDescriptor();
    m_bReadyToPatch = m_bValidationPassed && m_bDescriptorValid;
}

CPatchExecute::CPatchExecute(WithoutSteps)
    : m_bWow6432Node(true), m_bDescriptorValid(true), m_bValidationPassed(true),
      m_bReadyToPatch(false), m_bPatchRequired(false)
{
}

CPatchExecute::~CPatchExecute() = default;

void CPatchExecute::Run()
{
    CheckInstalledUpdates();
    if (m_bPatchRequired)
    {
        ExecutePatch();
        return;
    }
    Print(kPleaseWaitToClose);
    platform::CurrentOs().Sleep(kClosingWait);
}

void CPatchExecute::AppendLogMessage(const CString& strEntry)
{
    m_strLogMessage += strEntry;
    m_strLogMessage += L"\n\n";
}

void CPatchExecute::SetRegistryVersion(const CString& strVersion)
{
    if (!strVersion.IsEmpty())
        m_strRegistryVersion = strVersion;
}
