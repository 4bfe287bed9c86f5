// Win32: private profile files through the system's profile functions.
//
// The system writes an ANSI file in the ANSI code page, where text beyond it
// turns into '?'. So before a write whose texts need more, a file that does
// not exist yet is started as UTF-16LE (its byte-order mark first), and an
// existing file in another encoding is converted to UTF-16LE once, every
// line kept as it reads; the profile functions then write UTF-16. The
// converted file is written beside the old one, flushed, and put in its
// place only if the old one still holds what was read (another program may
// have written it meanwhile: then it is read again).
//
// Our writers of one file take turns across processes; the system's profile
// functions read, edit and write a file without any lock.
#include "platform/profile.h"

#include "../profile_encoding.h"
#include "platform/file_faults.h"
#include "platform/file_replace.h"

#include <windows.h>

#include <cstdint>
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

FileKind KindOf(const XString& path)
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

// Our writers of one file, in every process, take turns: the system's
// profile functions read a file, edit it and write it anew, and a second
// process doing the same in between would lose one of the two writes.
class WriterTurn
{
public:
    explicit WriterTurn(const XString& path)
    {
        // Kernel object names cannot hold backslashes: the full path, in
        // capitals as the file system compares it, is hashed (FNV-1a).
        std::vector<wchar_t> full(32768, L'\0');
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        XString name = length > 0 && length < full.size() ? XString(full.data(), length) : path;
        CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        std::uint64_t hash = 14695981039346656037ull;
        for (const wchar_t c : name)
        {
            hash ^= static_cast<std::uint64_t>(c);
            hash *= 1099511628211ull;
        }
        XString object = L"Local\\QuenviaProfileWriter-";
        for (int shift = 60; shift >= 0; shift -= 4)
            object.push_back(L"0123456789abcdef"[(hash >> shift) & 0xFu]);
        m_mutex = CreateMutexW(nullptr, FALSE, object.c_str());
        // A writer that ended while holding the turn leaves it abandoned,
        // which hands it on all the same. Without the object the write still
        // takes place, as it would without this turn.
        if (m_mutex != nullptr)
        {
            const DWORD waited = WaitForSingleObject(m_mutex, INFINITE);
            m_owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        }
    }
    ~WriterTurn()
    {
        if (m_owned)
            ReleaseMutex(m_mutex);
        if (m_mutex != nullptr)
            CloseHandle(m_mutex);
    }
    WriterTurn(const WriterTurn&) = delete;
    WriterTurn& operator=(const WriterTurn&) = delete;

private:
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
};

// What a file holds at one moment: its bytes and its last write.
struct Snapshot
{
    bool exists = false;
    std::string bytes;
    FILETIME written = {};
};

// Reads the file at path, never through a link (or another reparse point);
// false when it is something else or cannot be read.
bool TakeSnapshot(const XString& path, Snapshot& snapshot)
{
    snapshot = Snapshot();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION information = {};
    bool ok = GetFileInformationByHandle(file, &information) &&
              (information.dwFileAttributes &
               (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    const LONGLONG size =
        (static_cast<LONGLONG>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    ok = ok && size <= kLargestFile;
    if (ok)
    {
        snapshot.exists = true;
        snapshot.written = information.ftLastWriteTime;
        snapshot.bytes.resize(static_cast<std::size_t>(size));
        DWORD read = 0;
        ok = snapshot.bytes.empty() ||
             (ReadFile(file, snapshot.bytes.data(), static_cast<DWORD>(snapshot.bytes.size()),
                       &read, nullptr) &&
              read == snapshot.bytes.size());
    }
    CloseHandle(file);
    return ok;
}

// Whether the file still holds what the snapshot saw: same bytes, same last
// write. A file another writer changed meanwhile makes the caller start over.
bool Unchanged(const XString& path, const Snapshot& before)
{
    Snapshot now;
    return TakeSnapshot(path, now) && now.exists == before.exists && now.bytes == before.bytes &&
           CompareFileTime(&now.written, &before.written) == 0;
}

// Puts content in place of the file the snapshot saw, if nobody changed it
// since: 0, kErrorFileChanged, or why it failed. Never through a link.
Status ReplaceIfUnchanged(const XString& path, const Snapshot& before, const std::string& content)
{
    ReplaceOptions options;
    options.links = LinkPolicy::Refuse;
    options.beforeReplace = [&path, &before] { return Unchanged(path, before); };
    return ReplaceFileContent(path, content.data(), content.size(), options);
}

// Rewrites an existing file as UTF-16LE with its mark, every line kept as it
// reads; the new file is flushed and put in place in one step.
Status ConvertToUnicode(const XString& path)
{
    Snapshot before;
    std::string converted;
    if (!TakeSnapshot(path, before) || !before.exists ||
        !profile::ToUtf16LeFile(before.bytes, converted))
        return kErrorAccessDenied;
    return ReplaceIfUnchanged(path, before, converted);
}

const std::string kUnicodeMark("\xFF\xFE", 2);

// Gives a missing or empty file the UTF-16LE byte-order mark, from which the
// profile functions write UTF-16.
Status StartUnicodeFile(const XString& path)
{
    Snapshot before;
    if (!TakeSnapshot(path, before))
        return kErrorAccessDenied;
    if (!before.bytes.empty())
        return kErrorFileChanged;
    return ReplaceIfUnchanged(path, before, kUnicodeMark);
}

// Returns a file started by StartUnicodeFile to what it was (missing, or
// empty), unless someone has written into it meanwhile: only a file that
// still holds nothing but the mark is taken back. The file is held without
// sharing while it is looked at, so that nobody writes in between.
void UndoUnicodeFile(const XString& path, bool wasMissing)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char bytes[3] = {};
    DWORD read = 0;
    if (ReadFile(file, bytes, sizeof bytes, &read, nullptr) && read == kUnicodeMark.size() &&
        kUnicodeMark.compare(0, std::string::npos, bytes, read) == 0)
    {
        if (wasMissing)
        {
            FILE_DISPOSITION_INFO disposition = {};
            disposition.DeleteFile = TRUE;
            SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
        }
        else
        {
            LARGE_INTEGER start = {};
            if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
                SetEndOfFile(file);
        }
    }
    CloseHandle(file);
}

bool Write(const XString* section, const XString* key, const XString* value,
           const XString& fileName)
{
    // The system's write is a change of the file like any other.
    const Status fault = CheckFileCall(FileCall::Write);
    if (fault != 0)
    {
        SetLastError(static_cast<DWORD>(fault));
        return false;
    }
    // A system that keeps profile files cached by their last write time
    // (Wine does) would miss a write by another process in the same clock
    // tick, or our own rewrite as UTF-16: its copy is flushed and forgotten
    // first (the documented use of three null texts), so that it reads the
    // file afresh.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, fileName.c_str());
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
    const XString path = ProfilePath(fileName);
    const WriterTurn turn(path);
    const bool fitsAnsi = profile::FitsAnsi(*section) &&
                          (key == nullptr || profile::FitsAnsi(*key)) &&
                          (value == nullptr || profile::FitsAnsi(*value));
    if (fitsAnsi)
        return Write(section, key, value, fileName);

    // The system compares such names with an ANSI file's lines in the ANSI
    // code page too, so removals go through a converted file as well. A file
    // that another program changed while it was being rewritten is looked at
    // anew; each such turn is a write of theirs that went through.
    const bool removing = key == nullptr || value == nullptr;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const FileKind kind = KindOf(path);
        if (kind == FileKind::Unicode ||
            ((kind == FileKind::Missing || kind == FileKind::Empty) && removing))
            return Write(section, key, value, fileName);
        if (kind == FileKind::Other)
            return false; // the text would be stored as '?'
        const Status status =
            kind == FileKind::Convertible ? ConvertToUnicode(path) : StartUnicodeFile(path);
        if (status == kErrorFileChanged)
            continue;
        if (status != 0)
            return false;
        if (Write(section, key, value, fileName))
            return true;
        if (kind != FileKind::Convertible)
            UndoUnicodeFile(path, kind == FileKind::Missing);
        return false;
    }
    return false;
}

} // namespace platform
