#include "TextFiles.h"

#include "platform/os.h"
#include "platform/text.h"

#include <string>

BOOL WriteTextFile(const CString& strPath, const CString& strText, CFileException& error)
{
    std::string ansi;
    platform::Status status = platform::kSuccess;
    if (!platform::TextToAnsi(strText.Units(), ansi))
        status = platform::kErrorNoUnicodeTranslation;
    if (status == platform::kSuccess)
    {
        const std::string bytes = platform::WithCarriageReturns(ansi);
        status = platform::CurrentOs().ReplaceFileContent(strPath.Units(), bytes.data(),
                                                          bytes.size(), platform::ReplaceOptions());
    }
    if (status == platform::kSuccess)
        return TRUE;
    error.m_cause = CFileException::OsErrorToException(status);
    error.m_lOsError = status;
    error.m_strFileName = strPath;
    return FALSE;
}
