// CFile and CStdioFile: files as the framework opens, reads and writes them.
#pragma once

#include "afx/exceptions.h"
#include "afx/object.h"
#include "afx/string.h"
#include "platform/file.h"

#include <string>

struct CFileStatus
{
    ULONGLONG m_size = 0;
    BYTE m_attribute = 0; // 0x01 read-only, 0x10 directory
    LONGLONG m_mtime = 0; // seconds since 1970
    CString m_szFullName;
};

class AFX_API CFile : public CObject
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        // Refuses a link anywhere on the path (a folder on the way or the
        // file), and a file with more than one name: what an elevated
        // program opens.
        osNoLinks = 0x00100000
    };
    enum SeekPosition : UINT
    {
        begin = 0x0,
        current = 0x1,
        end = 0x2
    };

    CFile();
    // Opens the file or raises CFileException.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    // Closes an open file; errors are not raised here.
    ~CFile() override;

    // FALSE on failure, with the failure in *pError when given.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void Flush();
    virtual void Close();
    // Closes without raising anything.
    virtual void Abort();

    BOOL GetStatus(CFileStatus& rStatus) const;
    static BOOL GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus);

    // Full path of the open file; its name alone.
    virtual CString GetFilePath() const { return m_strFileName; }
    virtual CString GetFileName() const;

    BOOL IsOpen() const { return m_hFile != platform::kInvalidFile; }

    platform::FileHandle m_hFile;

protected:
    [[noreturn]] void ThrowOsError(platform::Status status) const;

    CString m_strFileName;
};

// A file of 8-bit text: in text mode (the default) every line feed written
// is stored as CR LF and characters are converted to the ANSI code page.
class AFX_API CStdioFile : public CFile
{
public:
    CStdioFile() = default;
    CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags);

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    virtual void WriteString(LPCTSTR lpsz);
    // One line without its line end; FALSE at the end of the file.
    virtual BOOL ReadString(CString& rString);
    UINT Read(void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    void Close() override;
    void Abort() override;

private:
    bool m_binary = false;
    std::string m_pending; // bytes read ahead by ReadString
};

// A file held in memory: an archive stored into one is written elsewhere
// afterwards in one piece (a file replaced whole, never half-written).
class AFX_API CMemFile : public CFile
{
public:
    CMemFile() = default;

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    ULONGLONG GetLength() const override { return m_data.size(); }
    void Flush() override {}
    void Close() override {}
    void Abort() override {}

    // The bytes the file holds.
    const std::string& GetData() const { return m_data; }

private:
    std::string m_data;
    std::size_t m_nPosition = 0;
};
