// CFilterProcess: the guard against a running product or Excel.
#pragma once

#include <afxwin.h>

class CFilterProcess : public CCmdTarget
{
public:
    CFilterProcess();
    ~CFilterProcess() override;

    BOOL FindRunningApplications();
    CString GetStatusMessage() const { return m_strStatusMessage; }
    bool IsApplicationOpen() const { return m_bApplicationOpen; }

private:
    bool m_bExcelRunning;
    bool m_bProductRunning;
    bool m_bApplicationOpen;
    CString m_strStatusMessage;
};
