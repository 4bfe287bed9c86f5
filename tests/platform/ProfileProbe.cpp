// Runs a script of INI file operations through the platform's profile
// functions and writes what each one gave back, one line per operation. The
// same script run by the Windows build (the system's profile functions) and
// by the native one (our own implementation) must give the same lines.
//
//   profile_probe generate SEED COUNT SCRIPT   writes COUNT generated cases
//   profile_probe run SCRIPT FOLDER RESULTS    runs a script in FOLDER
//   profile_probe compare RESULTS RESULTS      shows the first case that differs
//   profile_probe hammer FILE PREFIX COUNT     COUNT writes racing other writers
//   profile_probe crash N FILE SECTION KEY VALUE  a write that ends the
//                                              process at its file call N
//                                              (exit code 86), texts as below
//
// A script line is an operation and its arguments, separated by spaces:
//   file NAME 'BYTES                   the file NAME now holds BYTES
//   get NAME SECTION KEY DEFAULT SIZE  GetPrivateProfileText
//   put NAME SECTION KEY VALUE         WritePrivateProfileText
//   dump NAME                          every section, key and value listed
// A text argument is "-" for a null pointer, or "'" followed by the text;
// outside printable ASCII, and for '\', a text unit is written \uXXXX and a
// byte \xXX. Lines starting with '#' are comments, copied to the results.
#include "ProfileHammer.h"

#include "platform/file_faults.h"
#include "platform/profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using platform::XCHAR;
using platform::XString;

// ---------------------------------------------------------------------------
// Escaped texts and bytes

const char kHex[] = "0123456789ABCDEF";

bool IsPlain(unsigned c)
{
    return c > 0x20 && c < 0x7F && c != '\\';
}

std::string EscapeText(const XString& text)
{
    std::string out;
    for (const XCHAR c : text)
    {
        const auto unit = static_cast<unsigned>(c);
        if (IsPlain(unit))
        {
            out.push_back(static_cast<char>(unit));
            continue;
        }
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(kHex[(unit >> shift) & 0xFu]);
    }
    return out;
}

std::string EscapeBytes(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (IsPlain(byte))
        {
            out.push_back(c);
            continue;
        }
        out += "\\x";
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0xFu]);
    }
    return out;
}

std::string Argument(const std::optional<XString>& text)
{
    return text ? "'" + EscapeText(*text) : "-";
}

unsigned HexValue(const std::string& token, std::size_t at, std::size_t digits)
{
    return static_cast<unsigned>(std::stoul(token.substr(at, digits), nullptr, 16));
}

XString UnescapeText(const std::string& token)
{
    XString out;
    for (std::size_t i = 0; i < token.size();)
    {
        if (token[i] == '\\' && i + 6 <= token.size() && token[i + 1] == 'u')
        {
            out.push_back(static_cast<XCHAR>(HexValue(token, i + 2, 4)));
            i += 6;
        }
        else
            out.push_back(static_cast<XCHAR>(static_cast<unsigned char>(token[i++])));
    }
    return out;
}

std::string UnescapeBytes(const std::string& token)
{
    std::string out;
    for (std::size_t i = 0; i < token.size();)
    {
        if (token[i] == '\\' && i + 4 <= token.size() && token[i + 1] == 'x')
        {
            out.push_back(static_cast<char>(HexValue(token, i + 2, 2)));
            i += 4;
        }
        else
            out.push_back(token[i++]);
    }
    return out;
}

std::optional<XString> ParseText(const std::string& token)
{
    if (token == "-")
        return std::nullopt;
    return UnescapeText(token.substr(1));
}

const XString* Pointer(const std::optional<XString>& text)
{
    return text ? &*text : nullptr;
}

// ---------------------------------------------------------------------------
// Running a script

// The names of a list result.
std::vector<XString> Names(const XString& list)
{
    std::vector<XString> names;
    for (std::size_t at = 0; at < list.size() && list[at] != 0;)
    {
        const std::size_t end = list.find(XCHAR(0), at);
        names.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

constexpr std::size_t kDumpBuffer = 65536;

void Dump(const XString& file, std::ostream& out)
{
    const XString sections =
        platform::GetPrivateProfileText(nullptr, nullptr, nullptr, kDumpBuffer, file);
    for (const XString& section : Names(sections))
    {
        out << "  [" << EscapeText(section) << "]\n";
        const XString keys =
            platform::GetPrivateProfileText(&section, nullptr, nullptr, kDumpBuffer, file);
        for (const XString& key : Names(keys))
        {
            const XString value =
                platform::GetPrivateProfileText(&section, &key, nullptr, kDumpBuffer, file);
            out << "  " << EscapeText(key) << " = '" << EscapeText(value) << "\n";
        }
    }
}

int Run(const std::string& scriptPath, const std::filesystem::path& folder,
        const std::string& resultsPath)
{
    std::ifstream script(scriptPath, std::ios::binary);
    std::ofstream out(resultsPath, std::ios::binary);
    if (!script || !out)
        return 2;
    std::filesystem::create_directories(folder);
    const std::filesystem::path base = std::filesystem::absolute(folder);
    std::string line;
    while (std::getline(script, line))
    {
        std::istringstream words(line);
        std::string op;
        std::string name;
        words >> op >> name;
        if (op.empty() || op[0] == '#')
        {
            out << line << '\n';
            continue;
        }
        const XString file = platform::FromWide((base / name).wstring().c_str());
        std::vector<std::string> args;
        for (std::string word; words >> word;)
            args.push_back(word);
        out << line << "\n ->";
        if (op == "file" && args.size() == 1)
        {
            std::ofstream(base / name, std::ios::binary | std::ios::trunc)
                << UnescapeBytes(args[0].substr(1));
            out << " ok\n";
        }
        else if (op == "get" && args.size() == 4)
        {
            const auto section = ParseText(args[0]);
            const auto key = ParseText(args[1]);
            const auto fallback = ParseText(args[2]);
            const XString result = platform::GetPrivateProfileText(
                Pointer(section), Pointer(key), Pointer(fallback), std::stoul(args[3]), file);
            out << " '" << EscapeText(result) << '\n';
        }
        else if (op == "put" && args.size() == 3)
        {
            const auto section = ParseText(args[0]);
            const auto key = ParseText(args[1]);
            const auto value = ParseText(args[2]);
            out << ' '
                << platform::WritePrivateProfileText(Pointer(section), Pointer(key), Pointer(value),
                                                     file)
                << '\n';
        }
        else if (op == "dump")
        {
            out << '\n';
            Dump(file, out);
        }
        else
        {
            std::fprintf(stderr, "profile_probe: bad script line: %s\n", line.c_str());
            return 2;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Generating cases

// SplitMix64: the same sequence from the same seed on every platform.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t count) { return static_cast<std::size_t>(Next() % count); }
    bool Percent(unsigned chance) { return Below(100) < chance; }
    template <typename T, std::size_t N> const T& Pick(const T (&items)[N])
    {
        return items[Below(N)];
    }

private:
    std::uint64_t m_state;
};

XString T(const char16_t* text)
{
    return XString(text, text + std::char_traits<char16_t>::length(text));
}

// Names come from small pools so that lines and operations meet. Letters
// beyond ASCII appear in one letter case only: Windows folds them, Wine
// does not, and we do.
const char16_t* const kSections[] = {u"S", u"Sec", u"Two Words", u"Caf\u00E9", u"X"};
const char16_t* const kKeys[] = {u"k", u"Key", u"a b", u"x1", u"Last Option:", u"\u00E9t\u00E9"};
const char16_t* const kValues[] = {
    u"v",          u"",         u"two words",  u"\"quoted\"",
    u"'single'",   u"\"a\"b\"", u"\"unclosed", u"x=y",
    u"  padded  ", u"\"\"",     u"'",          u"\u00E0 la carte",
    u"\u20AC 5",   u"\"q\" ",   u"\t\"tab\"",  u"1234567890abcdefghij"};
// Written values also go beyond the ANSI code page.
const char16_t* const kNewValues[] = {
    u"new", u"", u"\"new q\"", u"  lead", u"\u0394\u03B5\u03BB", u"\u4E2D", u"x=y", u"'z'"};
const char16_t* const kDefaults[] = {u"d", u"dflt  ", u"\"q\"", u"'", u" ", u"", u"  a b  "};
const std::size_t kBuffers[] = {0, 1, 2, 3, 4, 5, 6, 8, 11, 16, 30, 1024, 70000};

XString Blanks(Random& random)
{
    const char16_t* const blanks[] = {u"", u"", u"", u" ", u"  ", u"\t", u" \t "};
    return T(random.Pick(blanks));
}

// The name in another ASCII letter case now and then.
XString Spelling(Random& random, const char16_t* name)
{
    XString text = T(name);
    if (random.Percent(50))
        return text;
    for (XCHAR& c : text)
    {
        if (random.Percent(50) && c < 0x80 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            c = static_cast<XCHAR>(c ^ 0x20);
    }
    return text;
}

// What the file holds beyond the ordinary: a section line with an empty
// name makes its case read-only (see Generate).
struct FileTraits
{
    bool emptySection = false;
};

XString Line(Random& random, FileTraits& traits)
{
    const XString nul(1, XCHAR(0));
    switch (random.Below(25))
    {
    case 20:
    {
        // A carriage return alone inside a line.
        const char16_t* const parts[] = {u"\r", u"\r[", u"]\r", u"=\r", u"\r\r"};
        return Spelling(random, random.Pick(kKeys)) + T(u"=a") + T(random.Pick(parts)) +
               (random.Percent(50) ? T(u"[") + T(random.Pick(kSections)) + T(u"]") : T(u"b"));
    }
    case 21:
    {
        // Text before a section line, on the same line.
        const char16_t* const before[] = {u"x", u"k=v ", u"; ", u"=", u"\"", u"\t\"k\""};
        return T(random.Pick(before)) + T(u"[") + Spelling(random, random.Pick(kSections)) +
               T(u"]");
    }
    case 22:
    case 23:
    {
        // Tabs and quotes around names.
        const char16_t* const around[] = {u"\t", u"\"", u"'", u"\t\"", u"\" ", u"\"\t"};
        const XString open = T(random.Pick(around));
        const XString close = random.Percent(50) ? open : T(random.Pick(around));
        if (random.Percent(50))
            return Blanks(random) + T(u"[") + open + Spelling(random, random.Pick(kSections)) +
                   close + T(u"]") + Blanks(random);
        return open + Spelling(random, random.Pick(kKeys)) + close + T(u"=") +
               T(random.Pick(kValues));
    }
    case 24:
    {
        const char16_t* const empty[] = {u"[]", u"[ ]", u" [\t] ", u"[]x=1"};
        traits.emptySection = true;
        return T(random.Pick(empty));
    }
    case 0:
    case 1:
    case 2:
    case 3:
        return Blanks(random) + T(u"[") + Blanks(random) +
               Spelling(random, random.Pick(kSections)) + Blanks(random) + T(u"]") +
               (random.Percent(20) ? T(u" ; note") : XString());
    case 4:
        return T(u"[") + T(random.Pick(kSections)) + nul + T(u"tail]");
    case 5:
        return Spelling(random, random.Pick(kKeys)) + nul + T(u"tail=") + T(random.Pick(kValues));
    case 6:
        return Spelling(random, random.Pick(kKeys)) + T(u"=a") + nul + T(u"b");
    case 7:
    {
        const std::size_t lengths[] = {300, 1100, 5000};
        return XString(random.Pick(lengths), XCHAR('L'));
    }
    case 8:
        return Spelling(random, random.Pick(kKeys)) + T(u"=") + XString(random.Below(3000), 'V');
    case 9:
        return Blanks(random) + Spelling(random, random.Pick(kKeys));
    case 10:
    {
        const char16_t* const odd[] = {u"; comment=1", u"=v", u"==", u"[S",   u"[[S]]", u"]",
                                       u"k=[S]",       u"",   u"  ", u"#k=v", u"[S]x=1"};
        return T(random.Pick(odd));
    }
    default:
        return Blanks(random) + Spelling(random, random.Pick(kKeys)) + Blanks(random) + T(u"=") +
               Blanks(random) + T(random.Pick(kValues)) + Blanks(random);
    }
}

bool LooksLikeUtf8(const std::string& bytes)
{
    bool high = false;
    for (const char c : bytes)
        high = high || static_cast<unsigned char>(c) >= 0x80;
    return high && platform::FromUtf8(bytes).find(XCHAR(0xFFFD)) == XString::npos;
}

// A file's bytes: ANSI mostly, else UTF-16LE with its byte-order mark.
// ANSI bytes that happen to be valid UTF-8 are read as UTF-8 on purpose off
// Windows, so such a file is written as UTF-16 instead.
std::string FileBytes(Random& random, FileTraits& traits)
{
    const char16_t* const ends[] = {u"\r\n", u"\r\n", u"\r\n", u"\n", u"\r"};
    const XString end = T(random.Pick(ends));
    XString text;
    const std::size_t lines = random.Below(20);
    for (std::size_t i = 0; i < lines; ++i)
    {
        text += Line(random, traits);
        if (i + 1 < lines || random.Percent(80))
            text += end;
    }
    std::string bytes = platform::TextToAnsi(text);
    if (random.Percent(80) && !LooksLikeUtf8(bytes))
        return bytes;
    bytes = "\xFF\xFE";
    for (const XCHAR c : text)
    {
        bytes.push_back(static_cast<char>(static_cast<unsigned>(c) & 0xFFu));
        bytes.push_back(static_cast<char>(static_cast<unsigned>(c) >> 8));
    }
    return bytes;
}

std::optional<XString> Name(Random& random, const char16_t* const* pool, std::size_t count)
{
    return Blanks(random) + Spelling(random, pool[random.Below(count)]) + Blanks(random);
}

void Generate(std::uint64_t seed, std::size_t count, std::ostream& out)
{
    for (std::size_t index = 0; index < count; ++index)
    {
        Random random(seed * 1000003u + index);
        const std::string name = "case" + std::to_string(index) + ".ini";
        out << "# case " << index << '\n';
        FileTraits traits;
        out << "file " << name << " '" << EscapeBytes(FileBytes(random, traits)) << '\n';
        const std::size_t operations = 1 + random.Below(8);
        for (std::size_t i = 0; i < operations; ++i)
        {
            // A section line with an empty name stays where it is when we
            // write; Wine writes the file anew without it (see the top of
            // platform/src/linux/profile.cpp), so such files are only read.
            const std::size_t kind = traits.emptySection ? random.Below(5) : random.Below(10);
            const auto section = Name(random, kSections, std::size(kSections));
            const auto key = Name(random, kKeys, std::size(kKeys));
            const std::optional<XString> fallback =
                random.Percent(15) ? std::nullopt
                                   : std::optional<XString>(T(random.Pick(kDefaults)));
            const std::string size = std::to_string(random.Pick(kBuffers));
            switch (kind)
            {
            case 0:
                out << "get " << name << " - - " << Argument(fallback) << ' ' << size << '\n';
                break;
            case 1:
                out << "get " << name << ' ' << Argument(section) << " - " << Argument(fallback)
                    << ' ' << size << '\n';
                break;
            case 2:
            case 3:
            case 4:
                out << "get " << name << ' ' << Argument(section) << ' ' << Argument(key) << ' '
                    << Argument(fallback) << ' ' << size << '\n';
                break;
            case 5:
            case 6:
                out << "put " << name << ' ' << Argument(section) << ' ' << Argument(key) << " '"
                    << EscapeText(T(random.Pick(kNewValues))) << '\n';
                break;
            case 7:
            case 8:
                out << "put " << name << ' ' << Argument(section) << ' ' << Argument(key) << " -\n";
                break;
            default:
                out << "put " << name << ' ' << Argument(section) << " - -\n";
                break;
            }
        }
        out << "dump " << name << '\n';
    }
}

// ---------------------------------------------------------------------------
// Comparing results

std::vector<std::string> Cases(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> cases;
    for (std::string line; std::getline(in, line);)
    {
        if (cases.empty() || line.rfind("# case ", 0) == 0)
            cases.emplace_back();
        cases.back() += line + '\n';
    }
    return cases;
}

// Each line of a case cut to a readable length.
std::string Shortened(const std::string& text)
{
    constexpr std::size_t kWidth = 400;
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        out += (line.size() > kWidth ? line.substr(0, kWidth) + "..." : line) + '\n';
    return out;
}

int Compare(const std::string& first, const std::string& second)
{
    const std::vector<std::string> a = Cases(first);
    const std::vector<std::string> b = Cases(second);
    for (std::size_t i = 0; i < a.size() || i < b.size(); ++i)
    {
        const std::string none = "(missing)\n";
        const std::string& left = i < a.size() ? a[i] : none;
        const std::string& right = i < b.size() ? b[i] : none;
        if (left != right)
        {
            std::printf("-- %s\n%s-- %s\n%s", first.c_str(), Shortened(left).c_str(),
                        second.c_str(), Shortened(right).c_str());
            return 1;
        }
    }
    std::printf("%zu cases agree\n", a.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "generate")
    {
        std::ofstream out(args[3], std::ios::binary);
        Generate(std::stoull(args[1]), std::stoul(args[2]), out);
        return out ? 0 : 2;
    }
    if (args.size() == 4 && args[0] == "run")
        return Run(args[1], args[2], args[3]);
    if (args.size() == 3 && args[0] == "compare")
        return Compare(args[1], args[2]);
    if (args.size() == 6 && args[0] == "crash")
    {
        static int remaining = std::stoi(args[1]);
        platform::SetFileCallHook(
            [](platform::FileCall, void*) -> platform::Status
            {
                if (--remaining == 0)
                    std::_Exit(86);
                return 0;
            },
            nullptr);
        const XString file =
            platform::FromWide(std::filesystem::absolute(args[2]).wstring().c_str());
        const auto section = ParseText(args[3]);
        const auto key = ParseText(args[4]);
        const auto value = ParseText(args[5]);
        platform::WritePrivateProfileText(Pointer(section), Pointer(key), Pointer(value), file);
        return 0;
    }
    if (args.size() == 4 && args[0] == "hammer")
    {
        const XString file =
            platform::FromWide(std::filesystem::absolute(args[1]).wstring().c_str());
        return profile_stress::Hammer(file, args[2], std::stoul(args[3])) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: profile_probe generate SEED COUNT SCRIPT\n"
                         "       profile_probe run SCRIPT FOLDER RESULTS\n"
                         "       profile_probe compare RESULTS RESULTS\n"
                         "       profile_probe hammer FILE PREFIX COUNT\n"
                         "       profile_probe crash N FILE SECTION KEY VALUE\n");
    return 2;
}
