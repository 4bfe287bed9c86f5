// Installation validation: the registry must show Quenvia 14.0 installed,
// with its install folder and its uninstall entry.
#include "PatchExecute.h"

#include "Paths.h"
#include "RunConsole.h"

#include "platform/os.h"

namespace
{

const wchar_t* const kWow6432Node = L"SOFTWARE\\Wow6432Node";
const wchar_t* const kProductKey64 = L"SOFTWARE\\Wow6432Node\\DORVANE Software Inc.\\Quenvia\\14.0";
const wchar_t* const kProductKey32 = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";
const wchar_t* const kUninstallKey64 =
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0";
const wchar_t* const kUninstallKey32 =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0";
const wchar_t* const kValueVersion = L"Version";
const wchar_t* const kValueInstallPath = L"Installpath";
const wchar_t* const kValueDisplayIcon = L"DisplayIcon";
const wchar_t* const kProductVersion = L"14.0";

const wchar_t* const kValidationInProgress = L"Patch update status: Validation in-progress...\n";
const wchar_t* const kNotInstalled =
    L"This patch can't be applied. Quenvia 14.0 application is not installed in this machine.";
const wchar_t* const kLevelTwoEmpty =
    L"Patch update status : Validation for level two check failed.(empty value found).\n";
const wchar_t* const kWarning101 = L"Could not check patch update availability.WARNING: 101.";
const wchar_t* const kMode1 = L"Registry bit support Mode 1: Verified successfully.";
const wchar_t* const kMode2 = L"Registry bit support Mode 2: Verified successfully.";

// The entries of one registry level.
struct LevelTexts
{
    const wchar_t* completed;
    const wchar_t* valueEmpty;
    const wchar_t* queryFailed;
    const wchar_t* openFailed;
};

const LevelTexts kLevelThree = {L"Client side update check, level three completed.",
                                L"Client side update check, level three failed. Value not found.",
                                L"Client side update check, level three (L1) failed",
                                L"Client side update check, level three failed."};
const LevelTexts kLevelTwo = {L"Client side update check, level two completed.",
                              L"Client side update check, level two failed. Value not found.",
                              L"Client side update check, level two (L1) failed",
                              L"Client side update check, level two failed."};

platform::Os& Os()
{
    return platform::CurrentOs();
}

CString ErrorEntry(platform::Status status)
{
    return L"Error :" + FormatErrorCode(status);
}

// Reads one value of one key for a level; the text, made what the level
// keeps by `keep` when given, empty when there is none. Every key opened is
// closed again.
CString ReadLevelValue(CPatchExecute& patch, const wchar_t* key, const wchar_t* value,
                       const LevelTexts& texts, CString (*keep)(const CString&) = nullptr)
{
    platform::RegistryKey hKey = 0;
    platform::Status status = Os().RegistryOpenKey(CString(key).Units(), hKey);
    if (status != platform::kSuccess)
    {
        patch.AppendLogMessage(texts.openFailed);
        patch.AppendLogMessage(ErrorEntry(status));
        return CString();
    }
    platform::XString text;
    status = Os().RegistryQueryString(hKey, CString(value).Units(), text);
    if (status != platform::kSuccess)
    {
        patch.AppendLogMessage(texts.queryFailed);
        patch.AppendLogMessage(ErrorEntry(status));
        Os().RegistryCloseKey(hKey);
        return CString();
    }
    const CString strText = keep != nullptr ? keep(CString(text)) : CString(text);
    if (strText.IsEmpty())
        patch.AppendLogMessage(texts.valueEmpty);
    else
        patch.AppendLogMessage(texts.completed);
    Os().RegistryCloseKey(hKey);
    return strText;
}

// Paths from the registry name places only when absolute: a relative one
// (an unexpanded "%ProgramFiles%\\..." read from a REG_EXPAND_SZ value, say)
// would be taken from whatever folder the run was started in, which the
// caller chooses. Such a value counts as no value.
CString UsableFolder(const CString& strFolder)
{
    return IsAbsolutePath(strFolder) ? strFolder : CString();
}

CString UsableIconFile(const CString& strLocation)
{
    const CString strFile = IconLocationFile(strLocation);
    return IsAbsolutePath(strFile) ? strFile : CString();
}

} // namespace

CString FormatErrorCode(LONG lStatus)
{
    CString strCode;
    strCode.Format(L"%ld", lStatus);
    return strCode;
}

void CPatchExecute::ValidateInstallation()
{
    Print(kValidationInProgress);
    CheckRegistryBitMode();
    ReadRegistryVersion();
    ReadInstallPath();

    if (m_strRegistryVersion.IsEmpty())
    {
        m_bValidationPassed = false;
        AppendLogMessage(kNotInstalled);
        Print(CString(kNotInstalled) + L"\n");
        return;
    }
    if (m_strRegistryVersion.Compare(kProductVersion) != 0)
    {
        m_bValidationPassed = false;
        AppendLogMessage(kNotInstalled);
        return;
    }

    ReadDisplayIcon();
    if (!m_strDisplayIcon.IsEmpty())
    {
        m_bValidationPassed = true;
        return;
    }
    Os().ClearConsole();
    Print(kLevelTwoEmpty);
    AppendLogMessage(kWarning101);
    m_bValidationPassed = false;
}

void CPatchExecute::CheckRegistryBitMode()
{
    platform::RegistryKey hKey = 0;
    const platform::Status status = Os().RegistryOpenKey(CString(kWow6432Node).Units(), hKey);
    if (status == platform::kSuccess)
    {
        AppendLogMessage(kMode1);
        m_bWow6432Node = true;
        Os().RegistryCloseKey(hKey);
    }
    else if (status == platform::kErrorFileNotFound)
    {
        AppendLogMessage(kMode2);
        m_bWow6432Node = false;
    }
    else
    {
        AppendLogMessage(L"Registry bit support verification error:");
        AppendLogMessage(ErrorEntry(status));
        m_bWow6432Node = false;
    }
}

void CPatchExecute::ReadRegistryVersion()
{
    enum class AddOn
    {
        None,
        ValueMissing,
        KeyMissing
    };
    AddOn addOn = AddOn::None;

    const wchar_t* key = m_bWow6432Node ? kProductKey64 : kProductKey32;
    platform::RegistryKey hKey = 0;
    platform::Status status = Os().RegistryOpenKey(CString(key).Units(), hKey);
    if (status == platform::kSuccess)
    {
        platform::XString text;
        status = Os().RegistryQueryString(hKey, CString(kValueVersion).Units(), text);
        if (status == platform::kSuccess && !text.empty())
        {
            m_strRegistryVersion = CString(text);
            AppendLogMessage(L"Client side update check, level version completed.");
        }
        else if (status == platform::kSuccess)
        {
            AppendLogMessage(L"Client side update check, level version failed. Value not found.");
        }
        else if (status == platform::kErrorFileNotFound)
        {
            if (m_bWow6432Node)
                addOn = AddOn::ValueMissing;
        }
        else
        {
            AppendLogMessage(L"Client side update check, level version (L1) failed");
            AppendLogMessage(ErrorEntry(status));
        }
        Os().RegistryCloseKey(hKey);
    }
    else if (status == platform::kErrorFileNotFound)
    {
        if (m_bWow6432Node)
            addOn = AddOn::KeyMissing;
    }
    else
    {
        AppendLogMessage(L"Client side update check, level version failed.");
        AppendLogMessage(ErrorEntry(status));
    }
    if (addOn == AddOn::None)
        return;

    // The add-on read: the 32-bit product key, after the Mode 1 key gave no
    // version.
    status = Os().RegistryOpenKey(CString(kProductKey32).Units(), hKey);
    if (status != platform::kSuccess)
    {
        AppendLogMessage(L"Client side update check, level version add-on failed.");
        AppendLogMessage(ErrorEntry(status));
        return;
    }
    platform::XString text;
    status = Os().RegistryQueryString(hKey, CString(kValueVersion).Units(), text);
    Os().RegistryCloseKey(hKey);
    if (status != platform::kSuccess)
    {
        AppendLogMessage(L"Client side update check, level version (L1) add-on failed");
        AppendLogMessage(ErrorEntry(status));
        return;
    }
    if (!text.empty())
    {
        SetRegistryVersion(CString(text));
        AppendLogMessage(addOn == AddOn::ValueMissing
                             ? L"Client side update check,level version (L1) add-on completed."
                             : L"Client side update check, level version (L1) add-on completed.");
    }
    else
    {
        AppendLogMessage(
            L"Client side update check, level version (L1) add-on failed. Value not found.");
    }
    AppendLogMessage(kMode2);
    m_bWow6432Node = false;
}

void CPatchExecute::ReadInstallPath()
{
    const CString strPath = ReadLevelValue(*this, m_bWow6432Node ? kProductKey64 : kProductKey32,
                                           kValueInstallPath, kLevelThree, UsableFolder);
    if (!strPath.IsEmpty())
        m_strInstallPath = strPath;
}

void CPatchExecute::ReadDisplayIcon()
{
    // Windows writes the value as an icon location, often quoted and with an
    // icon index; only the file it names is kept, and a value naming none
    // counts as empty, as does one whose folder is not absolute.
    const CString strIcon =
        ReadLevelValue(*this, m_bWow6432Node ? kUninstallKey64 : kUninstallKey32, kValueDisplayIcon,
                       kLevelTwo, UsableIconFile);
    if (!strIcon.IsEmpty())
        m_strDisplayIcon = strIcon;
}
