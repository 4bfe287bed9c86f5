// Win32: private profile files through the system's profile functions.
//
// The system writes an ANSI file in the ANSI code page, where text beyond it
// turns into '?'. So a file that does not exist yet is started as UTF-16LE
// (its byte-order mark first) when the texts need it, and a write that an
// existing file cannot hold fails and leaves the file as it was.
#include "platform/profile.h"

#include "../profile_encoding.h"

#include <windows.h>

#include <vector>

namespace platform
{
namespace
{

// Buffers start small and grow while the result fills them, so that a large
// bufferSize costs memory only when the stored text needs it.
constexpr std::size_t kFirstBuffer = 4096;
constexpr std::size_t kLargestBuffer = 0xFFFFFFFFu;

const wchar_t* Pointer(const XString* text)
{
    return text != nullptr ? text->c_str() : nullptr;
}

enum class FileKind
{
    Missing,
    Empty,
    Unicode,
    Other // ANSI text, or a file that could not be looked at
};

// The file the profile functions open: a bare name lies in the Windows folder.
XString ProfilePath(const XString& fileName)
{
    if (fileName.find_first_of(L"\\/:") != XString::npos)
        return fileName;
    std::vector<wchar_t> folder(MAX_PATH + 1, L'\0');
    const UINT length = GetWindowsDirectoryW(folder.data(), MAX_PATH);
    if (length == 0 || length > MAX_PATH)
        return fileName;
    return XString(folder.data(), length) + L"\\" + fileName;
}

FileKind Examine(const XString& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? FileKind::Missing : FileKind::Other;
    unsigned char head[3] = {};
    DWORD read = 0;
    const BOOL ok = ReadFile(file, head, sizeof head, &read, nullptr);
    CloseHandle(file);
    if (!ok)
        return FileKind::Other;
    if (read == 0)
        return FileKind::Empty;
    std::size_t markLength = 0;
    return profile::EncodingFromMark(head, read, markLength) == profile::Encoding::Utf16Le
               ? FileKind::Unicode
               : FileKind::Other;
}

// Gives a missing or empty file the UTF-16LE byte-order mark, from which the
// profile functions write UTF-16.
bool StartUnicodeFile(const XString& path, FileKind kind)
{
    const DWORD disposition = kind == FileKind::Missing ? CREATE_NEW : OPEN_EXISTING;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    static const unsigned char kMark[2] = {0xFF, 0xFE};
    DWORD written = 0;
    const bool ok = GetFileSizeEx(file, &size) && size.QuadPart == 0 &&
                    WriteFile(file, kMark, sizeof kMark, &written, nullptr) &&
                    written == sizeof kMark;
    CloseHandle(file);
    if (!ok && kind == FileKind::Missing)
        DeleteFileW(path.c_str());
    return ok;
}

// Returns a file started by StartUnicodeFile to what it was.
void UndoUnicodeFile(const XString& path, FileKind kind)
{
    if (kind == FileKind::Missing)
    {
        DeleteFileW(path.c_str());
        return;
    }
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

bool Write(const XString* section, const XString* key, const XString* value,
           const XString& fileName)
{
    return WritePrivateProfileStringW(Pointer(section), Pointer(key), Pointer(value),
                                      fileName.c_str()) != FALSE;
}

} // namespace

XString GetPrivateProfileText(const XString* section, const XString* key,
                              const XString* defaultText, std::size_t bufferSize,
                              const XString& fileName)
{
    const bool list = section == nullptr || key == nullptr;
    const std::size_t reserve = list ? 2 : 1;
    const std::size_t limit = bufferSize < kLargestBuffer ? bufferSize : kLargestBuffer;
    std::size_t size = limit < kFirstBuffer ? limit : kFirstBuffer;
    std::vector<wchar_t> buffer;
    for (;;)
    {
        buffer.assign(size + 1, L'\0');
        const DWORD copied =
            GetPrivateProfileStringW(Pointer(section), Pointer(key), Pointer(defaultText),
                                     buffer.data(), static_cast<DWORD>(size), fileName.c_str());
        if (size == limit || copied + reserve < size)
            break;
        size = limit / 4 > size ? size * 4 : limit;
    }
    if (list)
        return profile::ListFromBuffer(buffer.data(), size);
    return XString(buffer.data());
}

bool WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                             const XString& fileName)
{
    // Without a section the system call either fails or only flushes its cache.
    if (section == nullptr || !profile::IsStorable(section, key, value))
        return false;
    const bool fitsAnsi = profile::FitsAnsi(*section) &&
                          (key == nullptr || profile::FitsAnsi(*key)) &&
                          (value == nullptr || profile::FitsAnsi(*value));
    if (fitsAnsi)
        return Write(section, key, value, fileName);

    const XString path = ProfilePath(fileName);
    const FileKind kind = Examine(path);
    const bool removing = key == nullptr || value == nullptr;
    if (kind == FileKind::Unicode ||
        ((kind == FileKind::Missing || kind == FileKind::Empty) && removing))
        return Write(section, key, value, fileName);
    if (kind == FileKind::Other)
        return false; // the text would be stored as '?'
    if (!StartUnicodeFile(path, kind))
        return false;
    if (Write(section, key, value, fileName))
        return true;
    UndoUnicodeFile(path, kind);
    return false;
}

} // namespace platform
