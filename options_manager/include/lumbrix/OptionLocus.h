// OptionLocus: one option of one panel of an options database.
#pragma once

#include <afxcoll.h>

#include "lumbrix/Export.h"

class CArchive;

class LUMBRIX_API OptionLocus : public CObject
{
    DECLARE_SERIAL(OptionLocus)

public:
    OptionLocus();
    OptionLocus(UINT nID, const wchar_t* pszName, UINT nTitleID, UINT nData1, UINT nData2,
                UINT nData3);
    ~OptionLocus() override;

    void Serialize(CArchive& ar) override;

    UINT m_nID;
    CString m_strName;
    UINT m_nTitleID;
    UINT m_nData1;
    UINT m_nData2;
    UINT m_nNextPanel;
    CUIntArray m_arrNextIDs;
    UINT m_nData3;
};
