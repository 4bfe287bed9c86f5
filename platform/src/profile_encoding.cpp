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

bool ToUtf16LeFile(const std::string& bytes, std::string& result)
{
    std::size_t markLength = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const Encoding encoding = EncodingFromMark(data, bytes.size(), markLength);
    const std::size_t count = bytes.size() - markLength;
    XString text;
    switch (encoding)
    {
    case Encoding::Ansi:
        text = AnsiToText(bytes.data(), bytes.size());
        break;
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        text = FromUtf8(std::string_view(bytes).substr(markLength));
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        if (count % 2 != 0)
            return false;
        for (std::size_t at = markLength; at < bytes.size(); at += 2)
        {
            const unsigned first = data[at];
            const unsigned second = data[at + 1];
            text.push_back(static_cast<XCHAR>(
                encoding == Encoding::Utf16Le ? first | (second << 8u) : (first << 8u) | second));
        }
        break;
    }
    result.assign("\xFF\xFE");
    result.reserve(2 + 2 * text.size());
    for (const XCHAR c : text)
    {
        const auto unit = static_cast<unsigned>(c);
        result.push_back(static_cast<char>(unit & 0xFFu));
        result.push_back(static_cast<char>(unit >> 8u));
    }
    return true;
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
