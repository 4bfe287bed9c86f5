// CArchive: buffered little-endian reading and writing over a CFile, the
// framework's string form and its class-tagged objects.
#include "afx/archive.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

namespace
{

const UINT kMinOwnBuffer = 128;
// The widest number the archive reads or writes must fit in the buffer.
const int kMinUserBuffer = 8;

// Tags of the framework's object references.
const WORD kNullTag = 0;
const WORD kNewClassTag = 0xFFFF;
const WORD kClassTag = 0x8000;
const WORD kBigObjectTag = 0x7FFF;
const DWORD kBigClassTag = 0x80000000;
const UINT kVersionableSchema = 0x80000000;
// Class names of this length or more are refused, as the framework does.
const WORD kMaxClassName = 64;

// Payloads up to this size are read through a buffer on the stack.
const std::size_t kStackPayload = 128;
const SCODE kArithmeticOverflow = static_cast<SCODE>(0x80070216U);

UINT Span(const BYTE* from, const BYTE* to)
{
    return static_cast<UINT>(to - from);
}

// UTF-16 code units from their little-endian bytes.
void DecodeUnits(const BYTE* bytes, CString::XCHAR* units, std::size_t count)
{
#if defined(_WIN32) || (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
    // The bytes already are the units.
    static_assert(sizeof(CString::XCHAR) == 2, "a code unit is two bytes");
    if (count > 0)
        std::memcpy(units, bytes, count * sizeof(CString::XCHAR));
#else
    for (std::size_t i = 0; i < count; ++i)
        units[i] = static_cast<CString::XCHAR>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
#endif
}

} // namespace

struct CArchive::Impl
{
    // One entry per class or object read, in the order of their indexes;
    // index 0 is the null object.
    struct Loaded
    {
        CRuntimeClass* pClass;
        CObject* pObject;
        UINT nSchema;
    };
    std::vector<Loaded> loaded{Loaded{nullptr, nullptr, 0}};

    // Indexes of what was written, shared by classes and objects.
    std::unordered_map<const CRuntimeClass*, DWORD> storedClasses;
    std::unordered_map<const CObject*, DWORD> storedObjects;
    DWORD nNextStored = 1;
};

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf)
    : m_pFile(pFile), m_nMode(nMode)
{
    if (pFile == nullptr)
        AfxThrowInvalidArgException();
    if (lpBuf != nullptr)
    {
        if (nBufSize < kMinUserBuffer)
            AfxThrowInvalidArgException();
        m_lpBufStart = static_cast<BYTE*>(lpBuf);
        m_nBufSize = static_cast<UINT>(nBufSize);
        m_bUserBuf = TRUE;
    }
    else
    {
        m_nBufSize = nBufSize > static_cast<int>(kMinOwnBuffer) ? static_cast<UINT>(nBufSize)
                                                                : kMinOwnBuffer;
        m_lpBufStart = new (std::nothrow) BYTE[m_nBufSize];
        if (m_lpBufStart == nullptr)
            AfxThrowMemoryException();
    }
    m_lpBufCur = m_lpBufStart;
    m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
}

CArchive::~CArchive()
{
    // A destructor cannot pass a failure on: callers who care call Close.
    if (m_pFile != nullptr && (m_nMode & bNoFlushOnDelete) == 0)
    {
        try
        {
            Close();
        }
        catch (CException* e)
        {
            e->Delete();
        }
    }
    Abort();
}

void CArchive::CheckLoading() const
{
    if (m_pFile == nullptr)
        AfxThrowArchiveException(CArchiveException::genericException);
    if (!IsLoading())
        AfxThrowArchiveException(CArchiveException::writeOnly, m_pFile->GetFilePath());
}

void CArchive::CheckStoring() const
{
    if (m_pFile == nullptr)
        AfxThrowArchiveException(CArchiveException::genericException);
    if (IsLoading())
        AfxThrowArchiveException(CArchiveException::readOnly, m_pFile->GetFilePath());
}

UINT CArchive::Read(void* lpBuf, UINT nMax)
{
    if (nMax == 0)
        return 0;
    CheckLoading();
    BYTE* out = static_cast<BYTE*>(lpBuf);
    UINT nLeft = nMax;
    while (nLeft > 0)
    {
        const UINT nBuffered = Span(m_lpBufCur, m_lpBufMax);
        if (nBuffered > 0)
        {
            const UINT nChunk = nBuffered < nLeft ? nBuffered : nLeft;
            std::memcpy(out, m_lpBufCur, nChunk);
            m_lpBufCur += nChunk;
            out += nChunk;
            nLeft -= nChunk;
            continue;
        }
        // Large remainders go straight to the caller's memory.
        if (nLeft >= m_nBufSize)
        {
            const UINT nRead = m_pFile->Read(out, nLeft);
            if (nRead == 0)
                break;
            out += nRead;
            nLeft -= nRead;
            continue;
        }
        m_lpBufCur = m_lpBufMax = m_lpBufStart;
        const UINT nRead = m_pFile->Read(m_lpBufStart, m_nBufSize);
        if (nRead == 0)
            break;
        m_lpBufMax = m_lpBufStart + nRead;
    }
    return nMax - nLeft;
}

void CArchive::Write(const void* lpBuf, UINT nMax)
{
    if (nMax == 0)
        return;
    CheckStoring();
    if (nMax > Span(m_lpBufCur, m_lpBufMax))
    {
        Flush();
        if (nMax >= m_nBufSize)
        {
            m_pFile->Write(lpBuf, nMax);
            return;
        }
    }
    std::memcpy(m_lpBufCur, lpBuf, nMax);
    m_lpBufCur += nMax;
}

void CArchive::FillBuffer(UINT nAdditionalBytesNeeded)
{
    CheckLoading();
    const UINT nUnused = Span(m_lpBufCur, m_lpBufMax);
    const ULONGLONG nTotalNeeded = static_cast<ULONGLONG>(nUnused) + nAdditionalBytesNeeded;
    if (nTotalNeeded > m_nBufSize)
        AfxThrowInvalidArgException();
    if (m_lpBufCur != m_lpBufStart)
    {
        std::memmove(m_lpBufStart, m_lpBufCur, nUnused);
        m_lpBufCur = m_lpBufStart;
        m_lpBufMax = m_lpBufStart + nUnused;
    }
    while (Span(m_lpBufCur, m_lpBufMax) < nTotalNeeded)
    {
        const UINT nRead = m_pFile->Read(m_lpBufMax, m_nBufSize - Span(m_lpBufStart, m_lpBufMax));
        if (nRead == 0)
            AfxThrowArchiveException(CArchiveException::endOfFile);
        m_lpBufMax += nRead;
    }
}

ULONGLONG CArchive::GetBytesRemaining() const
{
    if (m_pFile == nullptr || !IsLoading())
        return 0;
    const ULONGLONG nLength = m_pFile->GetLength();
    const ULONGLONG nPosition = m_pFile->GetPosition();
    return Span(m_lpBufCur, m_lpBufMax) + (nLength > nPosition ? nLength - nPosition : 0);
}

void CArchive::Flush()
{
    if (m_pFile == nullptr)
        return;
    if (IsLoading())
    {
        // Give back what was read ahead, so the file stands after the last
        // byte the archive delivered.
        if (m_lpBufMax != m_lpBufCur)
            m_pFile->Seek(-static_cast<LONGLONG>(Span(m_lpBufCur, m_lpBufMax)), CFile::current);
        m_lpBufCur = m_lpBufMax = m_lpBufStart;
        return;
    }
    if (m_lpBufCur != m_lpBufStart)
    {
        m_pFile->Write(m_lpBufStart, Span(m_lpBufStart, m_lpBufCur));
        m_lpBufCur = m_lpBufStart;
    }
}

void CArchive::Close()
{
    if (m_pFile == nullptr)
        return;
    Flush();
    m_pFile = nullptr;
}

void CArchive::Abort()
{
    if (!m_bUserBuf)
        delete[] m_lpBufStart;
    m_lpBufStart = m_lpBufCur = m_lpBufMax = nullptr;
    m_nBufSize = 0;
    delete m_pImpl;
    m_pImpl = nullptr;
    m_pFile = nullptr;
}

void CArchive::WriteNumber(ULONGLONG value, UINT nBytes)
{
    CheckStoring();
    if (Span(m_lpBufCur, m_lpBufMax) < nBytes)
        Flush();
    for (UINT i = 0; i < nBytes; ++i)
        *m_lpBufCur++ = static_cast<BYTE>(value >> (8 * i));
}

ULONGLONG CArchive::ReadNumberFromFile(UINT nBytes)
{
    CheckLoading();
    const UINT nBuffered = Span(m_lpBufCur, m_lpBufMax);
    if (nBuffered < nBytes)
        FillBuffer(nBytes - nBuffered);
    return TakeNumber(nBytes);
}

CArchive& CArchive::operator<<(BYTE by)
{
    WriteNumber(by, 1);
    return *this;
}

CArchive& CArchive::operator<<(WORD w)
{
    WriteNumber(w, 2);
    return *this;
}

CArchive& CArchive::operator<<(short s)
{
    WriteNumber(static_cast<WORD>(s), 2);
    return *this;
}

CArchive& CArchive::operator<<(int i)
{
    WriteNumber(static_cast<UINT>(i), 4);
    return *this;
}

CArchive& CArchive::operator<<(UINT u)
{
    WriteNumber(u, 4);
    return *this;
}

CArchive& CArchive::operator<<(LONGLONG n)
{
    WriteNumber(static_cast<ULONGLONG>(n), 8);
    return *this;
}

CArchive& CArchive::operator<<(ULONGLONG n)
{
    WriteNumber(n, 8);
    return *this;
}

#ifdef _WIN32
CArchive& CArchive::operator<<(LONG l)
{
    WriteNumber(static_cast<ULONG>(l), 4);
    return *this;
}

CArchive& CArchive::operator<<(DWORD dw)
{
    WriteNumber(dw, 4);
    return *this;
}
#endif

CArchive::Impl& CArchive::Tables()
{
    if (m_pImpl == nullptr)
    {
        m_pImpl = new (std::nothrow) Impl;
        if (m_pImpl == nullptr)
            AfxThrowMemoryException();
    }
    return *m_pImpl;
}

void CArchive::WriteIndex(DWORD nIndex, BOOL bClass)
{
    if (nIndex < kBigObjectTag)
    {
        *this << static_cast<WORD>(bClass ? (nIndex | kClassTag) : nIndex);
        return;
    }
    *this << kBigObjectTag;
    *this << static_cast<UINT>(bClass ? (nIndex | kBigClassTag) : nIndex);
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef)
{
    Impl& tables = Tables();
    const auto found = tables.storedClasses.find(pClassRef);
    if (found != tables.storedClasses.end())
    {
        WriteIndex(found->second, TRUE);
        return;
    }
    const std::size_t nLength = std::strlen(pClassRef->m_lpszClassName);
    if (nLength >= kMaxClassName)
        AfxThrowArchiveException(CArchiveException::badClass);
    *this << kNewClassTag;
    // Only the schema's low word is stored; the versionable bit is the class's.
    *this << static_cast<WORD>(pClassRef->m_wSchema);
    *this << static_cast<WORD>(nLength);
    Write(pClassRef->m_lpszClassName, static_cast<UINT>(nLength));
    tables.storedClasses[pClassRef] = tables.nNextStored++;
}

void CArchive::WriteObject(const CObject* pOb)
{
    CheckStoring();
    if (pOb == nullptr)
    {
        *this << kNullTag;
        return;
    }
    Impl& tables = Tables();
    const auto found = tables.storedObjects.find(pOb);
    if (found != tables.storedObjects.end())
    {
        WriteIndex(found->second, FALSE);
        return;
    }
    if (!pOb->IsSerializable())
        AfxThrowArchiveException(CArchiveException::badClass);
    WriteClass(pOb->GetRuntimeClass());
    tables.storedObjects[pOb] = tables.nNextStored++;
    // Writing does not change the object; Serialize is one member for both ways.
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT& nSchema,
                                   DWORD& obTag)
{
    WORD wTag = 0;
    *this >> wTag;
    if (wTag == kBigObjectTag)
    {
        UINT nBigTag = 0;
        *this >> nBigTag;
        obTag = nBigTag;
    }
    else
    {
        obTag =
            (static_cast<DWORD>(wTag & kClassTag) << 16) | static_cast<DWORD>(wTag & ~kClassTag);
    }
    if ((obTag & kBigClassTag) == 0)
        return nullptr;

    Impl& tables = Tables();
    CRuntimeClass* pClassRef = nullptr;
    if (wTag == kNewClassTag)
    {
        WORD wSchema = 0;
        WORD nLength = 0;
        *this >> wSchema >> nLength;
        if (nLength >= kMaxClassName)
            AfxThrowArchiveException(CArchiveException::badClass);
        char name[kMaxClassName];
        if (Read(name, nLength) != nLength)
            AfxThrowArchiveException(CArchiveException::endOfFile);
        name[nLength] = '\0';
        pClassRef = CRuntimeClass::FromName(name);
        if (pClassRef == nullptr || pClassRef->m_wSchema == 0xFFFF)
            AfxThrowArchiveException(CArchiveException::badClass);
        // A versionable class reads every schema; any other only its own.
        if ((pClassRef->m_wSchema & ~kVersionableSchema) != wSchema &&
            (pClassRef->m_wSchema & kVersionableSchema) == 0)
            AfxThrowArchiveException(CArchiveException::badSchema);
        nSchema = wSchema;
        tables.loaded.push_back(Impl::Loaded{pClassRef, nullptr, nSchema});
    }
    else
    {
        const DWORD nIndex = obTag & ~kBigClassTag;
        if (nIndex == 0 || nIndex >= tables.loaded.size() ||
            tables.loaded[nIndex].pClass == nullptr)
            AfxThrowArchiveException(CArchiveException::badIndex);
        pClassRef = tables.loaded[nIndex].pClass;
        nSchema = tables.loaded[nIndex].nSchema;
    }
    if (pClassRefRequested != nullptr && !pClassRef->IsDerivedFrom(pClassRefRequested))
        AfxThrowArchiveException(CArchiveException::badClass);
    return pClassRef;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested)
{
    CheckLoading();
    UINT nSchema = 0;
    DWORD obTag = 0;
    CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, nSchema, obTag);
    Impl& tables = Tables();
    if (pClassRef == nullptr)
    {
        if (obTag >= tables.loaded.size() || tables.loaded[obTag].pClass != nullptr)
            AfxThrowArchiveException(CArchiveException::badIndex);
        CObject* pOb = tables.loaded[obTag].pObject;
        if (pOb != nullptr && pClassRefRequested != nullptr && !pOb->IsKindOf(pClassRefRequested))
            AfxThrowArchiveException(CArchiveException::badClass);
        return pOb;
    }

    CObject* pOb = nullptr;
    try
    {
        pOb = pClassRef->CreateObject();
    }
    catch (const std::bad_alloc&)
    {
        AfxThrowMemoryException();
    }
    if (pOb == nullptr)
        AfxThrowMemoryException();
    const std::size_t nIndex = tables.loaded.size();
    tables.loaded.push_back(Impl::Loaded{nullptr, pOb, 0});

    const UINT nSavedSchema = m_nObjectSchema;
    m_nObjectSchema = nSchema;
    try
    {
        pOb->Serialize(*this);
    }
    catch (...)
    {
        // The caller never receives a half-read object.
        tables.loaded[nIndex].pObject = nullptr;
        delete pOb;
        m_nObjectSchema = nSavedSchema;
        throw;
    }
    m_nObjectSchema = nSavedSchema;
    return pOb;
}

CArchive& operator<<(CArchive& ar, const CObject* pOb)
{
    ar.WriteObject(pOb);
    return ar;
}

CArchive& operator>>(CArchive& ar, CObject*& pOb)
{
    pOb = ar.ReadObject(nullptr);
    return ar;
}

UINT_PTR AfxReadStringLength(CArchive& ar, int& nCharSize)
{
    nCharSize = 1;
    BYTE bLength = 0;
    ar >> bLength;
    if (bLength < 0xFF)
        return bLength;

    WORD wLength = 0;
    ar >> wLength;
    if (wLength == 0xFFFE)
    {
        nCharSize = 2;
        ar >> bLength;
        if (bLength < 0xFF)
            return bLength;
        ar >> wLength;
    }
    if (wLength < 0xFFFE)
        return wLength;

    UINT dwLength = 0;
    ar >> dwLength;
    if (dwLength < 0xFFFFFFFF)
        return dwLength;
    // The 64-bit escape: no writer of ours produces it, and no string that
    // long fits in the framework's string.
    AfxThrowArchiveException(CArchiveException::badIndex);
}

void AfxWriteStringLength(CArchive& ar, UINT_PTR nLength, BOOL bUnicode)
{
    if (bUnicode)
    {
        ar << static_cast<BYTE>(0xFF);
        ar << static_cast<WORD>(0xFFFE);
    }
    if (nLength < 0xFF)
    {
        ar << static_cast<BYTE>(nLength);
        return;
    }
    ar << static_cast<BYTE>(0xFF);
    if (nLength < 0xFFFE)
    {
        ar << static_cast<WORD>(nLength);
        return;
    }
    ar << static_cast<WORD>(0xFFFF);
    if (nLength < 0xFFFFFFFF)
    {
        ar << static_cast<UINT>(nLength);
        return;
    }
    ar << static_cast<UINT>(0xFFFFFFFF);
    ar << static_cast<ULONGLONG>(nLength);
}

CArchive& operator<<(CArchive& ar, const CString& str)
{
    const CString::XString& units = str.Units();
    AfxWriteStringLength(ar, units.size(), TRUE);
    BYTE chunk[256];
    std::size_t nFilled = 0;
    for (const CString::XCHAR unit : units)
    {
        const auto value = static_cast<std::uint16_t>(unit);
        chunk[nFilled++] = static_cast<BYTE>(value & 0xFF);
        chunk[nFilled++] = static_cast<BYTE>(value >> 8);
        if (nFilled == sizeof(chunk))
        {
            ar.Write(chunk, static_cast<UINT>(nFilled));
            nFilled = 0;
        }
    }
    ar.Write(chunk, static_cast<UINT>(nFilled));
    return ar;
}

CArchive& operator>>(CArchive& ar, CString& str)
{
    int nCharSize = 1;
    const UINT_PTR nLength = AfxReadStringLength(ar, nCharSize);
    ULONGLONG nBytes = nLength;
    if (nCharSize == 2)
    {
        if (nLength > 0x7FFFFFFF)
            AfxThrowOleException(kArithmeticOverflow);
        nBytes = static_cast<ULONGLONG>(nLength) * 2;
    }
    // A damaged length must not make us ask for memory the file cannot fill.
    if (!ar.CanDeliver(nBytes))
        AfxThrowArchiveException(CArchiveException::endOfFile);
    if (nLength > static_cast<UINT_PTR>(INT_MAX))
        AfxThrowMemoryException();

    // Text that the buffer holds is decoded where it lies; any other is
    // read into memory of its own first.
    BYTE onStack[kStackPayload];
    std::unique_ptr<BYTE[]> onHeap;
    const BYTE* payload = ar.m_lpBufCur;
    if (ar.IsBuffered(nBytes))
    {
        ar.m_lpBufCur += nBytes;
    }
    else
    {
        BYTE* target = onStack;
        if (nBytes > kStackPayload)
        {
            onHeap.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(nBytes)]);
            if (!onHeap)
                AfxThrowMemoryException();
            target = onHeap.get();
        }
        if (ar.Read(target, static_cast<UINT>(nBytes)) != nBytes)
            AfxThrowArchiveException(CArchiveException::endOfFile);
        payload = target;
    }

    try
    {
        if (nCharSize == 1)
        {
            str = CString(reinterpret_cast<const char*>(payload), static_cast<int>(nLength));
        }
        else
        {
            CString::XString units(static_cast<std::size_t>(nLength), CString::XCHAR());
            DecodeUnits(payload, units.data(), units.size());
            str = CString(std::move(units));
        }
    }
    catch (const std::bad_alloc&)
    {
        AfxThrowMemoryException();
    }
    return ar;
}
