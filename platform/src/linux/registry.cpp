// Linux: HKEY_LOCAL_MACHINE from a registry export file.
//
// The file is read again on every open, so a changed file is seen at once;
// an open key keeps the values its key had when it was opened, as a
// snapshot.
#include "platform/registry.h"

#include "../expand_variables.h"
#include "platform/os.h"
#include "registry_code_page.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform
{
namespace
{

// The query buffer of the Win32 side: 256 UTF-16 units.
constexpr std::size_t kQueryBytes = 512;
// Bounds that keep a broken or hostile file from taking unbounded memory.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxOpenKeys = 4096;
// ERROR_REGISTRY_IO_FAILED: the file exists but could not be read.
constexpr Status kErrorRegistryIoFailed = 1016;

const char* const kDefaultPath = "/etc/brantel/registry.reg";
constexpr XStringView kHeaderVersion5 = u"Windows Registry Editor Version 5.00";
constexpr XStringView kHeaderRegedit4 = u"REGEDIT4";

// Registry value types whose data REGEDIT4 files hold as ANSI text.
constexpr unsigned long kTypeString = 1;
constexpr unsigned long kTypeExpandString = 2;
constexpr unsigned long kTypeMultiString = 7;
constexpr unsigned long kTypeBinary = 3;
constexpr unsigned long kTypeDword = 4;

// One value of an opened key: the size of its data and as much of the data
// as the query buffer can take (the rest is never returned).
struct ValueData
{
    std::size_t size = 0;
    std::string head;
    unsigned long type = kTypeString;

    void Append(unsigned char byte)
    {
        if (head.size() < kQueryBytes)
            head.push_back(static_cast<char>(byte));
        ++size;
    }
    void AppendUnit(XCHAR unit)
    {
        Append(static_cast<unsigned char>(unit & 0xFF));
        Append(static_cast<unsigned char>((unit >> 8) & 0xFF));
    }
};

// Value names folded to one case -> data.
using Values = std::map<XString, ValueData>;

bool IsBlank(XCHAR c)
{
    return c == u' ' || c == u'\t';
}

XStringView TrimLeft(XStringView text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

XStringView TrimRight(XStringView text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

XStringView Trim(XStringView text)
{
    return TrimRight(TrimLeft(text));
}

int HexDigit(XCHAR c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

XString Fold(XStringView text)
{
    XString folded(text);
    for (XCHAR& c : folded)
        c = FoldCase(c);
    return folded;
}

bool StartsWithNoCase(XStringView text, XStringView prefix)
{
    return text.size() >= prefix.size() &&
           CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// A key path below HKEY_LOCAL_MACHINE in the folded form used for matching;
// false when a component is empty (one trailing backslash is allowed).
bool NormalizeKeyPath(XStringView path, XString& folded)
{
    if (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    if (!path.empty())
    {
        if (path.front() == u'\\' || path.back() == u'\\' ||
            path.find(u"\\\\") != XStringView::npos)
            return false;
    }
    folded = Fold(path);
    return true;
}

// Whether key lies below ancestor (the empty path is the hive itself).
bool IsBelow(const XString& key, const XString& ancestor)
{
    if (ancestor.empty())
        return !key.empty();
    return key.size() > ancestor.size() && key[ancestor.size()] == u'\\' &&
           key.compare(0, ancestor.size(), ancestor) == 0;
}

// Reads the whole export file: 0, 2 when there is none, or the status that
// every open then gives.
Status ReadExportFile(std::string& bytes)
{
    // The registry is what the administrator set up: a program started with
    // more rights than its caller (set-user-ID, capabilities) ignores the
    // caller's choice of file.
    const char* variable = secure_getenv("BRANTEL_REGISTRY");
    const std::string path = (variable != nullptr && *variable != '\0') ? variable : kDefaultPath;
    // Non-blocking, so that a FIFO in its place cannot hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
    {
        if (errno == ENOENT || errno == ENOTDIR)
            return kErrorFileNotFound;
        if (errno == EACCES || errno == EPERM)
            return kErrorAccessDenied;
        return kErrorRegistryIoFailed;
    }
    Status status = kSuccess;
    struct stat info = {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        status = kErrorRegistryIoFailed;
    // What the registry says decides what an elevated program runs: only a
    // file that no one but root or the running account may change counts.
    else if ((info.st_uid != 0 && info.st_uid != geteuid()) ||
             (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        status = kErrorAccessDenied;
    char chunk[65536];
    while (status == kSuccess)
    {
        const ssize_t count = read(fd, chunk, sizeof(chunk));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            status = kErrorRegistryIoFailed;
        else if (count == 0)
            break;
        else if (bytes.size() + static_cast<std::size_t>(count) > kMaxFileBytes)
            status = kErrorRegistryCorrupt;
        else
            bytes.append(chunk, static_cast<std::size_t>(count));
    }
    close(fd);
    return status;
}

// The file's text: UTF-16LE after its byte-order mark, else UTF-8 (with or
// without one), else the ANSI code page (REGEDIT4 files are ANSI). False
// when the bytes cannot be the text.
bool DecodeText(std::string_view bytes, unsigned codePage, XString& text)
{
    const auto byteAt = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE)
    {
        if (bytes.size() % 2 != 0)
            return false;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<XCHAR>(byteAt(i) | (byteAt(i + 1) << 8)));
        return true;
    }
    if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF)
    {
        text = FromUtf8(bytes.substr(3));
        return true;
    }
    text = FromUtf8(bytes);
    if (ToUtf8(text) != bytes)
        text = AnsiToText(codePage, bytes.data(), bytes.size());
    return true;
}

// One pass over an export file, in the file's order, keeping only what
// concerns one key: whether it exists at the end, and its values.
class ExportParser
{
public:
    // REGEDIT4 text values are in codePage.
    ExportParser(XStringView text, XString key, unsigned codePage)
        : m_text(text), m_key(std::move(key)), m_exists(m_key.empty()), m_codePage(codePage)
    {
    }

    // False when the text is not a registry export file.
    bool Parse()
    {
        XStringView line;
        if (!NextLine(line))
            return false;
        line = TrimRight(line);
        if (line == kHeaderRegedit4)
            m_ansi = true;
        else if (line != kHeaderVersion5)
            return false;
        while (NextLine(line))
        {
            const XStringView body = Trim(line);
            if (body.empty() || body.front() == u';')
                continue;
            bool parsed = false;
            if (body.front() == u'[')
                parsed = ParseSection(body);
            else if (body.front() == u'"' || body.front() == u'@')
                parsed = ParseValue(TrimLeft(line));
            if (!parsed)
                return false;
        }
        return true;
    }

    bool KeyExists() const { return m_exists; }
    Values TakeValues() { return std::move(m_values); }

private:
    enum class Section
    {
        None,    // before the first section
        Discard, // another key, another hive, or a deletion
        Queried  // the key asked for
    };

    // The next physical line, without its CR LF, LF or CR.
    bool NextLine(XStringView& line)
    {
        if (m_pos >= m_text.size())
            return false;
        std::size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != u'\r' && m_text[end] != u'\n')
            ++end;
        line = m_text.substr(m_pos, end - m_pos);
        if (end < m_text.size() && m_text[end] == u'\r' && end + 1 < m_text.size() &&
            m_text[end + 1] == u'\n')
            m_pos = end + 2;
        else
            m_pos = end < m_text.size() ? end + 1 : end;
        return true;
    }

    // "[HIVE\path]" or "[-HIVE\path]".
    bool ParseSection(XStringView body)
    {
        if (body.size() < 2 || body.back() != u']')
            return false;
        XStringView inner = body.substr(1, body.size() - 2);
        const bool deletion = !inner.empty() && inner.front() == u'-';
        if (deletion)
            inner.remove_prefix(1);
        const std::size_t separator = inner.find(u'\\');
        const XStringView hive = inner.substr(0, separator);
        const XStringView path =
            separator == XStringView::npos ? XStringView() : inner.substr(separator + 1);
        m_section = Section::Discard;
        if (!IsLocalMachine(hive))
            return IsOtherHive(hive);
        XString key;
        if (!NormalizeKeyPath(path, key))
            return false;
        if (deletion)
        {
            // The hive itself cannot be deleted.
            if (!key.empty() && (key == m_key || IsBelow(m_key, key)))
            {
                m_exists = false;
                m_values.clear();
            }
            return true;
        }
        if (key == m_key)
        {
            m_exists = true;
            m_section = Section::Queried;
        }
        else if (IsBelow(key, m_key))
        {
            m_exists = true;
        }
        return true;
    }

    static bool IsLocalMachine(XStringView hive)
    {
        return CompareNoCase(hive, u"HKEY_LOCAL_MACHINE") == 0 || CompareNoCase(hive, u"HKLM") == 0;
    }

    static bool IsOtherHive(XStringView hive)
    {
        static constexpr XStringView kHives[] = {u"HKEY_CLASSES_ROOT",   u"HKCR",
                                                 u"HKEY_CURRENT_USER",   u"HKCU",
                                                 u"HKEY_USERS",          u"HKU",
                                                 u"HKEY_CURRENT_CONFIG", u"HKCC",
                                                 u"HKEY_DYN_DATA",       u"HKEY_PERFORMANCE_DATA"};
        for (const XStringView name : kHives)
        {
            if (CompareNoCase(hive, name) == 0)
                return true;
        }
        return false;
    }

    // "Name"=data or @=data, the line without its leading blanks.
    bool ParseValue(XStringView line)
    {
        if (m_section == Section::None)
            return false;
        std::size_t i = 0;
        XString name;
        if (line.front() == u'@')
            i = 1;
        else if (!ParseQuoted(line, i, name))
            return false;
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] != u'=')
            return false;
        ++i;
        while (i < line.size() && IsBlank(line[i]))
            ++i;

        const XStringView data = line.substr(i);
        ValueData value;
        bool remove = false;
        if (!data.empty() && data.front() == u'"')
        {
            std::size_t end = 0;
            XString text;
            if (!ParseQuoted(data, end, text) || !EndsClean(data.substr(end)))
                return false;
            for (const XCHAR unit : text)
                value.AppendUnit(unit);
            value.AppendUnit(0);
        }
        else if (!data.empty() && data.front() == u'-')
        {
            remove = true;
            if (!EndsClean(data.substr(1)))
                return false;
        }
        else if (StartsWithNoCase(data, u"dword:"))
        {
            value.type = kTypeDword;
            if (!ParseDword(data.substr(6), value))
                return false;
        }
        else if (StartsWithNoCase(data, u"hex"))
        {
            if (!ParseHex(data.substr(3), value))
                return false;
        }
        else
        {
            return false;
        }

        if (m_section != Section::Queried)
            return true;
        XString folded = Fold(name);
        if (remove)
            m_values.erase(folded);
        else
            m_values[std::move(folded)] = std::move(value);
        return true;
    }

    // A quoted text starting at text[i] with \\ and \" escapes; i ends past
    // the closing quote. Another backslash stands for itself.
    static bool ParseQuoted(XStringView text, std::size_t& i, XString& out)
    {
        if (i >= text.size() || text[i] != u'"')
            return false;
        ++i;
        while (i < text.size())
        {
            const XCHAR c = text[i];
            if (c == u'"')
            {
                ++i;
                return true;
            }
            if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'\\' || text[i + 1] == u'"'))
            {
                out.push_back(text[i + 1]);
                i += 2;
                continue;
            }
            out.push_back(c);
            ++i;
        }
        return false;
    }

    // Only blanks, or a comment, may follow the data.
    static bool EndsClean(XStringView rest)
    {
        rest = TrimLeft(rest);
        return rest.empty() || rest.front() == u';';
    }

    // dword:1234abcd, stored as its four bytes, least significant first.
    static bool ParseDword(XStringView digits, ValueData& value)
    {
        std::uint32_t number = 0;
        std::size_t i = 0;
        while (i < digits.size() && HexDigit(digits[i]) >= 0)
        {
            if (i == 8)
                return false;
            number = (number << 4) | static_cast<std::uint32_t>(HexDigit(digits[i]));
            ++i;
        }
        if (i == 0 || !EndsClean(digits.substr(i)))
            return false;
        for (int shift = 0; shift < 32; shift += 8)
            value.Append(static_cast<unsigned char>((number >> shift) & 0xFF));
        return true;
    }

    // After "hex": ":" (binary) or "(type):", then bytes as two hex digits
    // each, separated by commas; a line ending in a backslash continues on
    // the next one.
    bool ParseHex(XStringView rest, ValueData& value)
    {
        unsigned long type = kTypeBinary;
        std::size_t i = 0;
        if (i < rest.size() && rest[i] == u'(')
        {
            ++i;
            type = 0;
            std::size_t digits = 0;
            while (i < rest.size() && HexDigit(rest[i]) >= 0)
            {
                if (++digits > 8)
                    return false;
                type = (type << 4) | static_cast<unsigned long>(HexDigit(rest[i]));
                ++i;
            }
            if (digits == 0 || i >= rest.size() || rest[i] != u')')
                return false;
            ++i;
        }
        if (i >= rest.size() || rest[i] != u':')
            return false;
        value.type = type;
        XStringView segment = rest.substr(i + 1);
        for (;;)
        {
            const std::size_t comment = segment.find(u';');
            if (comment != XStringView::npos)
                segment = segment.substr(0, comment);
            segment = TrimRight(segment);
            const bool continued = !segment.empty() && segment.back() == u'\\';
            if (continued)
                segment.remove_suffix(1);
            if (!ParseHexBytes(segment, value))
                return false;
            if (!continued || !NextLine(segment))
                break;
        }
        if (m_ansi &&
            (type == kTypeString || type == kTypeExpandString || type == kTypeMultiString))
            WidenAnsi(value);
        return true;
    }

    // "4a,00, 4b" -> bytes. An empty item may only end the list (the comma
    // before a continuation) or be the whole of it.
    static bool ParseHexBytes(XStringView segment, ValueData& value)
    {
        std::size_t start = 0;
        for (;;)
        {
            const std::size_t comma = segment.find(u',', start);
            const bool last = comma == XStringView::npos;
            const XStringView item =
                Trim(segment.substr(start, last ? XStringView::npos : comma - start));
            if (item.empty())
            {
                if (!last)
                    return false;
            }
            else
            {
                if (item.size() > 2 || HexDigit(item.front()) < 0 || HexDigit(item.back()) < 0)
                    return false;
                int byte = HexDigit(item.front());
                if (item.size() == 2)
                    byte = byte * 16 + HexDigit(item.back());
                value.Append(static_cast<unsigned char>(byte));
            }
            if (last)
                return true;
            start = comma + 1;
        }
    }

    // REGEDIT4 keeps text types as ANSI bytes; the registry holds them as
    // UTF-16, one unit per byte of the code page.
    void WidenAnsi(ValueData& value) const
    {
        const std::size_t keep =
            value.head.size() < kQueryBytes / 2 ? value.head.size() : kQueryBytes / 2;
        const XString text = AnsiToText(m_codePage, value.head.data(), keep);
        ValueData wide;
        for (const XCHAR unit : text)
            wide.AppendUnit(unit);
        wide.size = value.size * 2;
        value = std::move(wide);
    }

    XStringView m_text;
    std::size_t m_pos = 0;
    XString m_key;
    bool m_exists;
    unsigned m_codePage;
    bool m_ansi = false;
    Section m_section = Section::None;
    Values m_values;
};

// Open keys: handle -> the values of the key when it was opened.
struct KeyTable
{
    std::mutex mutex;
    std::map<RegistryKey, Values> keys;
    RegistryKey last = 0;
};

KeyTable& Keys()
{
    static KeyTable table;
    return table;
}

// Opens a key of a file whose ANSI text is in codePage.
Status OpenKey(XStringView subKey, unsigned codePage, RegistryKey& key)
{
    key = 0;
    XString path;
    const bool validPath = NormalizeKeyPath(subKey, path);

    std::string bytes;
    const Status status = ReadExportFile(bytes);
    if (status != kSuccess)
        return status;
    XString text;
    if (!DecodeText(bytes, codePage, text))
        return kErrorRegistryCorrupt;
    std::string().swap(bytes);

    ExportParser parser(text, path, codePage);
    if (!parser.Parse())
        return kErrorRegistryCorrupt;
    if (!validPath || !parser.KeyExists())
        return kErrorFileNotFound;

    KeyTable& table = Keys();
    const std::lock_guard<std::mutex> lock(table.mutex);
    if (table.keys.size() >= kMaxOpenKeys)
        return kErrorNotEnoughMemory;
    do
    {
        table.last = table.last == INTPTR_MAX ? 1 : table.last + 1;
    } while (table.keys.count(table.last) != 0);
    table.keys.emplace(table.last, parser.TakeValues());
    key = table.last;
    return kSuccess;
}

// The value as text, and whether it is to be expanded.
Status QueryRaw(RegistryKey key, XStringView valueName, XString& text, bool& expand)
{
    KeyTable& table = Keys();
    const std::lock_guard<std::mutex> lock(table.mutex);
    const auto open = table.keys.find(key);
    if (open == table.keys.end())
        return kErrorInvalidHandle;
    const auto found = open->second.find(Fold(valueName));
    if (found == open->second.end())
        return kErrorFileNotFound;
    const ValueData& value = found->second;
    if (value.size > kQueryBytes)
        return kErrorMoreData;
    // The data as UTF-16LE, up to its first zero unit (an odd last byte is
    // not a unit).
    text.clear();
    for (std::size_t i = 0; i + 1 < value.head.size(); i += 2)
    {
        const auto unit = static_cast<XCHAR>(static_cast<unsigned char>(value.head[i]) |
                                             (static_cast<unsigned char>(value.head[i + 1]) << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    expand = value.type == kTypeExpandString;
    return kSuccess;
}

// A REG_EXPAND_SZ value expanded with the system's variables, which the
// registry file holds where Windows keeps them: never the variables of the
// process, which its caller chose.
XString ExpandWithSystemVariables(const XString& text)
{
    RegistryKey environment = 0;
    if (RegistryOpenKey(u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                        environment) != kSuccess)
        return text;
    const XString expanded =
        ExpandVariables(text,
                        [environment](XStringView name, XString& value)
                        {
                            bool nested = false;
                            return QueryRaw(environment, name, value, nested) == kSuccess;
                        });
    RegistryCloseKey(environment);
    return expanded;
}

} // namespace

Status RegistryOpenKey(XStringView subKey, RegistryKey& key)
{
    return OpenKey(subKey, CurrentOs().AnsiCodePage(), key);
}

Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text)
{
    bool expand = false;
    const Status status = QueryRaw(key, valueName, text, expand);
    if (status == kSuccess && expand)
        text = ExpandWithSystemVariables(text);
    return status;
}

void RegistryCloseKey(RegistryKey key)
{
    KeyTable& table = Keys();
    const std::lock_guard<std::mutex> lock(table.mutex);
    table.keys.erase(key);
}

unsigned CodePageFromRegistry()
{
    // The value sought is plain ASCII, so the file's ANSI text can be read as
    // Windows-1252 before the code page is known.
    constexpr unsigned kWestern = 1252;
    RegistryKey key = 0;
    if (OpenKey(u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", kWestern, key) != kSuccess)
        return kWestern;
    XString value;
    bool expand = false;
    const Status status = QueryRaw(key, u"ACP", value, expand);
    RegistryCloseKey(key);
    return status == kSuccess && value == u"65001" ? 65001 : kWestern;
}

} // namespace platform
