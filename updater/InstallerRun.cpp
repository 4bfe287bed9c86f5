// Patch execution: start the installer, wait for it, and judge the result
// by the product executable's new file version.
#include "PatchExecute.h"

#include "Paths.h"
#include "RunConsole.h"
#include "platform/os.h"

namespace
{

const unsigned long kFinalWait = 10000;

// The entry for an installer that could not be started.
CString StartErrorEntry(platform::Status status)
{
    switch (status)
    {
    case platform::kErrorFileNotFound:
        return L"Execute patch process error: The specified file was not found.";
    case platform::kErrorPathNotFound:
        return L"Execute patch process error: The specified path was not found.";
    case platform::kErrorDdeFail:
        return L"Execute patch process error: The Dynamic Data Exchange (DDE) transaction failed.";
    case platform::kErrorNoAssociation:
        return L"Execute patch process error: There is no application associated with the "
               L"specified file name extension.";
    case platform::kErrorAccessDenied:
        return L"Execute patch process error: Access to the specified file is denied.";
    case platform::kErrorDllNotFound:
        return L"Execute patch process error: One of the library files necessary to run the "
               L"application can't be found.";
    case platform::kErrorCancelled:
        return L"Execute patch process error: The function prompted the user for additional "
               L"information, but the user canceled the request.";
    case platform::kErrorNotEnoughMemory:
        return L"Execute patch process error: There is not enough memory to perform the "
               L"specified action.";
    case platform::kErrorSharingViolation:
        return L"Execute patch process error: A sharing violation occurred.";
    default:
    {
        CString strEntry;
        strEntry.Format(L"Execute patch process: error code %lu",
                        static_cast<std::uint32_t>(status));
        return strEntry;
    }
    }
}

} // namespace

void CPatchExecute::ExecutePatch()
{
    platform::Os& os = platform::CurrentOs();
    BeginWaitCursor();
    Print(L"Patch update status: Installation in-progress.\nPlease wait to complete...\n");

    // The installer runs with our rights, from its folder and with that
    // folder as its working folder: whoever may add or replace a file there
    // (a DLL the installer loads, the installer itself) would run code as
    // administrator. Such a folder starts nothing.
    const platform::FolderTrust trust = os.CheckFolderTrust(m_strUpdateFolder.Units());
    if (!trust.trusted)
    {
        AppendLogMessage(L"Execute patch process error: The installer was not started, because "
                         L"the folder " +
                         CString(trust.folder) + L" " + CString(trust.reason) +
                         L". Only administrators may be able to change the patch folder and "
                         L"the folders above it.");
        Print(L"Patch update status: Update failed, please check the log for complete "
              L"details.\n");
        Print(L"Please wait to close the application...\n");
        os.Sleep(kFinalWait);
        EndWaitCursor();
        return;
    }

    // The installer is the very file the descriptor check found in the
    // program's folder: started by its full path, with that folder as its
    // working folder, never looked up anywhere else.
    const CString strInstaller = JoinPath(m_strUpdateFolder, m_strPatchFile);
    platform::ProcessHandle hProcess = 0;
    const platform::Status status =
        os.StartProgram(strInstaller.Units(), m_strUpdateFolder.Units(), hProcess);
    os.WaitForProgram(hProcess);

    if (status == platform::kSuccess)
    {
        ReadVersionAfterPatch();
        if (m_strVersionAfterPatch.IsEmpty() || m_strPatchVersion.IsEmpty())
        {
            AppendLogMessage(L"Execute patch process : Not completed successfully (might be "
                             L"cancelled during updates). Please try again. ");
            Print(L"Patch update status: Update failed, please check the log for complete "
                  L"details.\n");
        }
        else if (m_strPatchVersion.CompareNoCase(m_strVersionAfterPatch) != 0)
        {
            AppendLogMessage(L"Execute patch process : Not completed successfully due to version "
                             L"information mismatch. ");
            Print(L"Patch update status: Update failed due to version mismatch, please check the "
                  L"log for complete details.\n");
        }
        else if (WriteInstalledUpdates())
        {
            AppendLogMessage(L"Execute patch process: Completed successfully.");
            Print(L"Patch update status: Completed successfully.\n");
        }
        else
        {
            AppendLogMessage(L"Execute patch process: Not completed successfully.");
            Print(L"Patch update status: Update failed, please check the log for complete "
                  L"details.\n");
        }
        Print(L"Please wait to close the application...\n");
    }
    else
    {
        AppendLogMessage(StartErrorEntry(status));
    }

    os.Sleep(kFinalWait);
    EndWaitCursor();
}
