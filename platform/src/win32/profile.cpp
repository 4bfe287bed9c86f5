// Win32: private profile files through the system's profile functions.
//
// The system writes an ANSI file in the ANSI code page, where text beyond it
// turns into '?'. So before a write whose texts need more, a file that does
// not exist yet is started as UTF-16LE (its byte-order mark first), and an
// existing file in another encoding is converted to UTF-16LE once, every
// line kept as it reads; the profile functions then write UTF-16.
#include "platform/profile.h"

#include "../profile_encoding.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform
{
namespace
{

// Buffers start small and grow while the result fills them, so that a large
// bufferSize costs memory only when the stored text needs it.
constexpr std::size_t kFirstBuffer = 4096;
constexpr std::size_t kLargestBuffer = 0xFFFFFFFFu;
// Profile files are small; a larger one is not converted.
constexpr LONGLONG kLargestFile = LONGLONG{16} << 20;

const wchar_t* Pointer(const XString* text)
{
    return text != nullptr ? text->c_str() : nullptr;
}

enum class FileKind
{
    Missing,
    Empty,
    Unicode,     // UTF-16LE with its byte-order mark
    Convertible, // ANSI, UTF-8 or big-endian UTF-16 text
    Other        // a file that could not be looked at
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
               : FileKind::Convertible;
}

// Rewrites an existing file as UTF-16LE with its mark: written beside it,
// then put in its place, so that a reader sees the old file or the new one.
// A file that is a link (or another reparse point) is left alone.
bool ConvertToUnicode(const XString& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    std::string bytes;
    const HANDLE source =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (source == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(source, &size) && size.QuadPart <= kLargestFile;
    if (ok)
    {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() ||
             (ReadFile(source, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
              read == bytes.size());
    }
    CloseHandle(source);
    std::string converted;
    if (!ok || !profile::ToUtf16LeFile(bytes, converted))
        return false;

    const XString temporary = path + L".new-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64());
    const HANDLE target =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), nullptr);
    if (target == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    ok = WriteFile(target, converted.data(), static_cast<DWORD>(converted.size()), &written,
                   nullptr) &&
         written == converted.size() && FlushFileBuffers(target);
    ok = CloseHandle(target) && ok;
    // ReplaceFileW keeps the old file's attributes and security descriptor.
    ok = ok && ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
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

    // The system compares such names with an ANSI file's lines in the ANSI
    // code page too, so removals go through a converted file as well.
    const XString path = ProfilePath(fileName);
    const FileKind kind = Examine(path);
    const bool removing = key == nullptr || value == nullptr;
    if (kind == FileKind::Unicode ||
        ((kind == FileKind::Missing || kind == FileKind::Empty) && removing))
        return Write(section, key, value, fileName);
    if (kind == FileKind::Other)
        return false; // the text would be stored as '?'
    if (kind == FileKind::Convertible)
        return ConvertToUnicode(path) && Write(section, key, value, fileName);
    if (!StartUnicodeFile(path, kind))
        return false;
    if (Write(section, key, value, fileName))
        return true;
    UndoUnicodeFile(path, kind);
    return false;
}

} // namespace platform
