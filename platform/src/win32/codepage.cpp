// Win32: the ANSI code page of the calling thread.
#include "platform/text.h"

#include <windows.h>

namespace platform
{

XString AnsiToText(const char* bytes, std::size_t count)
{
    if (count == 0)
        return XString();
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(count),
                                           nullptr, 0);
    XString out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(count), out.data(), length);
    return out;
}

std::string TextToAnsi(XStringView text)
{
    if (text.empty())
        return std::string();
    const int units = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), units,
                                           nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), units, out.data(), length,
                        "?", nullptr);
    return out;
}

} // namespace platform
