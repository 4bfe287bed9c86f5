// Linux: private profile (INI) files, read and edited here with the
// behaviour that callers of the Win32 profile functions see.
//
// A file is ANSI (Windows-1252), UTF-16 with a byte-order mark, or UTF-8:
// with its mark, or without one when the bytes are valid UTF-8 and hold
// something beyond ASCII (hand-edited files on these systems are UTF-8,
// and ANSI text beyond ASCII is very rarely valid UTF-8). Where the
// documentation leaves details open, what Wine's profile functions do is
// followed: no blank line before a new section, names and values that end
// at a NUL, the way a quoted value is cut to a small buffer, a default
// listed with its trailing spaces, and a key list whose first key is empty
// (a line "=value"), which the call fills by writing the default over the
// start of the buffer, after which what remains of the later keys shows.
// tests/platform/ProfileProbe.cpp runs generated files and operations
// through both and compares them.
//
// A write is made the way a database makes one: it waits for the file's
// lock (other threads and processes writing it wait too), reads the file
// under that lock, and puts the whole new content in place in one step with
// ReplaceFileContent. A failure or a crash leaves the old file whole; a
// writer that waited finds the new file and starts again from it.
//
// Where we differ on purpose:
// - Edits keep the file's encoding and every byte outside the line they
//   change; Windows writes the whole file anew.
// - Names match without regard to case beyond ASCII too, as on Windows
//   (Wine folds ASCII letters only).
// - A write into a UTF-16 file whose last byte is half a unit is refused,
//   the file left as it is; Windows reads the stray byte into the next line
//   it writes, which damages that line.
// - A section line with an empty name ("[]", "[ ]") stays where it is when
//   a write edits the file. Wine writes the whole file anew without that
//   line, so that the keys under it, which no lookup found before (the keys
//   of the empty name are those above the first section line), join the
//   section before it: an unrelated write would change what other keys read.
//   Reads agree.
#include "platform/profile.h"

#include "../profile_encoding.h"
#include "platform/file_faults.h"
#include "platform/file_replace.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform
{
namespace
{

using profile::Encoding;

// Profile files are small; a larger file is treated as unreadable, which
// keeps the memory of every call bounded.
constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;

constexpr XCHAR kNul = 0;

// Where the text of a file lies in its bytes, and how its units are stored.
struct Layout
{
    Encoding encoding = Encoding::Ansi;
    std::size_t start = 0; // after the byte-order mark
    std::size_t end = 0;   // after the last whole code unit
    std::size_t width = 1; // bytes per code unit
};

// One line of a file, as byte offsets into it.
struct Line
{
    enum class Kind
    {
        Blank,
        Header,
        Entry
    };
    Kind kind = Kind::Blank;
    std::size_t begin = 0; // content
    std::size_t end = 0;
    std::size_t next = 0;      // after the line break
    std::size_t nameBegin = 0; // section name, or key
    std::size_t nameEnd = 0;
    bool hasValue = false;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

bool IsUtf8BeyondAscii(const std::string& bytes)
{
    const bool beyondAscii = std::any_of(
        bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    XString decoded;
    return beyondAscii && DecodeUtf8(bytes, Utf8Policy::kReject, decoded);
}

Layout LayoutOf(const std::string& bytes)
{
    Layout layout;
    layout.encoding = profile::EncodingFromMark(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), layout.start);
    if (layout.encoding == Encoding::Ansi && IsUtf8BeyondAscii(bytes))
        layout.encoding = Encoding::Utf8;
    if (layout.encoding == Encoding::Utf16Le || layout.encoding == Encoding::Utf16Be)
        layout.width = 2;
    layout.end = layout.start + (bytes.size() - layout.start) / layout.width * layout.width;
    return layout;
}

unsigned UnitAt(const std::string& bytes, const Layout& layout, std::size_t at)
{
    const unsigned first = static_cast<unsigned char>(bytes[at]);
    if (layout.width == 1)
        return first;
    const unsigned second = static_cast<unsigned char>(bytes[at + 1]);
    return layout.encoding == Encoding::Utf16Le ? (first | (second << 8u))
                                                : ((first << 8u) | second);
}

XString Decode(const std::string& bytes, const Layout& layout, std::size_t begin, std::size_t end)
{
    switch (layout.encoding)
    {
    case Encoding::Ansi:
        return AnsiToText(bytes.data() + begin, end - begin);
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        return FromUtf8(std::string_view(bytes.data() + begin, end - begin));
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        break;
    }
    XString text;
    text.reserve((end - begin) / 2);
    for (std::size_t at = begin; at < end; at += 2)
        text.push_back(static_cast<XCHAR>(UnitAt(bytes, layout, at)));
    return text;
}

// Appends the text in the file's encoding; false when that encoding cannot
// hold it exactly.
bool Encode(XStringView text, Encoding encoding, std::string& out)
{
    switch (encoding)
    {
    case Encoding::Ansi:
        if (!profile::FitsAnsi(text))
            return false;
        out += TextToAnsi(text);
        return true;
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
    {
        const std::string bytes = ToUtf8(text);
        if (FromUtf8(bytes) != text)
            return false; // an unpaired surrogate
        out += bytes;
        return true;
    }
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        break;
    }
    for (const XCHAR c : text)
    {
        const auto unit = static_cast<unsigned>(c);
        const auto low = static_cast<char>(unit & 0xFFu);
        const auto high = static_cast<char>(unit >> 8u);
        out.push_back(encoding == Encoding::Utf16Le ? low : high);
        out.push_back(encoding == Encoding::Utf16Le ? high : low);
    }
    return true;
}

bool IsBlankUnit(unsigned unit)
{
    return unit < 0x80 && profile::IsBlank(static_cast<XCHAR>(unit));
}

// Where a name or value ends for the Win32 calls, which take it up to its
// first NUL ("K\0x=v" holds the key K).
std::size_t EndAtNul(const std::string& bytes, const Layout& layout, std::size_t begin,
                     std::size_t end)
{
    for (std::size_t at = begin; at < end; at += layout.width)
    {
        if (UnitAt(bytes, layout, at) == 0)
            return at;
    }
    return end;
}

// Reads the line that starts at `at`; false at the end of the text.
bool NextLine(const std::string& bytes, const Layout& layout, std::size_t at, Line& line)
{
    if (at >= layout.end)
        return false;
    const std::size_t w = layout.width;
    line = Line();
    line.begin = at;
    std::size_t end = at;
    while (end < layout.end)
    {
        const unsigned unit = UnitAt(bytes, layout, end);
        if (unit == '\r' || unit == '\n')
            break;
        end += w;
    }
    line.end = end;
    line.next = end;
    if (end < layout.end)
    {
        const unsigned unit = UnitAt(bytes, layout, end);
        line.next = end + w;
        if (unit == '\r' && line.next < layout.end && UnitAt(bytes, layout, line.next) == '\n')
            line.next += w;
    }

    std::size_t first = line.begin;
    std::size_t last = line.end;
    while (first < last && IsBlankUnit(UnitAt(bytes, layout, first)))
        first += w;
    while (last > first && IsBlankUnit(UnitAt(bytes, layout, last - w)))
        last -= w;
    if (first == last)
        return true;

    if (UnitAt(bytes, layout, first) == '[')
    {
        std::size_t close = last;
        while (close > first + w && UnitAt(bytes, layout, close - w) != ']')
            close -= w;
        if (close > first + w)
        {
            line.kind = Line::Kind::Header;
            line.nameBegin = first + w;
            line.nameEnd = close - w;
            while (line.nameBegin < line.nameEnd &&
                   IsBlankUnit(UnitAt(bytes, layout, line.nameBegin)))
                line.nameBegin += w;
            while (line.nameEnd > line.nameBegin &&
                   IsBlankUnit(UnitAt(bytes, layout, line.nameEnd - w)))
                line.nameEnd -= w;
            line.nameEnd = EndAtNul(bytes, layout, line.nameBegin, line.nameEnd);
            return true;
        }
    }

    line.kind = Line::Kind::Entry;
    line.nameBegin = first;
    std::size_t equals = first;
    while (equals < last && UnitAt(bytes, layout, equals) != '=')
        equals += w;
    line.nameEnd = equals;
    while (line.nameEnd > line.nameBegin && IsBlankUnit(UnitAt(bytes, layout, line.nameEnd - w)))
        line.nameEnd -= w;
    if (equals < last)
    {
        line.hasValue = true;
        line.valueBegin = equals + w;
        line.valueEnd = last;
        while (line.valueBegin < line.valueEnd &&
               IsBlankUnit(UnitAt(bytes, layout, line.valueBegin)))
            line.valueBegin += w;
        line.valueEnd = EndAtNul(bytes, layout, line.valueBegin, line.valueEnd);
    }
    line.nameEnd = EndAtNul(bytes, layout, line.nameBegin, line.nameEnd);
    return true;
}

// A parsed file: its bytes and their layout.
struct Document
{
    std::string bytes;
    Layout layout;

    XString Text(std::size_t begin, std::size_t end) const
    {
        return Decode(bytes, layout, begin, end);
    }
    bool Matches(std::size_t begin, std::size_t end, XStringView name) const
    {
        return CompareNoCase(Text(begin, end), name) == 0;
    }
    bool IsComment(const Line& line) const
    {
        return line.nameEnd > line.nameBegin && UnitAt(bytes, layout, line.nameBegin) == ';';
    }
};

// The first section of a name; the lines before the first section line form
// the section with the empty name, which therefore always exists.
struct Section
{
    bool found = false;
    std::size_t begin = 0; // of its section line
    std::size_t body = 0;  // after its section line
    std::size_t end = 0;   // where the next section line starts
    bool unbroken = false; // its section line ends the file without a line break
};

Section FindSection(const Document& doc, XStringView name)
{
    Section section;
    bool inside = name.empty();
    section.found = inside;
    section.begin = section.body = doc.layout.start;
    Line line;
    for (std::size_t at = doc.layout.start; NextLine(doc.bytes, doc.layout, at, line);
         at = line.next)
    {
        if (line.kind != Line::Kind::Header)
            continue;
        if (inside)
        {
            section.end = line.begin;
            return section;
        }
        if (doc.Matches(line.nameBegin, line.nameEnd, name))
        {
            inside = true;
            section.found = true;
            section.begin = line.begin;
            section.body = line.next;
            section.unbroken = line.next == line.end;
        }
    }
    section.end = doc.layout.end;
    return section;
}

bool FindEntry(const Document& doc, const Section& section, XStringView key, Line& entry)
{
    for (std::size_t at = section.body;
         at < section.end && NextLine(doc.bytes, doc.layout, at, entry); at = entry.next)
    {
        if (entry.kind == Line::Kind::Entry && doc.Matches(entry.nameBegin, entry.nameEnd, key))
            return true;
    }
    return false;
}

// The text as the Win32 call sees it: up to its first NUL.
XStringView UpToNul(const XString& text)
{
    return XStringView(text.c_str());
}

// A value as the Win32 call copies it into a buffer of bufferSize units: a
// value within one pair of quotes loses the opening one, the rest is cut to
// the buffer less one, and when that cut leaves nothing out, the last unit
// (the closing quote) goes too. A buffer just short of the quoted text so
// loses one unit of the text instead, as it does with Wine.
XString CopyValue(XStringView text, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return XString();
    const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                        text.back() == text.front();
    if (quoted)
        text.remove_prefix(1);
    XString value(text.substr(0, bufferSize - 1));
    if (quoted && bufferSize >= text.size() && !value.empty())
        value.pop_back();
    return value;
}

// The default as the Win32 call hands it back for a value: trailing spaces
// removed (but never its first character), then copied as a value is.
XString Fallback(const XString* defaultText, std::size_t bufferSize)
{
    if (defaultText == nullptr)
        return XString();
    XStringView text = UpToNul(*defaultText);
    while (text.size() > 1 && text.back() == ' ')
        text.remove_suffix(1);
    return CopyValue(text, bufferSize);
}

// The buffer a list of names fills, bufferSize units at most (the units
// after it are NUL): each name followed by NUL, one more NUL after the last,
// and the last name cut and followed by two NULs when they do not all fit.
XString ListBuffer(const std::vector<XString>& names, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return XString();
    XString buffer;
    for (const XString& name : names)
    {
        buffer += name;
        buffer.push_back(kNul);
    }
    if (buffer.size() < bufferSize)
        buffer.push_back(kNul);
    else if (bufferSize >= 2)
    {
        buffer.resize(bufferSize - 2);
        buffer.append(2, kNul);
    }
    else
        buffer.assign(1, kNul);
    return buffer;
}

XString ListResult(const std::vector<XString>& names, std::size_t bufferSize)
{
    const XString buffer = ListBuffer(names, bufferSize);
    return profile::ListFromBuffer(buffer.data(), buffer.size());
}

// The default where a list of keys was asked for: copied as a value is, but
// with its trailing spaces, over the start of the buffer when the list
// leaves that empty. A list whose first key is empty (a line "=value") so
// shows the default followed by what remains of the later keys, as the
// Win32 call fills the buffer.
XString KeyListResult(const std::vector<XString>& names, const XString* defaultText,
                      std::size_t bufferSize)
{
    XString buffer = ListBuffer(names, bufferSize);
    if (!buffer.empty() && buffer[0] == kNul)
    {
        XString text =
            defaultText != nullptr ? CopyValue(UpToNul(*defaultText), bufferSize) : XString();
        text.push_back(kNul);
        if (buffer.size() < text.size())
            buffer.resize(text.size(), kNul);
        buffer.replace(0, text.size(), text);
    }
    return profile::ListFromBuffer(buffer.data(), buffer.size());
}

// A profile file opened to be read, or to be locked for a write.
class File
{
public:
    File() = default;
    ~File()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing regular file, never waiting on a pipe or device;
    // 0 or the reason it failed. Writers open it for writing, so that a file
    // they may not write is refused before anything else happens.
    int Open(const std::string& path, bool write)
    {
        m_fd = open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
        return m_fd >= 0 ? Prepare() : errno;
    }
    // Creates the file, empty; EEXIST when another writer made it first.
    int Create(const std::string& path)
    {
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0666);
        return m_fd >= 0 ? Prepare() : errno;
    }

    // Waits until no other writer holds the file. The lock belongs to this
    // open file (not to the process, as a record lock does), so that threads
    // exclude each other too and no other close drops it; a file system
    // without locks still gets the write done.
    void Lock() const
    {
#ifdef F_OFD_SETLKW
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        int result = 0;
        while ((result = fcntl(m_fd, F_OFD_SETLKW, &lock)) != 0 && errno == EINTR)
        {
        }
        if (result == 0 || errno != EINVAL)
            return;
#endif
        while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR)
        {
        }
    }

    bool ReadAll(std::string& bytes) const
    {
        bytes.clear();
        char chunk[16384];
        for (;;)
        {
            const ssize_t got = pread(m_fd, chunk, sizeof chunk, static_cast<off_t>(bytes.size()));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                return true;
            if (bytes.size() + static_cast<std::size_t>(got) > kMaxFileBytes)
                return false;
            bytes.append(chunk, static_cast<std::size_t>(got));
        }
    }

    // Whether the path still names the open file: a writer that waited for
    // the lock may find the file replaced meanwhile by a new one.
    bool IsAt(const std::string& path) const
    {
        struct stat opened;
        struct stat named;
        return fstat(m_fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
               opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    }

private:
    int Prepare()
    {
        struct stat status;
        if (fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode))
            return EACCES;
        const int flags = fcntl(m_fd, F_GETFL);
        if (flags != -1)
            fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
        return 0;
    }

    int m_fd = -1;
};

bool Load(const XString& fileName, Document& doc)
{
    File file;
    if (file.Open(ToUtf8(fileName), false) != 0 || !file.ReadAll(doc.bytes))
        return false;
    doc.layout = LayoutOf(doc.bytes);
    return true;
}

std::vector<XString> SectionNames(const Document& doc, std::size_t bufferSize)
{
    std::vector<XString> names;
    std::size_t units = 0;
    Line line;
    for (std::size_t at = doc.layout.start;
         units <= bufferSize && NextLine(doc.bytes, doc.layout, at, line); at = line.next)
    {
        if (line.kind != Line::Kind::Header || line.nameBegin == line.nameEnd)
            continue;
        names.push_back(doc.Text(line.nameBegin, line.nameEnd));
        units += names.back().size() + 1;
    }
    return names;
}

std::vector<XString> KeyNames(const Document& doc, const Section& section, std::size_t bufferSize)
{
    std::vector<XString> names;
    std::size_t units = 0;
    Line line;
    for (std::size_t at = section.body;
         at < section.end && units <= bufferSize && NextLine(doc.bytes, doc.layout, at, line);
         at = line.next)
    {
        if (line.kind != Line::Kind::Entry || !line.hasValue || doc.IsComment(line))
            continue;
        names.push_back(doc.Text(line.nameBegin, line.nameEnd));
        units += names.back().size() + 1;
    }
    return names;
}

// The new content of a file for one write, or false when the file's
// encoding cannot hold the texts.
class Edit
{
public:
    Edit(const Document& doc, XStringView section, const XString* key, const XString* value)
        : m_doc(doc), m_givenSection(section), m_section(LeadingTrimmed(section)), m_key(key),
          m_value(value)
    {
    }

    bool Apply(std::string& result)
    {
        // A removal writes no text: what the file cannot hold it cannot
        // contain either, and such a removal finds nothing.
        const Encoding encoding = m_doc.layout.encoding;
        std::string ignored;
        if (m_key != nullptr && m_value != nullptr &&
            (!Encode(m_section, encoding, ignored) || !Encode(KeyText(), encoding, ignored) ||
             !Encode(ValueText(), encoding, ignored)))
            return false;

        // Removals take the names as given, blanks and all, as Windows does.
        if (m_key == nullptr)
            return RemoveSection(FindSection(m_doc, m_givenSection), result);
        Line entry;
        if (m_value == nullptr)
        {
            const Section section = FindSection(m_doc, m_givenSection);
            if (section.found && FindEntry(m_doc, section, *m_key, entry))
                return Splice(entry.begin, entry.next, std::string(), result);
            return Unchanged(result);
        }
        const Section section = FindSection(m_doc, profile::TrimBlanks(m_section));
        const bool hasEntry =
            section.found && FindEntry(m_doc, section, profile::TrimBlanks(*m_key), entry);
        if (hasEntry)
            return ReplaceValue(entry, result);
        if (section.found)
            return AddEntry(section, result);
        return AddSection(result);
    }

private:
    // Written as Windows writes them: without their leading blanks. Names are
    // found without their trailing blanks too, as they are read back.
    static XStringView LeadingTrimmed(XStringView text)
    {
        std::size_t begin = 0;
        while (begin < text.size() && profile::IsBlank(text[begin]))
            ++begin;
        return text.substr(begin);
    }
    XStringView KeyText() const { return LeadingTrimmed(*m_key); }
    XStringView ValueText() const { return LeadingTrimmed(*m_value); }

    bool Unchanged(std::string& result) const
    {
        result = m_doc.bytes;
        return true;
    }

    bool Splice(std::size_t from, std::size_t to, const std::string& insert,
                std::string& result) const
    {
        result.reserve(m_doc.bytes.size() - (to - from) + insert.size());
        result.assign(m_doc.bytes, 0, from);
        result += insert;
        result.append(m_doc.bytes, to, std::string::npos);
        return true;
    }

    bool Append(XStringView text, std::string& out) const
    {
        return Encode(text, m_doc.layout.encoding, out);
    }

    std::string EntryLine() const
    {
        std::string line;
        Append(KeyText(), line);
        Append(Ascii("="), line);
        Append(ValueText(), line);
        Append(Ascii("\r\n"), line);
        return line;
    }

    bool RemoveSection(const Section& section, std::string& result) const
    {
        if (!section.found || section.begin == section.end)
            return Unchanged(result);
        return Splice(section.begin, section.end, std::string(), result);
    }

    // The key keeps its spelling in the file; the line gets the new value.
    bool ReplaceValue(const Line& entry, std::string& result) const
    {
        std::string line(m_doc.bytes, entry.nameBegin, entry.nameEnd - entry.nameBegin);
        Append(Ascii("="), line);
        Append(ValueText(), line);
        return Splice(entry.begin, entry.end, line, result);
    }

    // A new key goes after the last entry of its section (comments and
    // blank lines after it stay with whatever follows).
    bool AddEntry(const Section& section, std::string& result) const
    {
        std::size_t anchor = section.body;
        bool unbroken = section.unbroken;
        Line line;
        for (std::size_t at = section.body;
             at < section.end && NextLine(m_doc.bytes, m_doc.layout, at, line); at = line.next)
        {
            if (line.kind == Line::Kind::Entry && !m_doc.IsComment(line))
            {
                anchor = line.next;
                unbroken = line.next == line.end;
            }
        }
        std::string insert;
        if (unbroken)
            Append(Ascii("\r\n"), insert);
        insert += EntryLine();
        return Splice(anchor, anchor, insert, result);
    }

    bool AddSection(std::string& result) const
    {
        std::string insert;
        const Layout& layout = m_doc.layout;
        if (layout.end > layout.start)
        {
            const unsigned last = UnitAt(m_doc.bytes, layout, layout.end - layout.width);
            if (last != '\r' && last != '\n')
                Append(Ascii("\r\n"), insert);
        }
        Append(Ascii("["), insert);
        Append(m_section, insert);
        Append(Ascii("]\r\n"), insert);
        insert += EntryLine();
        return Splice(layout.end, layout.end, insert, result);
    }

    const Document& m_doc;
    XStringView m_givenSection;
    XStringView m_section;
    const XString* m_key;
    const XString* m_value;
};

// The file's new content, or false when it cannot take the texts without
// changing them. A file without content takes ANSI when the texts allow it,
// else UTF-16LE with its mark, so that nothing turns into '?'; an ANSI file
// that cannot hold them is converted to UTF-16LE once (`converted`), its
// lines otherwise kept as they are.
bool Compose(const std::string& bytes, XStringView section, const XString* key,
             const XString* value, std::string& result, bool& converted)
{
    converted = false;
    Document doc;
    doc.bytes = bytes;
    doc.layout = LayoutOf(bytes);
    if (doc.layout.end != bytes.size())
        return false; // a UTF-16 file cut inside a unit
    // ANSI text must not come to look like UTF-8 and be misread later.
    if (Edit(doc, section, key, value).Apply(result) &&
        (doc.layout.encoding != Encoding::Ansi || LayoutOf(result).encoding == Encoding::Ansi))
        return true;
    if (doc.layout.encoding != Encoding::Ansi)
        return false;
    converted = !bytes.empty();
    if (!profile::ToUtf16LeFile(bytes, doc.bytes))
        return false;
    doc.layout = LayoutOf(doc.bytes);
    return Edit(doc, section, key, value).Apply(result);
}

// Writers of one file within this process take turns here as well: a file
// system whose locks belong to the process would let them all in at once.
std::mutex& WriterMutex(const std::string& path)
{
    static std::mutex mutexes[64];
    return mutexes[std::hash<std::string>()(path) % std::size(mutexes)];
}

} // namespace

XString GetPrivateProfileText(const XString* section, const XString* key,
                              const XString* defaultText, std::size_t bufferSize,
                              const XString& fileName)
{
    Document doc;
    const bool loaded = Load(fileName, doc);
    if (section == nullptr)
    {
        if (!loaded)
            return XString();
        return ListResult(SectionNames(doc, bufferSize), bufferSize);
    }
    if (key == nullptr)
    {
        // The section is taken as given here, blanks and all, as Windows
        // does.
        const Section listed = loaded ? FindSection(doc, UpToNul(*section)) : Section();
        return KeyListResult(listed.found ? KeyNames(doc, listed, bufferSize)
                                          : std::vector<XString>(),
                             defaultText, bufferSize);
    }
    const XStringView sectionName = profile::TrimBlanks(UpToNul(*section));
    const Section found = loaded ? FindSection(doc, sectionName) : Section();
    Line entry;
    if (found.found && FindEntry(doc, found, profile::TrimBlanks(UpToNul(*key)), entry) &&
        entry.hasValue)
        return CopyValue(doc.Text(entry.valueBegin, entry.valueEnd), bufferSize);
    return Fallback(defaultText, bufferSize);
}

bool WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                             const XString& fileName)
{
    if (section == nullptr || !profile::IsStorable(section, key, value))
        return false;
    const std::string path = ToUtf8(fileName);
    const bool removing = key == nullptr || value == nullptr;
    const std::lock_guard<std::mutex> turn(WriterMutex(path));
    // A writer that waited for the lock of a file another writer has since
    // replaced opens the new file instead, and one that finds the file
    // changed under it reads it again; each such turn is another writer's
    // finished write, so the number of turns stays small.
    for (int attempt = 0; attempt < 1000; ++attempt)
    {
        File file;
        bool created = false;
        if (CheckFileCall(FileCall::OpenForWrite) != 0)
            return false;
        int error = file.Open(path, true);
        if (error == ENOENT)
        {
            if (removing)
                return true; // nothing to remove from a file that is not there
            if (CheckFileCall(FileCall::OpenForWrite) != 0)
                return false;
            error = file.Create(path);
            if (error == EEXIST)
                continue; // another writer made it first: take that one
            created = error == 0;
        }
        if (error != 0)
            return false;
        file.Lock();
        if (!file.IsAt(path))
            continue;

        std::string bytes;
        std::string result;
        bool converted = false;
        if (!file.ReadAll(bytes))
            return false;
        bool written = true;
        if (!(bytes.empty() && removing))
        {
            written = Compose(bytes, *section, key, value, result, converted);
            if (written && result != bytes)
            {
                // Edits go through a link to the file it names, as Windows
                // writes through one; the file rewritten in another encoding
                // is never a link.
                ReplaceOptions options;
                options.links = converted ? LinkPolicy::Refuse : LinkPolicy::ReplaceTarget;
                // A program that writes without the lock (an editor, the
                // profile functions under Wine) may have changed the file
                // meanwhile: then it is read again rather than overwritten.
                options.beforeReplace = [&path, &bytes]
                {
                    File now;
                    std::string current;
                    return now.Open(path, false) == 0 && now.ReadAll(current) && current == bytes;
                };
                const Status status =
                    ReplaceFileContent(fileName, result.data(), result.size(), options);
                if (status == kErrorFileChanged)
                    continue;
                written = status == 0;
            }
        }
        // A file this call made and could not fill goes again, while the
        // lock is held and the path still names it: every other writer waits
        // for that lock, so nothing of theirs can be there.
        if (!written && created && file.IsAt(path))
            unlink(path.c_str());
        return written;
    }
    return false;
}

} // namespace platform
