// POSIX: Windows-1252 stands in for the ANSI code page, or UTF-8 where the
// registry sets the system's code page to 65001.
#include "platform/registry.h"
#include "platform/text.h"

#include <atomic>

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

constexpr unsigned kWestern = 1252;
constexpr unsigned kUtf8 = 65001;

std::atomic<unsigned> g_codePage{0}; // 0 until known

// The code page the registry names where Windows keeps it: HKEY_LOCAL_MACHINE
// is the administrator's, unlike the environment or the user's locale.
unsigned CodePageFromRegistry()
{
    RegistryKey key = 0;
    if (RegistryOpenKey(u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", key) != kSuccess)
        return kWestern;
    XString value;
    const Status status = RegistryQueryString(key, u"ACP", value);
    RegistryCloseKey(key);
    return status == kSuccess && value == u"65001" ? kUtf8 : kWestern;
}

} // namespace

unsigned AnsiCodePage()
{
    const unsigned known = g_codePage.load();
    if (known != 0)
        return known;
    // Reading the registry may itself convert ANSI text: meanwhile, and on
    // this thread only, Windows-1252 serves.
    thread_local bool reading = false;
    if (reading)
        return kWestern;
    reading = true;
    unsigned expected = 0;
    g_codePage.compare_exchange_strong(expected, CodePageFromRegistry());
    reading = false;
    return g_codePage.load();
}

bool SetAnsiCodePage(unsigned codePage)
{
    if (codePage != kWestern && codePage != kUtf8)
        return false;
    g_codePage.store(codePage);
    return true;
}

XString AnsiToText(const char* bytes, std::size_t count)
{
    if (AnsiCodePage() == kUtf8)
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

bool TextToAnsi(XStringView text, std::string& bytes)
{
    // Like WideCharToMultiByte: in UTF-8 an unpaired surrogate becomes U+FFFD.
    if (AnsiCodePage() == kUtf8)
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

std::string TextToAnsi(XStringView text)
{
    std::string bytes;
    return TextToAnsi(text, bytes) ? bytes : std::string();
}

} // namespace platform
