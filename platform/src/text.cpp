// Portable text conversions.
#include "platform/text.h"

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

XString FromUtf8(std::string_view bytes)
{
    XString out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size())
    {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (b0 < 0x80)
        {
            out.push_back(static_cast<XCHAR>(b0));
            ++i;
            continue;
        }
        if ((b0 & 0xE0) == 0xC0)
        {
            extra = 1;
            cp = b0 & 0x1Fu;
            minimum = 0x80;
        }
        else if ((b0 & 0xF0) == 0xE0)
        {
            extra = 2;
            cp = b0 & 0x0Fu;
            minimum = 0x800;
        }
        else if ((b0 & 0xF8) == 0xF0)
        {
            extra = 3;
            cp = b0 & 0x07u;
            minimum = 0x10000;
        }
        else
        {
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool valid = true;
        for (int k = 0; k < extra; ++k, ++j)
        {
            if (j >= bytes.size() || (static_cast<unsigned char>(bytes[j]) & 0xC0) != 0x80)
            {
                valid = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(bytes[j]) & 0x3Fu);
        }
        if (!valid || cp < minimum)
        {
            // A broken sequence costs one replacement for its lead byte.
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i = j;
    }
    return out;
}

XString DecodeFileName(std::string_view bytes)
{
    XString out;
    out.reserve(bytes.size());
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
        // Only the shortest form of a code point outside the surrogates
        // decodes; every byte of anything else is escaped on its own.
        const int extra = (b0 & 0xE0) == 0xC0   ? 1
                          : (b0 & 0xF0) == 0xE0 ? 2
                          : (b0 & 0xF8) == 0xF0 ? 3
                                                : 0;
        char32_t cp = extra == 1 ? (b0 & 0x1Fu) : extra == 2 ? (b0 & 0x0Fu) : (b0 & 0x07u);
        bool valid = extra > 0;
        for (int k = 1; valid && k <= extra; ++k)
        {
            if (i + static_cast<std::size_t>(k) >= bytes.size())
            {
                valid = false;
                break;
            }
            const auto b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80)
                valid = false;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (!valid || cp < minimum || cp >= 0x110000 || (cp >= 0xD800 && cp <= 0xDFFF))
        {
            out.push_back(static_cast<XCHAR>(0xDC00 + b0));
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
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
