// Private profile files: rules shared by the Win32 and POSIX implementations.
#include "profile_encoding.h"

namespace platform
{
namespace profile
{
namespace
{

bool HasLineBreakOrNul(XStringView text)
{
    for (const XCHAR c : text)
    {
        if (c == '\r' || c == '\n' || c == 0)
            return true;
    }
    return false;
}

} // namespace

Encoding EncodingFromMark(const unsigned char* bytes, std::size_t count, std::size_t& markLength)
{
    markLength = 0;
    if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
    {
        markLength = 3;
        return Encoding::Utf8Bom;
    }
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
    {
        markLength = 2;
        return Encoding::Utf16Le;
    }
    if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
    {
        markLength = 2;
        return Encoding::Utf16Be;
    }
    return Encoding::Ansi;
}

bool IsBlank(XCHAR c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

XStringView TrimBlanks(XStringView text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool FitsAnsi(XStringView text)
{
    const std::string bytes = TextToAnsi(text);
    return AnsiToText(bytes.data(), bytes.size()) == text;
}

bool IsStorable(const XString* section, const XString* key, const XString* value)
{
    if (section != nullptr && HasLineBreakOrNul(*section))
        return false;
    if (value != nullptr && HasLineBreakOrNul(*value))
        return false;
    if (key == nullptr)
        return true;
    if (HasLineBreakOrNul(*key) || key->find(static_cast<XCHAR>('=')) != XString::npos)
        return false;
    const XStringView name = TrimBlanks(*key);
    return name.empty() || name.front() != '[';
}

XString ListFromBuffer(const XCHAR* buffer, std::size_t size)
{
    XString names;
    std::size_t start = 0;
    while (start < size && buffer[start] != 0)
    {
        std::size_t end = start;
        while (end < size && buffer[end] != 0)
            ++end;
        names.append(buffer + start, end - start);
        names.push_back(0);
        start = end + 1;
    }
    if (!names.empty())
        names.push_back(0);
    return names;
}

} // namespace profile
} // namespace platform
