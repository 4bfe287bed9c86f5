// OptionsManager: construction, the INI file path and settings, and the
// release of every loaded panel.
#include "lumbrix/OptionsManager.h"

#include "platform/file.h"
#include "platform/os.h"
#include "platform/profile.h"

#include <algorithm>
#include <utility>

// The truth-valued members keep the "const int" results they are declared with.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

namespace
{

// Section formats and the last-choice key; they live as long as the library.
const wchar_t kPanelHeaderFormat[] = L"Panel: %u";
const wchar_t kWzdPanelHeaderFormat[] = L"Wzd Panel: %u";
const wchar_t kLastOptionKey[] = L"Last Option:";

// What separates folders in a database path on this platform.
const wchar_t kSeparator = static_cast<wchar_t>(platform::kPathSeparator);

// The profile calls take "no text" as a null pointer, as the Win32 ones do.
struct ProfileArg
{
    explicit ProfileArg(const wchar_t* psz)
        : text(platform::FromWide(psz)), pointer(psz != nullptr ? &text : nullptr)
    {
    }
    ProfileArg(const ProfileArg&) = delete;
    ProfileArg& operator=(const ProfileArg&) = delete;

    platform::XString text;
    const platform::XString* pointer;
};

} // namespace

OptionsManager::OptionsManager()
    : m_pszHeaderFormat(kPanelHeaderFormat), m_pszLastOption(kLastOptionKey), m_bCompound(FALSE),
      m_nPanelCount(-1), m_pPanelMaps(), m_nNextPanel(0), m_pNextIDs(nullptr)
{
}

OptionsManager::OptionsManager(const wchar_t* pszDatabasePath, const wchar_t* pszIniDirectory)
    : m_pszHeaderFormat(kWzdPanelHeaderFormat), m_pszLastOption(kLastOptionKey), m_bCompound(FALSE),
      m_strDatabasePath(pszDatabasePath), m_nPanelCount(-1), m_pPanelMaps(), m_nNextPanel(0),
      m_pNextIDs(nullptr)
{
    SetIniFilePath(pszIniDirectory);
}

OptionsManager::OptionsManager(const wchar_t* pszDatabasePath, const wchar_t* pszStreamName,
                               const wchar_t* pszIniDirectory)
    : m_pszHeaderFormat(kWzdPanelHeaderFormat), m_pszLastOption(kLastOptionKey), m_bCompound(TRUE),
      m_strDatabasePath(pszDatabasePath), m_strStreamName(pszStreamName), m_nPanelCount(-1),
      m_pPanelMaps(), m_nNextPanel(0), m_pNextIDs(nullptr)
{
    SetIniFilePath(pszIniDirectory);
}

OptionsManager::~OptionsManager()
{
    CleanUpOptionMaps(PanelMapSlots());
}

CMapStringToOb** OptionsManager::PanelMapSlots()
{
    // The typed map adds no data to its base, so a slot holds a base pointer.
    return reinterpret_cast<CMapStringToOb**>(m_pPanelMaps);
}

int OptionsManager::SearchablePanelCount() const
{
    const INT_PTR nHeld = std::min<INT_PTR>(m_arrPanelNumbers.GetSize(), kMaxPanels);
    return static_cast<int>(std::min<INT_PTR>(m_nPanelCount, nHeld));
}

int OptionsManager::GetPanelCount() const
{
    if (m_nPanelCount == -1)
        return -1;
    return static_cast<int>(
        std::max<INT_PTR>(0, std::min<INT_PTR>(m_nPanelCount, m_arrPanelNumbers.GetSize())));
}

unsigned int OptionsManager::GetPanelNumber(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetPanelCount())
        return 0;
    return m_arrPanelNumbers.GetAt(nIndex);
}

void OptionsManager::CleanUpOptionMaps(CMapStringToOb** ppMaps)
{
    m_arrPanelNumbers.RemoveAll();

    // A declared count above the slot count never filled more than the slots.
    const int nSlots = std::min<int>(m_nPanelCount, kMaxPanels);
    for (int i = 0; ppMaps != nullptr && i < nSlots; ++i)
    {
        CMapStringToOb* pMap = ppMaps[i];
        if (pMap == nullptr)
            continue;
        // Every value in enumeration order; the keys need no copies.
        for (INT_PTR k = 0; k < pMap->GetCount(); ++k)
            delete pMap->GetValueAt(k);
        pMap->RemoveAll();
        delete pMap;
        ppMaps[i] = nullptr;
    }

    m_nPanelCount = -1;
    m_arrPanelOptions.RemoveAll();
    m_nNextPanel = 0;
    m_pNextIDs = nullptr;
}

void OptionsManager::SetIniFilePath(const wchar_t* pszIniDirectory)
{
    // The base name: the stream's name, or the database file's own name.
    CString strBaseName;
    if (m_bCompound)
    {
        strBaseName = m_strStreamName;
    }
    else
    {
        const int nSeparator = m_strDatabasePath.ReverseFind(kSeparator);
        if (nSeparator < 0)
        {
            m_strIniFilePath.Empty();
            return;
        }
        strBaseName = m_strDatabasePath.Mid(nSeparator + 1);
    }

    // The directory, taken as passed (the caller supplies the separator),
    // or else the database's own folder.
    if (pszIniDirectory != nullptr)
    {
        m_strIniFilePath = pszIniDirectory;
    }
    else
    {
        const int nSeparator = m_strDatabasePath.ReverseFind(kSeparator);
        if (nSeparator < 0)
        {
            m_strIniFilePath.Empty();
            return;
        }
        m_strIniFilePath = m_strDatabasePath.Left(nSeparator + 1);
    }

    // The extension becomes "ini"; the last full stop anywhere in
    // the path counts, even one of the directory.
    m_strIniFilePath += strBaseName;
    const int nDot = m_strIniFilePath.ReverseFind(L'.');
    if (nDot < 0)
        m_strIniFilePath.Empty();
    else
        m_strIniFilePath = m_strIniFilePath.Left(nDot + 1) + L"ini";
}

CString OptionsManager::GetProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey,
                                          const wchar_t* pszDefault)
{
    if (m_strIniFilePath.IsEmpty())
        return CString(pszDefault);

    const std::size_t kBufferUnits = 1024;
    const ProfileArg section(pszSection);
    const ProfileArg key(pszKey);
    const ProfileArg defaultText(pszDefault);
    platform::XString text = platform::CurrentOs().GetPrivateProfileText(
        section.pointer, key.pointer, defaultText.pointer, kBufferUnits, m_strIniFilePath.Units());
    // A list of names comes back null-separated; the buffer reads as its first.
    const std::size_t nEnd = text.find(platform::XCHAR(0));
    if (nEnd != platform::XString::npos)
        text.resize(nEnd);
    return CString(std::move(text));
}

int OptionsManager::WriteProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey,
                                        const wchar_t* pszValue)
{
    if (m_strIniFilePath.IsEmpty())
        return 0;
    const ProfileArg section(pszSection);
    const ProfileArg key(pszKey);
    const ProfileArg value(pszValue);
    return platform::CurrentOs().WritePrivateProfileText(section.pointer, key.pointer,
                                                         value.pointer, m_strIniFilePath.Units())
               ? 1
               : 0;
}

const int OptionsManager::GetOp(const wchar_t* pszSection, const wchar_t* pszKey, CString& strValue)
{
    // What the reference holds on entry is the default.
    const CString strDefault = strValue;
    strValue = GetProfileStringW(pszSection, pszKey, strDefault.GetString());
    return strValue.IsEmpty() ? 0 : 1;
}

const int OptionsManager::SetOp(const wchar_t* pszSection, const wchar_t* pszKey,
                                const wchar_t* pszValue)
{
    return WriteProfileStringW(pszSection, pszKey, pszValue);
}

const wchar_t* OptionsManager::HeaderFormatString() const
{
    return m_pszHeaderFormat;
}

const wchar_t* OptionsManager::LastOptionString() const
{
    return m_pszLastOption;
}
