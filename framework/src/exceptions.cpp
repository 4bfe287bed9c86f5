// The framework's exceptions and their descriptions.
#include "afx/exceptions.h"

#include "afx/app.h"
#include "platform/status.h"

#include <cstring>

namespace
{

// The file a description names, or the framework's words for none.
CString Subject(const CString& fileName)
{
    return fileName.IsEmpty() ? CString(L"an unnamed file") : fileName;
}

} // namespace

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext != nullptr)
        *pnHelpContext = 0;
    if (lpszError == nullptr || nMaxError == 0)
        return FALSE;
    const CString text = ErrorText();
    const std::wstring wide = platform::ToWide(text.Units());
    const std::size_t count = wide.size() < nMaxError - 1 ? wide.size() : nMaxError - 1;
    std::memcpy(lpszError, wide.data(), count * sizeof(wchar_t));
    lpszError[count] = L'\0';
    return text.IsEmpty() ? FALSE : TRUE;
}

int CException::ReportError(UINT nType, UINT)
{
    const CString text = ErrorText();
    return AfxMessageBox(text.IsEmpty() ? CString(L"No error message is available.") : text,
                         nType);
}

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

CString CException::ErrorText() const { return CString(); }

CString CMemoryException::ErrorText() const { return L"Out of memory."; }

CString CNotSupportedException::ErrorText() const
{
    return L"An unsupported operation was attempted.";
}

CString CInvalidArgException::ErrorText() const { return L"Encountered an improper argument."; }

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszArchiveName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName)
{
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError)
    {
    case platform::kSuccess:
        return none;
    case platform::kErrorFileNotFound:
        return fileNotFound;
    case platform::kErrorPathNotFound:
    case platform::kErrorInvalidName:
    case platform::kErrorFilenameExcedRange:
        return badPath;
    case platform::kErrorTooManyOpenFiles:
        return tooManyOpenFiles;
    case platform::kErrorAccessDenied:
    case platform::kErrorWriteProtect:
    case platform::kErrorFileExists:
    case platform::kErrorAlreadyExists:
        return accessDenied;
    case platform::kErrorInvalidHandle:
        return invalidFile;
    case platform::kErrorDirNotEmpty:
        return removeCurrentDir;
    case platform::kErrorNegativeSeek:
        return badSeek;
    case platform::kErrorSharingViolation:
        return sharingViolation;
    case platform::kErrorLockViolation:
        return lockViolation;
    case platform::kErrorHandleDiskFull:
    case platform::kErrorDiskFull:
        return diskFull;
    case platform::kErrorHandleEof:
        return endOfFile;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName)
{
    AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

CString CFileException::ErrorText() const
{
    const CString name = Subject(m_strFileName);
    switch (m_cause)
    {
    case none:
        return L"No error occurred.";
    case fileNotFound:
        return name + L" was not found.";
    case badPath:
        return name + L" contains an incorrect path.";
    case tooManyOpenFiles:
        return name + L" could not be opened because there are too many open files.";
    case accessDenied:
        return L"Access to " + name + L" was denied.";
    case invalidFile:
        return L"An incorrect file handle was associated with " + name + L".";
    case removeCurrentDir:
        return name + L" could not be removed because it is the current directory.";
    case directoryFull:
        return name + L" could not be created because the directory is full.";
    case badSeek:
        return L"Seek failed on " + name;
    case hardIO:
        return L"A hardware I/O error was reported while accessing " + name + L".";
    case sharingViolation:
        return L"A sharing violation occurred while accessing " + name + L".";
    case lockViolation:
        return L"A locking violation occurred while accessing " + name + L".";
    case diskFull:
        return L"Disk full while accessing " + name + L".";
    case endOfFile:
        return L"An attempt was made to access " + name + L" past its end.";
    default:
        return L"An unknown error occurred while accessing " + name + L".";
    }
}

CArchiveException::CArchiveException(int cause, LPCTSTR lpszArchiveName)
    : m_cause(cause), m_strFileName(lpszArchiveName)
{
}

CString CArchiveException::ErrorText() const
{
    const CString name = Subject(m_strFileName);
    switch (m_cause)
    {
    case none:
        return L"No error occurred.";
    case readOnly:
        return L"An attempt was made to write to the reading " + name + L".";
    case endOfFile:
        return L"An attempt was made to access " + name + L" past its end.";
    case writeOnly:
        return L"An attempt was made to read from the writing " + name + L".";
    case badIndex:
        return name + L" has a bad format.";
    case badClass:
        return name + L" contained an unexpected object.";
    case badSchema:
        return name + L" contains an incorrect schema.";
    default:
        return L"An unknown error occurred while accessing " + name + L".";
    }
}

CString COleException::ErrorText() const
{
    if (static_cast<std::uint32_t>(m_sc) == 0x80070216U)
        return L"Arithmetic result exceeded 32 bits.";
    CString text;
    text.Format(L"Error 0x%08X.", static_cast<unsigned>(static_cast<std::uint32_t>(m_sc)));
    return text;
}

void AfxThrowMemoryException() { throw new CMemoryException; }
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }
void AfxThrowInvalidArgException() { throw new CInvalidArgException; }

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}

void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName)
{
    throw new CArchiveException(cause, lpszArchiveName);
}

void AfxThrowOleException(SCODE sc) { throw new COleException(sc); }
