// The framework's exceptions. As in the framework they stand in for, they are
// thrown as pointers to heap objects: the handler reports what it needs and
// calls Delete().
#pragma once

#include "afx/object.h"
#include "afx/string.h"

class AFX_API CException : public CObject
{
public:
    // Copies the description (cut to maxError - 1 characters, always
    // terminated) into the buffer; FALSE when there is none.
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError,
                                 PUINT pnHelpContext = nullptr) const;
    // Shows the description in a message box; returns the box's result.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);
    // Frees an exception that was thrown from the heap.
    void Delete();

    // The description as a string (empty when there is none).
    virtual CString ErrorText() const;

protected:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}

private:
    BOOL m_bAutoDelete;
};

class AFX_API CMemoryException : public CException
{
public:
    CString ErrorText() const override;
};

class AFX_API CNotSupportedException : public CException
{
public:
    CString ErrorText() const override;
};

class AFX_API CInvalidArgException : public CException
{
public:
    CString ErrorText() const override;
};

class AFX_API CFileException : public CException
{
public:
    enum
    {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1,
                            LPCTSTR lpszArchiveName = nullptr);

    // The cause that a Win32 status code stands for.
    static int OsErrorToException(LONG lOsError);
    [[noreturn]] static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);

    CString ErrorText() const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class AFX_API CArchiveException : public CException
{
public:
    enum
    {
        none,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema
    };

    explicit CArchiveException(int cause = none, LPCTSTR lpszArchiveName = nullptr);

    CString ErrorText() const override;

    int m_cause;
    CString m_strFileName;
};

// An error code of the system's (an HRESULT), raised where the framework
// would raise its OLE exception.
class AFX_API COleException : public CException
{
public:
    explicit COleException(SCODE sc) : m_sc(sc) {}
    CString ErrorText() const override;

    SCODE m_sc;
};

[[noreturn]] AFX_API void AfxThrowMemoryException();
[[noreturn]] AFX_API void AfxThrowNotSupportedException();
[[noreturn]] AFX_API void AfxThrowInvalidArgException();
[[noreturn]] AFX_API void AfxThrowFileException(int cause, LONG lOsError = -1,
                                                LPCTSTR lpszFileName = nullptr);
[[noreturn]] AFX_API void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName = nullptr);
[[noreturn]] AFX_API void AfxThrowOleException(SCODE sc);
