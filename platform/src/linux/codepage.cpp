// Linux: Windows-1252 stands in for the ANSI code page, or UTF-8 where the
// registry sets the system's code page to 65001.
#include "../code_page.h"
#include "platform/text.h"
#include "registry_code_page.h"

namespace platform
{
namespace
{

// 0x80..0x9F of Windows-1252; the five undefined bytes map to the C1
// control with the same value, as MultiByteToWideChar does.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr unsigned kUtf8 = 65001;

} // namespace

unsigned SystemAnsiCodePage()
{
    static const unsigned codePage = CodePageFromRegistry();
    return codePage;
}

XString AnsiToText(unsigned codePage, const char* bytes, std::size_t count)
{
    if (codePage == kUtf8)
        return FromUtf8(std::string_view(bytes, count));
    XString out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<XCHAR>(b));
    }
    return out;
}

bool TextToAnsi(unsigned codePage, XStringView text, std::string& bytes)
{
    // Like WideCharToMultiByte: in UTF-8 an unpaired surrogate becomes U+FFFD.
    if (codePage == kUtf8)
    {
        bytes = ToUtf8(text);
        return true;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char16_t c = text[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (unsigned k = 0; k < 32; ++k)
        {
            if (kHigh[k] == c)
            {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        // A surrogate pair is one character without an ANSI form.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        out.push_back(mapped);
    }
    bytes.swap(out);
    return true;
}

} // namespace platform
