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

    BOOL IsLoading() const;
    BOOL IsStoring() const;
    CFile* GetFile() const { return m_pFile; }

    // The schema of the object being loaded; reading it resets it to
    // 0xFFFFFFFF (no schema).
    UINT GetObjectSchema();
    void SetObjectSchema(UINT nSchema);

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
    BOOL CanDeliver(ULONGLONG nBytes) const;

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
    CArchive& operator>>(BYTE& by);
    CArchive& operator>>(WORD& w);
    CArchive& operator>>(short& s);
    CArchive& operator>>(int& i);
    CArchive& operator>>(UINT& u);
    CArchive& operator>>(LONGLONG& n);
    CArchive& operator>>(ULONGLONG& n);
#ifdef _WIN32
    CArchive& operator>>(LONG& l);
    CArchive& operator>>(DWORD& dw);
#endif

    friend AFX_API CArchive& operator<<(CArchive& ar, const CObject* pOb);
    friend AFX_API CArchive& operator>>(CArchive& ar, CObject*& pOb);

    void* m_pDocument = nullptr;
    BOOL m_bForceFlat = TRUE;

private:
    // The class and object tables of ReadObject / WriteObject, made on first use.
    struct Impl;

    void CheckLoading() const;
    void CheckStoring() const;
    void WriteNumber(ULONGLONG value, UINT nBytes);
    ULONGLONG ReadNumber(UINT nBytes);
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
