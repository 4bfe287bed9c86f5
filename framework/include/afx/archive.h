// CArchive: an object's bytes written to or read from a CFile through a
// buffer, little-endian, with the framework's string form and object schema.
#pragma once

#include "afx/exceptions.h"
#include "afx/file.h"
#include "afx/object.h"
#include "afx/string.h"

class AFX_API CArchive
{
public:
    enum Mode : UINT
    {
        store = 0,
        load = 1,
        bNoFlushOnDelete = 2,
        bNoByteSwap = 4
    };

    // lpBuf: a buffer of nBufSize bytes owned by the caller, or null for one
    // of the archive's own.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0 ? TRUE : FALSE; }
    BOOL IsStoring() const { return (m_nMode & load) == 0 ? TRUE : FALSE; }
    CFile* GetFile() const { return m_pFile; }

    // The schema of the object being loaded; reading it resets it to
    // 0xFFFFFFFF (no schema).
    UINT GetObjectSchema()
    {
        const UINT nSchema = m_nObjectSchema;
        m_nObjectSchema = 0xFFFFFFFF;
        return nSchema;
    }
    void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

    // Reads up to nMax bytes (fewer only at the end of the data).
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Makes at least nAdditionalBytesNeeded more bytes available in the
    // buffer, or raises CArchiveException (endOfFile).
    void FillBuffer(UINT nAdditionalBytesNeeded);
    // How many bytes a loading archive can still deliver: what is buffered
    // plus what remains of the file.
    ULONGLONG GetBytesRemaining() const;
    // Whether a loading archive can still deliver nBytes. The file is asked
    // only when the buffer does not already hold them, which keeps checks of
    // small items free of system calls.
    BOOL CanDeliver(ULONGLONG nBytes) const
    {
        if (IsBuffered(nBytes))
            return TRUE;
        return nBytes <= GetBytesRemaining() ? TRUE : FALSE;
    }

    void Flush();
    void Close();
    void Abort();

    // Objects with class tags (the framework's object references).
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
    void WriteObject(const CObject* pOb);

    CArchive& operator<<(BYTE by);
    CArchive& operator<<(WORD w);
    CArchive& operator<<(short s);
    CArchive& operator<<(int i);
    CArchive& operator<<(UINT u);
    CArchive& operator<<(LONGLONG n);
    CArchive& operator<<(ULONGLONG n);
#ifdef _WIN32
    CArchive& operator<<(LONG l);
    CArchive& operator<<(DWORD dw);
#endif
    // Reading is inline: a record's fields are taken straight from the
    // buffer, and only an empty buffer or a refused archive costs a call.
    CArchive& operator>>(BYTE& by)
    {
        by = static_cast<BYTE>(ReadNumber(1));
        return *this;
    }
    CArchive& operator>>(WORD& w)
    {
        w = static_cast<WORD>(ReadNumber(2));
        return *this;
    }
    CArchive& operator>>(short& s)
    {
        s = static_cast<short>(static_cast<WORD>(ReadNumber(2)));
        return *this;
    }
    CArchive& operator>>(int& i)
    {
        i = static_cast<int>(static_cast<UINT>(ReadNumber(4)));
        return *this;
    }
    CArchive& operator>>(UINT& u)
    {
        u = static_cast<UINT>(ReadNumber(4));
        return *this;
    }
    CArchive& operator>>(LONGLONG& n)
    {
        n = static_cast<LONGLONG>(ReadNumber(8));
        return *this;
    }
    CArchive& operator>>(ULONGLONG& n)
    {
        n = ReadNumber(8);
        return *this;
    }
#ifdef _WIN32
    CArchive& operator>>(LONG& l)
    {
        l = static_cast<LONG>(static_cast<ULONG>(ReadNumber(4)));
        return *this;
    }
    CArchive& operator>>(DWORD& dw)
    {
        dw = static_cast<DWORD>(ReadNumber(4));
        return *this;
    }
#endif

    friend AFX_API CArchive& operator<<(CArchive& ar, const CObject* pOb);
    friend AFX_API CArchive& operator>>(CArchive& ar, CObject*& pOb);
    // Decodes a string where it lies in the buffer.
    friend AFX_API CArchive& operator>>(CArchive& ar, CString& str);

    void* m_pDocument = nullptr;
    BOOL m_bForceFlat = TRUE;

private:
    // The class and object tables of ReadObject / WriteObject, made on first use.
    struct Impl;

    void CheckLoading() const;
    void CheckStoring() const;
    void WriteNumber(ULONGLONG value, UINT nBytes);
    // Whether a loading archive holds nBytes in its buffer.
    bool IsBuffered(ULONGLONG nBytes) const
    {
        return m_pFile != nullptr && (m_nMode & load) != 0 &&
               nBytes <= static_cast<ULONGLONG>(m_lpBufMax - m_lpBufCur);
    }
    // A little-endian number of nBytes (1, 2, 4 or 8) from the buffer, which
    // holds them. Written out per width, so that each becomes one load.
    ULONGLONG TakeNumber(UINT nBytes)
    {
        const BYTE* p = m_lpBufCur;
        m_lpBufCur += nBytes;
        const auto at = [p](UINT i) { return static_cast<ULONGLONG>(p[i]) << (8 * i); };
        switch (nBytes)
        {
        case 1:
            return at(0);
        case 2:
            return at(0) | at(1);
        case 4:
            return at(0) | at(1) | at(2) | at(3);
        default:
            return at(0) | at(1) | at(2) | at(3) | at(4) | at(5) | at(6) | at(7);
        }
    }
    ULONGLONG ReadNumber(UINT nBytes)
    {
        return IsBuffered(nBytes) ? TakeNumber(nBytes) : ReadNumberFromFile(nBytes);
    }
    // The rest of ReadNumber: refuses an archive that cannot load, and fills
    // the buffer first.
    ULONGLONG ReadNumberFromFile(UINT nBytes);
    Impl& Tables();
    CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested, UINT& nSchema, DWORD& obTag);
    void WriteClass(const CRuntimeClass* pClassRef);
    void WriteIndex(DWORD nIndex, BOOL bClass);

    Impl* m_pImpl = nullptr;
    CFile* m_pFile;
    UINT m_nMode;
    UINT m_nObjectSchema = 0xFFFFFFFF;
    BYTE* m_lpBufStart = nullptr;
    BYTE* m_lpBufCur = nullptr;
    BYTE* m_lpBufMax = nullptr;
    UINT m_nBufSize = 0;
    BOOL m_bUserBuf = FALSE;
};

// The framework's string form: always the Unicode form when writing; both
// forms, with every length escape, when reading.
AFX_API CArchive& operator<<(CArchive& ar, const CString& str);
AFX_API CArchive& operator>>(CArchive& ar, CString& str);

// The length prefix of a string; nCharSize receives 1 or 2.
AFX_API UINT_PTR AfxReadStringLength(CArchive& ar, int& nCharSize);
AFX_API void AfxWriteStringLength(CArchive& ar, UINT_PTR nLength, BOOL bUnicode);
