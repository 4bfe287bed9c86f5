// OptionsManager: the panels of an options database, the option lists a
// wizard shows, and the last choice of each panel in an INI file.
#pragma once

#include <afxtempl.h>

#include "lumbrix/Export.h"
#include "lumbrix/OptionLocus.h"

class CArchive;
class CFile;

// The truth-valued members return "const int", as the library always has.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif

class LUMBRIX_API OptionsManager
{
public:
    OptionsManager();
    OptionsManager(const wchar_t* pszDatabasePath, const wchar_t* pszIniDirectory);
    OptionsManager(const wchar_t* pszDatabasePath, const wchar_t* pszStreamName,
                   const wchar_t* pszIniDirectory);
    virtual ~OptionsManager();

    void SetIniFilePath(const wchar_t* pszIniDirectory);
    CString GetProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey,
                              const wchar_t* pszDefault);
    int WriteProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey,
                            const wchar_t* pszValue);
    virtual const int GetOp(const wchar_t* pszSection, const wchar_t* pszKey, CString& strValue);
    virtual const int SetOp(const wchar_t* pszSection, const wchar_t* pszKey,
                            const wchar_t* pszValue);
    const wchar_t* HeaderFormatString() const;
    const wchar_t* LastOptionString() const;

    const int SetDatabasePath(const wchar_t* pszDatabasePath);
    const int SetDatabasePath(const wchar_t* pszDatabasePath, const wchar_t* pszStreamName);
    const int LoadDB();

    CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>* PanelOptionMap(unsigned int nPanel);
    OptionLocus* FindLocusById(const CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>* pMap,
                               unsigned int nID) const;
    OptionLocus* RetrieveOption(unsigned int nPanel, unsigned int nPosition);
    OptionLocus* RetrieveOption(unsigned int nPanel, CString strName);
    OptionLocus* GetOptionFromTitleID(unsigned int nPanel, unsigned int nTitleID);
    OptionLocus* GetNextOptionFromTitleID(OptionLocus* pLocus, unsigned int& nPanel,
                                          unsigned int nTitleID);
    CTypedPtrArray<CObArray, OptionLocus*>* LoadNextPanelOptions(unsigned int nPanel,
                                                                 unsigned int* pReserved);
    CTypedPtrArray<CObArray, OptionLocus*>* RetrieveCurrentPanelOptions();
    const int SetupNextPanel(unsigned int nPanel, OptionLocus* pLocus);
    const int VerifyPanelOption(unsigned int nPanel, OptionLocus* pLocus);

    const int SaveLastPanelOptionSeln(unsigned int nPanel, OptionLocus* pLocus);
    const int RetrieveLastPanelOptionSeln(unsigned int nPanel, OptionLocus*& pLocus);

    // The panels of the loaded database, for hosts that walk them: -1 while
    // no database is loaded, else the count the file declared (0 when the
    // count was refused).
    int GetPanelCount() const;
    // The number of the panel at nIndex, in the order of the file; 0 for a
    // panel that a failed load did not reach, and when nIndex is not below
    // GetPanelCount().
    unsigned int GetPanelNumber(int nIndex) const;

    OptionsManager(const OptionsManager&) = delete;
    OptionsManager& operator=(const OptionsManager&) = delete;

protected:
    const int LoadFromDisk();
    const int VerifyFile(const wchar_t* pszPath);
    const int SeekToCompoundEntry(CFile& file, const wchar_t* pszStreamName);
    virtual void Serialize(CArchive& ar);
    void SerializePanel(CArchive& ar, unsigned int& nPanel, CMapStringToOb* pMap);
    void SortOptions(CTypedPtrArray<CObArray, OptionLocus*>* pList);
    void OptCompFunc(OptionLocus*& pFirst, OptionLocus*& pSecond);
    void CleanUpOptionMaps(CMapStringToOb** ppMaps);

    enum
    {
        kMaxPanels = 32
    };

    const wchar_t* m_pszHeaderFormat;
    const wchar_t* m_pszLastOption;
    BOOL m_bCompound;
    CString m_strDatabasePath;
    CString m_strStreamName;
    CString m_strIniFilePath;
    int m_nPanelCount;
    CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>* m_pPanelMaps[kMaxPanels];
    CTypedPtrArray<CObArray, OptionLocus*> m_arrPanelOptions;
    unsigned int m_nNextPanel;
    const CUIntArray* m_pNextIDs;
    CUIntArray m_arrPanelNumbers;

private:
    // The map slots as the base map type that CleanUpOptionMaps takes.
    CMapStringToOb** PanelMapSlots();
    // How many slots a panel search may look at: never past the 32 slots nor
    // past the panel numbers actually held, whatever count the file declared.
    int SearchablePanelCount() const;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Where the library's messages go. By default they are shown with a message
// box on Windows and written to standard error elsewhere; a host application
// (or a test) may receive them itself. A null receiver restores the default.
// The library shares the framework with its host, so this sets the process's
// one message handler of the framework (as AfxSetMessageHandler does, and
// lumbrix_set_message_receiver): the last one set receives the messages.
typedef void (*LumbrixMessageReceiver)(const wchar_t* pszMessage, void* pContext);
extern "C" LUMBRIX_API void LumbrixSetMessageReceiver(LumbrixMessageReceiver pfnReceiver,
                                                      void* pContext);
