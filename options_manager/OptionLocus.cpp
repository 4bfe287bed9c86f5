// OptionLocus: one option of one panel, and its serialized body.
#include "lumbrix/OptionLocus.h"

#include <cstdint>
#include <new>

namespace
{

// The versionable bit plus the schema this record writes.
const UINT kSchemaWord = 0x80000002;
const UINT kVersionableBit = 0x80000000;
const UINT kFirstSchemaWithData3 = 2;

} // namespace

IMPLEMENT_SERIAL(OptionLocus, CObject, 0x80000002)

OptionLocus::OptionLocus()
    : m_nID(0), m_nTitleID(0), m_nData1(0), m_nData2(0), m_nNextPanel(0), m_nData3(0)
{
}

OptionLocus::OptionLocus(UINT nID, const wchar_t* pszName, UINT nTitleID, UINT nData1, UINT nData2,
                         UINT nData3)
    : m_nID(nID), m_strName(pszName), m_nTitleID(nTitleID), m_nData1(nData1), m_nData2(nData2),
      m_nNextPanel(0), m_nData3(nData3)
{
    m_arrNextIDs.SetSize(0, 5);
}

OptionLocus::~OptionLocus()
{
    m_arrNextIDs.RemoveAll();
    m_strName.Empty();
}

void OptionLocus::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.SetObjectSchema(kSchemaWord);
        ar << kSchemaWord;
        ar << m_nID;
        ar << m_strName;
        ar << m_nTitleID << m_nData1 << m_nData2 << m_nNextPanel << m_nData3;
        ar << static_cast<UINT>(m_arrNextIDs.GetSize());
        for (INT_PTR i = 0; i < m_arrNextIDs.GetSize(); ++i)
            ar << m_arrNextIDs[i];
        return;
    }

    UINT nSchemaWord = 0;
    ar >> nSchemaWord;
    ar.SetObjectSchema(nSchemaWord);
    const UINT nSchema = ar.GetObjectSchema() & ~kVersionableBit;

    ar >> m_nID;
    ar >> m_strName;
    ar >> m_nTitleID >> m_nData1 >> m_nData2 >> m_nNextPanel;
    if (nSchema >= kFirstSchemaWithData3)
        ar >> m_nData3;

    UINT nCount = 0;
    ar >> nCount;
    // Bit 31 makes the size negative, which the array refuses itself.
    const INT_PTR nSize = static_cast<std::int32_t>(nCount);
    // A damaged count must not make us ask for memory the file cannot fill.
    if (nSize > 0 && !ar.CanDeliver(static_cast<ULONGLONG>(nSize) * sizeof(UINT)))
        AfxThrowArchiveException(CArchiveException::endOfFile);
    try
    {
        m_arrNextIDs.SetSize(nSize, 1);
    }
    catch (const std::bad_alloc&)
    {
        AfxThrowMemoryException();
    }
    for (INT_PTR i = 0; i < nSize; ++i)
        ar >> m_arrNextIDs[i];
}
