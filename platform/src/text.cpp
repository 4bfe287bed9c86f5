// Portable text conversions.
#include "platform/text.h"

#include "platform/os.h"

namespace platform
{
namespace
{

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(XString& out, char32_t cp)
{
    if (cp >= 0x110000 || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x10000)
    {
        out.push_back(static_cast<XCHAR>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<XCHAR>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<XCHAR>(0xDC00 + (cp & 0x3FF)));
}

// Decodes the code point at text[i], advancing i past it.
char32_t NextCodePoint(XStringView text, std::size_t& i)
{
    const char32_t u = text[i++];
    if (u >= 0xD800 && u <= 0xDBFF && i < text.size())
    {
        const char32_t low = text[i];
        if (low >= 0xDC00 && low <= 0xDFFF)
        {
            ++i;
            return 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    if (u >= 0xD800 && u <= 0xDFFF)
        return kReplacement;
    return u;
}

} // namespace

XString FromWide(const wchar_t* text)
{
    if (text == nullptr)
        return XString();
    return FromWide(text, std::char_traits<wchar_t>::length(text));
}

XString FromWide(const wchar_t* text, std::size_t length)
{
#ifdef _WIN32
    return XString(text, length);
#else
    // An unpaired surrogate stays what it is, as in Windows' own wide text:
    // it may be a byte of a file name (see DecodeFileName).
    XString out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i)
    {
        const auto cp = static_cast<char32_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDFFF)
            out.push_back(static_cast<XCHAR>(cp));
        else
            AppendUtf16(out, cp);
    }
    return out;
#endif
}

std::wstring ToWide(XStringView text)
{
#ifdef _WIN32
    return std::wstring(text);
#else
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t at = i;
        const char32_t cp = NextCodePoint(text, i);
        const bool unpaired = i == at + 1 && text[at] >= 0xD800 && text[at] <= 0xDFFF;
        out.push_back(static_cast<wchar_t>(unpaired ? static_cast<char32_t>(text[at]) : cp));
    }
    return out;
#endif
}

std::string ToUtf8(XStringView text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
    {
        const char32_t cp = NextCodePoint(text, i);
        if (cp < 0x80)
        {
            out.push_back(static_cast<char>(cp));
        }
        else if (cp < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else if (cp < 0x10000)
        {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

bool DecodeUtf8(std::string_view bytes, Utf8Policy policy, XString& out)
{
    out.reserve(out.size() + bytes.size());
    std::size_t i = 0;
    while (i < bytes.size())
    {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80)
        {
            out.push_back(static_cast<XCHAR>(b0));
            ++i;
            continue;
        }
        const std::size_t extra = (b0 & 0xE0) == 0xC0   ? 1
                                  : (b0 & 0xF0) == 0xE0 ? 2
                                  : (b0 & 0xF8) == 0xF0 ? 3
                                                        : 0;
        char32_t cp = extra == 1 ? (b0 & 0x1Fu) : extra == 2 ? (b0 & 0x0Fu) : (b0 & 0x07u);
        bool whole = extra > 0;
        for (std::size_t k = 1; whole && k <= extra; ++k)
        {
            if (i + k >= bytes.size() || (static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                whole = false;
            else
                cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3Fu);
        }
        const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        const bool shortest = whole && cp >= minimum;
        if (shortest && cp < 0x110000 && (cp < 0xD800 || cp > 0xDFFF))
        {
            AppendUtf16(out, cp);
            i += extra + 1;
            continue;
        }
        switch (policy)
        {
        case Utf8Policy::kReplace:
            // A broken or overlong sequence costs one replacement for its lead
            // byte; a complete one that is no character, one for all of it.
            out.push_back(static_cast<XCHAR>(kReplacement));
            i += shortest ? extra + 1 : 1;
            break;
        case Utf8Policy::kEscapeBytes:
            out.push_back(static_cast<XCHAR>(0xDC00 + b0));
            ++i;
            break;
        case Utf8Policy::kReject:
            return false;
        }
    }
    return true;
}

XString FromUtf8(std::string_view bytes)
{
    XString out;
    DecodeUtf8(bytes, Utf8Policy::kReplace, out);
    return out;
}

XString DecodeFileName(std::string_view bytes)
{
    // Only the shortest form of a code point outside the surrogates decodes;
    // every byte of anything else is escaped on its own.
    XString out;
    DecodeUtf8(bytes, Utf8Policy::kEscapeBytes, out);
    return out;
}

bool EncodeFileName(XStringView name, std::string& bytes)
{
    bytes.clear();
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i)
    {
        const char32_t u = name[i];
        if (u == 0)
            return false;
        if (u >= 0xDC80 && u <= 0xDCFF)
        {
            out.push_back(static_cast<char>(u - 0xDC00));
            continue;
        }
        const bool paired = u >= 0xD800 && u <= 0xDBFF && i + 1 < name.size() &&
                            name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
        if (u >= 0xD800 && u <= 0xDFFF && !paired)
            return false;
        const std::size_t length = paired ? 2 : 1;
        out += ToUtf8(name.substr(i, length));
        i += length - 1;
    }
    bytes.swap(out);
    return true;
}

XString Ascii(const char* text)
{
    XString out;
    for (; *text != '\0'; ++text)
        out.push_back(static_cast<XCHAR>(static_cast<unsigned char>(*text)));
    return out;
}

// The conversions in the code page of the Os in use; each platform's
// codepage.cpp converts in a given one.
XString AnsiToText(const char* bytes, std::size_t count)
{
    return AnsiToText(CurrentOs().AnsiCodePage(), bytes, count);
}

bool TextToAnsi(XStringView text, std::string& bytes)
{
    return TextToAnsi(CurrentOs().AnsiCodePage(), text, bytes);
}

std::string TextToAnsi(XStringView text)
{
    std::string bytes;
    return TextToAnsi(text, bytes) ? bytes : std::string();
}

std::string WithCarriageReturns(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (const char c : bytes)
    {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

XCHAR FoldCase(XCHAR c)
{
    const unsigned u = static_cast<unsigned>(c);
    if (u < 0x80)
        return (u >= 'A' && u <= 'Z') ? static_cast<XCHAR>(u + 32) : c;
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7)
        return static_cast<XCHAR>(u + 32);
    if (u >= 0x100 && u <= 0x17F)
    {
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F)
            return c;
        if (u == 0x178)
            return static_cast<XCHAR>(0xFF);
        const bool oddUpper = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        if (oddUpper)
            return (u % 2 == 1) ? static_cast<XCHAR>(u + 1) : c;
        return (u % 2 == 0) ? static_cast<XCHAR>(u + 1) : c;
    }
    if (u >= 0x391 && u <= 0x3A9 && u != 0x3A2)
        return static_cast<XCHAR>(u + 32);
    if (u >= 0x410 && u <= 0x42F)
        return static_cast<XCHAR>(u + 32);
    if (u >= 0x400 && u <= 0x40F)
        return static_cast<XCHAR>(u + 80);
    return c;
}

int CompareNoCase(XStringView a, XStringView b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        const unsigned x = FoldCase(a[i]);
        const unsigned y = FoldCase(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace platform
