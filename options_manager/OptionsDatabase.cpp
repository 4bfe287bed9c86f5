// OptionsManager: choosing the options database, finding its internal stream
// and reading every panel's records into the panel maps.
#include "lumbrix/OptionsManager.h"

#include <afxwin.h>

#include "CompoundDirectory.h"
#include "platform/text.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

// The truth-valued members keep the "const int" results they are declared with.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

namespace
{

const wchar_t kCannotOpen[] = L"ERROR: Can't open OptionsDatabase file, [%s]";
const wchar_t kCannotGetStatus[] = L"Cannot get status from %s";
const wchar_t kTruncated[] = L"The file, %s, is truncated or damaged";
const wchar_t kStreamNotFound[] = L"Cannot locate internal stream %s in file %s";
const wchar_t kUnknownReadError[] = L"Unknown Wzd file read error";

// A file this small cannot hold even a panel count and one panel header.
const ULONGLONG kTruncatedSize = 6;

// The smallest record: the schema word, the identifier, the one-byte length
// of an empty name, the title, two data words, the next panel and the count
// of next identifiers.
const ULONGLONG kSmallestRecord = 29;

// The archive reads the file through a buffer of this size on the stack.
// Every refill costs a read, and a string or a list of identifiers that
// crosses the end of the buffer also asks the file for its length and
// position; 32 KB makes half the calls that 16 KB did, and is still little
// of a thread's stack (1 MB by default on Windows).
const int kArchiveBufferSize = 32768;

void ShowMessage(const CString& strText)
{
    AfxMessageBox(strText, MB_OK, 0);
}

// The framework's own report of an exception, which is then freed.
void ReportAndDelete(CException* e)
{
    e->ReportError(MB_OK, 0);
    e->Delete();
}

// The wait cursor belongs to the application object; a host without one
// still gets the busy cursor.
class WaitCursor
{
public:
    WaitCursor() : m_target(AfxGetApp() != nullptr ? *AfxGetApp() : m_fallback)
    {
        m_target.BeginWaitCursor();
    }
    ~WaitCursor() { m_target.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    CCmdTarget m_fallback;
    CCmdTarget& m_target;
};

} // namespace

const int OptionsManager::SetDatabasePath(const wchar_t* pszDatabasePath)
{
    if (!VerifyFile(pszDatabasePath))
        return 0;
    m_strDatabasePath = pszDatabasePath;
    CleanUpOptionMaps(PanelMapSlots());
    m_bCompound = FALSE;
    return 1;
}

const int OptionsManager::SetDatabasePath(const wchar_t* pszDatabasePath,
                                          const wchar_t* pszStreamName)
{
    if (!VerifyFile(pszDatabasePath))
        return 0;
    m_strDatabasePath = pszDatabasePath;
    m_strStreamName = pszStreamName;
    CleanUpOptionMaps(PanelMapSlots());
    m_bCompound = TRUE;
    return 1;
}

const int OptionsManager::VerifyFile(const wchar_t* pszPath)
{
    CFileStatus status;
    return CFile::GetStatus(pszPath, status) ? 1 : 0;
}

const int OptionsManager::LoadDB()
{
    if (m_nPanelCount != -1)
        return 0;
    return LoadFromDisk();
}

const int OptionsManager::LoadFromDisk()
{
    // Read only, and let every other program read or write it.
    CFile file;
    CFileException openError;
    if (!file.Open(m_strDatabasePath, CFile::modeRead | CFile::shareDenyNone, &openError))
    {
        CString strMessage;
        strMessage.Format(kCannotOpen, m_strDatabasePath);
        ShowMessage(strMessage);
        return 0;
    }

    // A status or size problem is held back: a missing stream is the
    // message a compound database gets first.
    CString strHeldBack;
    CFileStatus status;
    if (!file.GetStatus(status))
        strHeldBack.Format(kCannotGetStatus, file.GetFilePath());
    else if (status.m_size <= kTruncatedSize)
        strHeldBack.Format(kTruncated, file.GetFilePath());

    if (m_bCompound && !SeekToCompoundEntry(file, m_strStreamName))
    {
        CString strMessage;
        strMessage.Format(kStreamNotFound, m_strStreamName, file.GetFilePath());
        ShowMessage(strMessage);
        return 0;
    }

    if (!strHeldBack.IsEmpty())
    {
        ShowMessage(strHeldBack);
        return 0;
    }

    int nResult = 1;
    {
        const WaitCursor busy;
        BYTE buffer[kArchiveBufferSize];
        CArchive ar(&file, CArchive::load, kArchiveBufferSize, buffer);
        ar.m_pDocument = nullptr;
        ar.m_bForceFlat = FALSE;
        try
        {
            Serialize(ar);
        }
        catch (CException* e)
        {
            ReportAndDelete(e);
            nResult = 0;
        }
        // Giving back what the archive read ahead seeks the file; a failure
        // there, or in closing, changes nothing that was loaded.
        try
        {
            ar.Close();
        }
        catch (CException* e)
        {
            ReportAndDelete(e);
        }
    }
    try
    {
        file.Close();
    }
    catch (CException* e)
    {
        ReportAndDelete(e);
    }
    return nResult;
}

const int OptionsManager::SeekToCompoundEntry(CFile& file, const wchar_t* pszStreamName)
{
    const CString strStreamName(pszStreamName);
    try
    {
        // A short read leaves the count with only the bytes that arrived;
        // one entry at a time, the first whose name matches wins.
        file.Seek(0, CFile::begin);
        return lumbrix_format::FindStream(file, strStreamName.Units()).found ? 1 : 0;
    }
    catch (CException* e)
    {
        // A failing seek or read ends the search.
        ReportAndDelete(e);
        return 0;
    }
}

void OptionsManager::Serialize(CArchive& ar)
{
    // The manager never writes the database.
    if (ar.IsStoring())
        return;

    try
    {
        CleanUpOptionMaps(PanelMapSlots());
        ar.GetObjectSchema();

        // The manager counts as loaded from here on, whatever follows.
        int nPanelCount = 0;
        ar >> nPanelCount;
        m_nPanelCount = nPanelCount;
        // There are only so many map slots: a file that declares more panels
        // is refused like any other damaged file.
        if (nPanelCount > kMaxPanels)
        {
            const CFile* pFile = ar.GetFile();
            AfxThrowArchiveException(CArchiveException::badIndex,
                                     pFile != nullptr ? pFile->GetFilePath().GetString() : nullptr);
        }
        // A negative count is refused here as an invalid argument.
        m_arrPanelNumbers.SetSize(nPanelCount, 1);

        for (int i = 0; i < nPanelCount; ++i)
        {
            m_pPanelMaps[i] = new CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>(10);
            unsigned int nPanel = 0;
            SerializePanel(ar, nPanel, m_pPanelMaps[i]);
            m_arrPanelNumbers[i] = nPanel;
        }
    }
    // File exceptions pass on as they are; anything else is announced first.
    catch (CFileException*)
    {
        throw;
    }
    catch (CException*)
    {
        ShowMessage(kUnknownReadError);
        throw;
    }
    catch (const std::bad_alloc&)
    {
        // Memory runs out as the framework's own exception, which the loader
        // reports and deletes.
        ShowMessage(kUnknownReadError);
        AfxThrowMemoryException();
    }
}

void OptionsManager::SerializePanel(CArchive& ar, unsigned int& nPanel, CMapStringToOb* pMap)
{
    if (!ar.IsLoading())
        return;

    ar >> nPanel;
    UINT nOptions = 0;
    ar >> nOptions;

    // Room in the map for every record at once; a damaged count gets no more
    // room than the rest of the file could fill.
    const ULONGLONG nFit = ar.GetBytesRemaining() / kSmallestRecord;
    pMap->InitHashTable(nOptions < nFit ? nOptions : static_cast<UINT>(nFit));

    // Records come one at a time, so a count larger than the data simply
    // runs into the end of the file; the record being read is then dropped.
    for (UINT k = 0; k < nOptions; ++k)
    {
        std::unique_ptr<OptionLocus> pLocus(new OptionLocus);
        pLocus->Serialize(ar);
        CObject*& pSlot = (*pMap)[pLocus->m_strName];
        // A later record of the same name replaces the earlier one.
        delete pSlot;
        pSlot = pLocus.release();
    }
}
