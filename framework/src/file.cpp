// CFile and CStdioFile over the platform's file operations.
#include "afx/file.h"

#include "platform/os.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace
{

platform::Os& Os()
{
    return platform::CurrentOs();
}

platform::FileOpenMode ModeOf(UINT flags)
{
    platform::FileOpenMode mode;
    switch (flags & 0x3)
    {
    case CFile::modeWrite:
        mode.read = false;
        mode.write = true;
        break;
    case CFile::modeReadWrite:
        mode.read = true;
        mode.write = true;
        break;
    default:
        break;
    }
    switch (flags & 0x70)
    {
    case CFile::shareExclusive:
        mode.denyRead = mode.denyWrite = true;
        break;
    case CFile::shareDenyWrite:
        mode.denyWrite = true;
        break;
    case CFile::shareDenyRead:
        mode.denyRead = true;
        break;
    default:
        break;
    }
    if (flags & CFile::modeCreate)
    {
        mode.create = true;
        mode.truncate = (flags & CFile::modeNoTruncate) == 0;
    }
    mode.noLinks = (flags & CFile::osNoLinks) != 0;
    return mode;
}

void FillStatus(const platform::FileInfo& info, const CString& fullName, CFileStatus& rStatus)
{
    rStatus.m_size = info.size;
    rStatus.m_attribute =
        static_cast<BYTE>((info.readOnly ? 0x01 : 0) | (info.directory ? 0x10 : 0));
    rStatus.m_mtime = info.modified;
    rStatus.m_szFullName = fullName;
}

} // namespace

CFile::CFile() : m_hFile(platform::kInvalidFile) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : m_hFile(platform::kInvalidFile)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (IsOpen())
        Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (IsOpen())
        Abort();
    const CString name(lpszFileName);
    m_strFileName = CString(Os().FullPath(name.Units()));
    platform::FileHandle handle = platform::kInvalidFile;
    const platform::FileOpenMode mode = ModeOf(nOpenFlags);
    const platform::Status status = platform::OpensForWriting(mode)
                                        ? Os().FileOpenForWriting(name.Units(), mode, handle)
                                        : Os().FileOpenForReading(name.Units(), mode, handle);
    if (status != platform::kSuccess)
    {
        if (pError != nullptr)
        {
            pError->m_lOsError = status;
            pError->m_cause = CFileException::OsErrorToException(status);
            pError->m_strFileName = name;
        }
        m_strFileName.Empty();
        return FALSE;
    }
    m_hFile = handle;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    std::uint32_t read = 0;
    const platform::Status status = Os().FileRead(m_hFile, lpBuf, nCount, read);
    if (status != platform::kSuccess)
        ThrowOsError(status);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    const platform::Status status = Os().FileWrite(m_hFile, lpBuf, nCount);
    if (status != platform::kSuccess)
        ThrowOsError(status);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    const platform::SeekOrigin origin = nFrom == begin     ? platform::SeekOrigin::Begin
                                        : nFrom == current ? platform::SeekOrigin::Current
                                                           : platform::SeekOrigin::End;
    std::uint64_t position = 0;
    const platform::Status status = Os().FileSeek(m_hFile, lOff, origin, position);
    if (status != platform::kSuccess)
        ThrowOsError(status);
    return position;
}

ULONGLONG CFile::GetPosition() const
{
    std::uint64_t position = 0;
    const platform::Status status =
        Os().FileSeek(m_hFile, 0, platform::SeekOrigin::Current, position);
    if (status != platform::kSuccess)
        ThrowOsError(status);
    return position;
}

ULONGLONG CFile::GetLength() const
{
    std::uint64_t size = 0;
    const platform::Status status = Os().FileSize(m_hFile, size);
    if (status != platform::kSuccess)
        ThrowOsError(status);
    return size;
}

void CFile::Flush()
{
    if (!IsOpen())
        return;
    const platform::Status status = Os().FileFlush(m_hFile);
    if (status != platform::kSuccess)
        ThrowOsError(status);
}

void CFile::Close()
{
    platform::Status status = platform::kSuccess;
    if (IsOpen())
        status = Os().FileClose(m_hFile);
    m_hFile = platform::kInvalidFile;
    if (status != platform::kSuccess)
        ThrowOsError(status);
    m_strFileName.Empty();
}

void CFile::Abort()
{
    if (IsOpen())
        Os().FileClose(m_hFile);
    m_hFile = platform::kInvalidFile;
    m_strFileName.Empty();
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const
{
    platform::FileInfo info;
    if (!IsOpen() || Os().FileStatusByHandle(m_hFile, info) != platform::kSuccess)
        return FALSE;
    FillStatus(info, m_strFileName, rStatus);
    return TRUE;
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus)
{
    const CString name(lpszFileName);
    platform::FileInfo info;
    if (name.IsEmpty() || Os().FileStatusByName(name.Units(), info) != platform::kSuccess)
        return FALSE;
    FillStatus(info, CString(Os().FullPath(name.Units())), rStatus);
    return TRUE;
}

CString CFile::GetFileName() const
{
    const int slash = m_strFileName.ReverseFind(static_cast<wchar_t>(platform::kPathSeparator));
    return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

void CFile::ThrowOsError(platform::Status status) const
{
    CFileException::ThrowOsError(static_cast<LONG>(status), m_strFileName);
}

CStdioFile::CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    m_binary = (nOpenFlags & typeBinary) != 0;
    m_pending.clear();
    return CFile::Open(lpszFileName, nOpenFlags & ~static_cast<UINT>(typeText | typeBinary),
                       pError);
}

void CStdioFile::WriteString(LPCTSTR lpsz)
{
    // Text that the code page cannot take is a failed write, never an empty one.
    std::string bytes;
    if (!platform::TextToAnsi(CString(lpsz).Units(), bytes))
        ThrowOsError(platform::kErrorNoUnicodeTranslation);
    if (!m_binary)
        bytes = platform::WithCarriageReturns(bytes);
    if (bytes.size() > std::numeric_limits<UINT>::max())
        AfxThrowFileException(CFileException::genericException, -1, m_strFileName);
    Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

BOOL CStdioFile::ReadString(CString& rString)
{
    std::string line;
    bool any = false;
    for (;;)
    {
        if (m_pending.empty())
        {
            char chunk[512];
            const UINT got = CFile::Read(chunk, sizeof(chunk));
            if (got == 0)
                break;
            m_pending.assign(chunk, got);
        }
        any = true;
        const std::size_t newline = m_pending.find('\n');
        if (newline == std::string::npos)
        {
            line += m_pending;
            m_pending.clear();
            continue;
        }
        line.append(m_pending, 0, newline);
        m_pending.erase(0, newline + 1);
        if (!m_binary && !line.empty() && line.back() == '\r')
            line.pop_back();
        rString = CString(line.data(), static_cast<int>(line.size()));
        return TRUE;
    }
    if (!any)
    {
        rString.Empty();
        return FALSE;
    }
    if (!m_binary && !line.empty() && line.back() == '\r')
        line.pop_back();
    rString = CString(line.data(), static_cast<int>(line.size()));
    return TRUE;
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount)
{
    UINT taken = 0;
    if (!m_pending.empty())
    {
        taken = static_cast<UINT>(std::min<std::size_t>(nCount, m_pending.size()));
        m_pending.copy(static_cast<char*>(lpBuf), taken);
        m_pending.erase(0, taken);
    }
    if (taken < nCount)
        taken += CFile::Read(static_cast<char*>(lpBuf) + taken, nCount - taken);
    return taken;
}

ULONGLONG CStdioFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (nFrom == current)
        lOff -= static_cast<LONGLONG>(m_pending.size());
    m_pending.clear();
    return CFile::Seek(lOff, nFrom);
}

void CStdioFile::Close()
{
    m_pending.clear();
    CFile::Close();
}

void CStdioFile::Abort()
{
    m_pending.clear();
    CFile::Abort();
}

UINT CMemFile::Read(void* lpBuf, UINT nCount)
{
    const std::size_t nLeft = m_nPosition < m_data.size() ? m_data.size() - m_nPosition : 0;
    const std::size_t nRead = std::min<std::size_t>(nCount, nLeft);
    if (nRead != 0)
        std::memcpy(lpBuf, m_data.data() + m_nPosition, nRead);
    m_nPosition += nRead;
    return static_cast<UINT>(nRead);
}

void CMemFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    if (m_nPosition > m_data.size())
        m_data.resize(m_nPosition, '\0');
    m_data.replace(m_nPosition, std::min<std::size_t>(nCount, m_data.size() - m_nPosition),
                   static_cast<const char*>(lpBuf), nCount);
    m_nPosition += nCount;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom)
{
    const LONGLONG nBase = nFrom == begin     ? 0
                           : nFrom == current ? static_cast<LONGLONG>(m_nPosition)
                                              : static_cast<LONGLONG>(m_data.size());
    if (lOff < -nBase)
        AfxThrowFileException(CFileException::badSeek, platform::kErrorNegativeSeek, m_strFileName);
    m_nPosition = static_cast<std::size_t>(nBase + lOff);
    return m_nPosition;
}
