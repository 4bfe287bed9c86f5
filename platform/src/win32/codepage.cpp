// Win32: the system's ANSI code page.
#include "../code_page.h"
#include "platform/text.h"

#include <windows.h>

#include <climits>

namespace platform
{
namespace
{

// Code pages for which WideCharToMultiByte fails when given flags (other than
// WC_ERR_INVALID_CHARS for UTF-8) or a default character: UTF-8 and UTF-7,
// the ISO-2022 and ISCII families, GB18030, HZ and Symbol.
bool TakesNoFlags(UINT codePage)
{
    return codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 42 ||
           (codePage >= 50220 && codePage <= 50229) || codePage == 52936 || codePage == 54936 ||
           (codePage >= 57002 && codePage <= 57011);
}

} // namespace

unsigned SystemAnsiCodePage()
{
    return GetACP();
}

XString AnsiToText(unsigned codePage, const char* bytes, std::size_t count)
{
    if (count == 0 || count > INT_MAX)
        return XString();
    const int size = static_cast<int>(count);
    const int length = MultiByteToWideChar(codePage, 0, bytes, size, nullptr, 0);
    if (length <= 0)
        return XString();
    XString out(static_cast<std::size_t>(length), L'\0');
    const int written = MultiByteToWideChar(codePage, 0, bytes, size, out.data(), length);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

bool TextToAnsi(unsigned codePage, XStringView text, std::string& bytes)
{
    bytes.clear();
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    // Where the code page allows it, a character without an exact form
    // becomes '?' rather than a look-alike.
    const bool plain = TakesNoFlags(codePage);
    const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = plain ? nullptr : "?";
    const int units = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, flags, text.data(), units, nullptr, 0, defaultChar, nullptr);
    if (length <= 0)
        return false;
    std::string out(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), units, out.data(), length, defaultChar,
                            nullptr) != length)
        return false;
    bytes.swap(out);
    return true;
}

} // namespace platform
