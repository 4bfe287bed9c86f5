// What installation validation reads and says, shared by its tests with a
// scripted registry and those through the real registry layer: the keys,
// the values placed in them, the console lines and the run message entries.
#pragma once

#include <afx.h>

#include <string>

namespace validation_texts
{

// Keys.
inline const std::wstring kWow = L"SOFTWARE\\Wow6432Node";
inline const std::wstring kP64 = L"SOFTWARE\\Wow6432Node\\DORVANE Software Inc.\\Quenvia\\14.0";
inline const std::wstring kP32 = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";
inline const std::wstring kU64 =
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0";
inline const std::wstring kU32 =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0";

// Absolute paths of this platform (only those name a place).
#ifdef _WIN32
inline const std::wstring kRoot = L"C:\\";
inline const std::wstring kSep = L"\\";
#else
inline const std::wstring kRoot = L"/";
inline const std::wstring kSep = L"/";
#endif
// Distinct values at the 64-bit and 32-bit places show which key a level read.
inline const std::wstring kPath64 = kRoot + L"Program Files (x86)" + kSep + L"Quenvia";
inline const std::wstring kPath32 = kRoot + L"Program Files" + kSep + L"Quenvia";
inline const std::wstring kIcon64 = kPath64 + kSep + L"Qvw.exe";
inline const std::wstring kIcon32 = kPath32 + kSep + L"Qvw.exe";
// A REG_EXPAND_SZ path whose variable the system does not define: it stays
// unexpanded, a relative path.
inline const std::wstring kUnexpandedIcon =
    L"%QuenviaNoSuchVariable%" + kSep + L"Quenvia" + kSep + L"Qvw.exe";

// Console texts.
inline const std::wstring kValidationLine = L"Patch update status: Validation in-progress...\n";
inline const std::wstring kRefusalLine =
    L"This patch can't be applied. Quenvia 14.0 application is not installed in this machine.\n";
inline const std::wstring kLevelTwoLine =
    L"<CLS>Patch update status : Validation for level two check failed.(empty value found).\n";

// Entries.
inline const std::wstring kMode1 = L"Registry bit support Mode 1: Verified successfully.";
inline const std::wstring kMode2 = L"Registry bit support Mode 2: Verified successfully.";
inline const std::wstring kModeError = L"Registry bit support verification error:";
inline const std::wstring kVersionDone = L"Client side update check, level version completed.";
inline const std::wstring kVersionEmpty =
    L"Client side update check, level version failed. Value not found.";
inline const std::wstring kVersionQuery = L"Client side update check, level version (L1) failed";
inline const std::wstring kVersionOpen = L"Client side update check, level version failed.";
inline const std::wstring kAddOnOpen = L"Client side update check, level version add-on failed.";
inline const std::wstring kAddOnQuery =
    L"Client side update check, level version (L1) add-on failed";
inline const std::wstring kAddOnValueForm =
    L"Client side update check,level version (L1) add-on completed.";
inline const std::wstring kAddOnKeyForm =
    L"Client side update check, level version (L1) add-on completed.";
inline const std::wstring kAddOnEmpty =
    L"Client side update check, level version (L1) add-on failed. Value not found.";
inline const std::wstring kThreeDone = L"Client side update check, level three completed.";
inline const std::wstring kThreeEmpty =
    L"Client side update check, level three failed. Value not found.";
inline const std::wstring kThreeQuery = L"Client side update check, level three (L1) failed";
inline const std::wstring kThreeOpen = L"Client side update check, level three failed.";
inline const std::wstring kTwoDone = L"Client side update check, level two completed.";
inline const std::wstring kTwoEmpty =
    L"Client side update check, level two failed. Value not found.";
inline const std::wstring kTwoQuery = L"Client side update check, level two (L1) failed";
inline const std::wstring kTwoOpen = L"Client side update check, level two failed.";
inline const std::wstring kRefusal =
    L"This patch can't be applied. Quenvia 14.0 application is not installed in this machine.";
inline const std::wstring kWarning = L"Could not check patch update availability.WARNING: 101.";
// The descriptor, read after the validation, is missing in these tests.
inline const std::wstring kDescriptorMissing =
    L"Patch update read process: key file not found.Exit code 6.\n\n";

inline std::wstring Error(int code)
{
    return L"Error :" + std::to_wstring(code);
}

inline std::wstring W(const CString& text)
{
    return std::wstring(text.GetString());
}

// DisplayIcon values as Windows writes them, each naming kIcon32's file.
struct IconForm
{
    const char* name;
    std::wstring value;
};
inline const IconForm kIconForms[] = {
    {"bare", kIcon32},
    {"quoted", L"\"" + kIcon32 + L"\""},
    {"withIconIndex", kIcon32 + L",0"},
    {"quotedWithIconIndex", L"\"" + kIcon32 + L"\",0"},
};

} // namespace validation_texts
