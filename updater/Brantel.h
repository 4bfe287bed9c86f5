// The program's entry function, apart from the platform's own main, and the
// run it makes once started.
#pragma once

#include "FilterProcess.h"
#include "PatchExecute.h"

#include <exception>
#include <optional>

// Runs one patch update; returns the process exit code (1 when start-up
// fails, 0 otherwise). The arguments are not used.
int BrantelMain(int argc, wchar_t* argv[]);

// The run after start-up: the guard, then, when no application is open, the
// patch, and the log. Its objects live as long as the run object, so that
// brantel-check, which makes the same run on a read-only operating system,
// can see what the run found.
class CBrantelRun
{
public:
    CBrantelRun() = default;
    CBrantelRun(const CBrantelRun&) = delete;
    CBrantelRun& operator=(const CBrantelRun&) = delete;

    void Execute();
    // After Execute stopped with an exception: the log with what the run
    // message holds and why the run stopped.
    void WriteLogAfterFailure(std::exception_ptr failure);

    // Null until the run has made them (no patch object while an
    // application is open).
    const CFilterProcess* GetFilter() const { return m_filter ? &*m_filter : nullptr; }
    const CPatchExecute* GetPatch() const { return m_patch ? &*m_patch : nullptr; }
    // The message handed to the update log.
    CString GetLoggedMessage() const { return m_strLogged; }

private:
    void WriteLog(const CString& strMessage);

    std::optional<CFilterProcess> m_filter;
    std::optional<CPatchExecute> m_patch;
    CString m_strLogged;
};
