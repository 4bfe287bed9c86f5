// CString operations.
#include "afx/string.h"

#include <algorithm>
#include <cstring>

namespace
{

using XCHAR = platform::XCHAR;
using XString = platform::XString;

XString UnitsOf(const wchar_t* text) { return platform::FromWide(text); }

// The Unicode white space characters, the set that iswspace reports.
bool IsSpace(XCHAR c)
{
    const unsigned u = static_cast<unsigned>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
           (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F ||
           u == 0x205F || u == 0x3000;
}

} // namespace

CString::CString(const wchar_t* text) : m_units(UnitsOf(text)) {}

CString::CString(const wchar_t* text, int length)
    : m_units(text != nullptr && length > 0
                  ? platform::FromWide(text, static_cast<std::size_t>(length))
                  : XString())
{
}

CString::CString(const char* ansi)
    : m_units(ansi != nullptr ? platform::AnsiToText(ansi, std::strlen(ansi)) : XString())
{
}

CString::CString(const char* ansi, int length)
    : m_units(ansi != nullptr && length > 0
                  ? platform::AnsiToText(ansi, static_cast<std::size_t>(length))
                  : XString())
{
}

CString::CString(wchar_t ch, int repeat)
{
    const XString unit = platform::FromWide(&ch, 1);
    for (int i = 0; i < repeat; ++i)
        m_units += unit;
}

CString& CString::operator=(const wchar_t* text)
{
    m_units = UnitsOf(text);
    Changed();
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    m_units = platform::FromWide(&ch, 1);
    Changed();
    return *this;
}

void CString::Empty()
{
    m_units.clear();
    Changed();
}

void CString::SetAt(int index, wchar_t ch)
{
    m_units.at(Index(index)) = static_cast<XCHAR>(ch);
    Changed();
}

const wchar_t* CString::GetString() const
{
#ifdef _WIN32
    return m_units.c_str();
#else
    if (!m_wide)
        m_wide = std::make_unique<std::wstring>(platform::ToWide(m_units));
    return m_wide->c_str();
#endif
}

std::string CString::ToAnsi() const { return platform::TextToAnsi(m_units); }
std::string CString::ToUtf8() const { return platform::ToUtf8(m_units); }
CString CString::FromUtf8(const std::string& bytes) { return CString(platform::FromUtf8(bytes)); }

CString& CString::operator+=(const CString& text)
{
    m_units += text.m_units;
    Changed();
    return *this;
}

CString& CString::operator+=(const wchar_t* text)
{
    m_units += UnitsOf(text);
    Changed();
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_units += platform::FromWide(&ch, 1);
    Changed();
    return *this;
}

int CString::Compare(const CString& text) const
{
    const int r = m_units.compare(text.m_units);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::Compare(const wchar_t* text) const { return Compare(CString(text)); }

int CString::CompareNoCase(const CString& text) const
{
    return platform::CompareNoCase(m_units, text.m_units);
}

int CString::CompareNoCase(const wchar_t* text) const { return CompareNoCase(CString(text)); }

int CString::Find(wchar_t ch, int start) const
{
    const XString unit = platform::FromWide(&ch, 1);
    return Find(CString(unit), start);
}

int CString::Find(const wchar_t* sub, int start) const { return Find(CString(sub), start); }

int CString::Find(const CString& sub, int start) const
{
    if (start < 0)
        start = 0;
    if (start > GetLength())
        return -1;
    const std::size_t at = m_units.find(sub.m_units, Index(start));
    return at == XString::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const
{
    const XString unit = platform::FromWide(&ch, 1);
    const std::size_t at = m_units.rfind(unit);
    return at == XString::npos ? -1 : static_cast<int>(at);
}

CString CString::Mid(int first) const { return Mid(first, GetLength() - first); }

CString CString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (count < 0)
        count = 0;
    const int length = GetLength();
    if (first > length)
        return CString();
    if (count > length - first)
        count = length - first;
    return CString(m_units.substr(Index(first), Index(count)));
}

CString CString::Left(int count) const
{
    if (count < 0)
        count = 0;
    return CString(m_units.substr(0, Index(std::min(count, GetLength()))));
}

CString CString::Right(int count) const
{
    if (count < 0)
        count = 0;
    const int length = GetLength();
    if (count > length)
        count = length;
    return CString(m_units.substr(Index(length - count)));
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    const XString from = UnitsOf(oldText);
    const XString to = UnitsOf(newText);
    if (from.empty())
        return 0;
    int count = 0;
    XString result;
    std::size_t pos = 0;
    for (;;)
    {
        const std::size_t at = m_units.find(from, pos);
        if (at == XString::npos)
            break;
        result.append(m_units, pos, at - pos);
        result += to;
        pos = at + from.size();
        ++count;
    }
    if (count == 0)
        return 0;
    result.append(m_units, pos, XString::npos);
    m_units = std::move(result);
    Changed();
    return count;
}

int CString::Replace(wchar_t oldChar, wchar_t newChar)
{
    const wchar_t from[2] = {oldChar, L'\0'};
    const wchar_t to[2] = {newChar, L'\0'};
    return Replace(from, to);
}

int CString::Delete(int index, int count)
{
    if (index < 0)
        index = 0;
    if (count > 0 && index < GetLength())
    {
        m_units.erase(Index(index), Index(count));
        Changed();
    }
    return GetLength();
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft()
{
    std::size_t first = 0;
    while (first < m_units.size() && IsSpace(m_units[first]))
        ++first;
    m_units.erase(0, first);
    Changed();
    return *this;
}

CString& CString::TrimRight()
{
    std::size_t end = m_units.size();
    while (end > 0 && IsSpace(m_units[end - 1]))
        --end;
    m_units.resize(end);
    Changed();
    return *this;
}

CString& CString::MakeUpper()
{
    for (XCHAR& c : m_units)
        if (c >= 'a' && c <= 'z')
            c = static_cast<XCHAR>(c - 32);
    Changed();
    return *this;
}

CString& CString::MakeLower()
{
    for (XCHAR& c : m_units)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<XCHAR>(c + 32);
    Changed();
    return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_units + b.m_units); }
CString operator+(const CString& a, const wchar_t* b) { return CString(a.m_units + UnitsOf(b)); }
CString operator+(const wchar_t* a, const CString& b) { return CString(UnitsOf(a) + b.m_units); }
CString operator+(const CString& a, wchar_t b) { return a + CString(b); }
CString operator+(wchar_t a, const CString& b) { return CString(a) + b; }

XString CString::FormatList(const wchar_t* format, const FormatArg* args, std::size_t count)
{
    const XString pattern = UnitsOf(format);
    XString out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i)
    {
        if (pattern[i] != '%')
        {
            out.push_back(pattern[i]);
            continue;
        }
        if (++i >= pattern.size())
            break;
        if (pattern[i] == '%')
        {
            out.push_back('%');
            continue;
        }
        bool left = false, zero = false, plus = false, blank = false;
        for (; i < pattern.size(); ++i)
        {
            if (pattern[i] == '-')
                left = true;
            else if (pattern[i] == '0')
                zero = true;
            else if (pattern[i] == '+')
                plus = true;
            else if (pattern[i] == ' ')
                blank = true;
            else if (pattern[i] != '#')
                break;
        }
        std::size_t width = 0;
        while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
            width = width * 10 + static_cast<std::size_t>(pattern[i++] - '0');
        bool hasPrecision = false;
        std::size_t precision = 0;
        if (i < pattern.size() && pattern[i] == '.')
        {
            hasPrecision = true;
            ++i;
            while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
                precision = precision * 10 + static_cast<std::size_t>(pattern[i++] - '0');
        }
        while (i < pattern.size() && (pattern[i] == 'l' || pattern[i] == 'h' || pattern[i] == 'I' ||
                                   pattern[i] == '6' || pattern[i] == '4' || pattern[i] == 'z'))
            ++i;
        if (i >= pattern.size())
            break;
        const XCHAR conversion = pattern[i];
        const FormatArg empty(0);
        const FormatArg& arg = next < count ? args[next] : empty;
        ++next;

        XString body;
        XString sign;
        if (conversion == 's')
        {
            body = arg.kind == FormatArg::Kind::Text ? arg.text : XString();
            if (hasPrecision && body.size() > precision)
                body.resize(precision);
        }
        else if (conversion == 'c')
        {
            body.push_back(static_cast<XCHAR>(arg.kind == FormatArg::Kind::Signed
                                                  ? static_cast<unsigned long long>(arg.number)
                                                  : arg.unsignedNumber));
        }
        else
        {
            unsigned long long magnitude = 0;
            bool negative = false;
            const bool isSigned = conversion == 'd' || conversion == 'i';
            if (arg.kind == FormatArg::Kind::Signed)
            {
                if (isSigned && arg.number < 0)
                {
                    negative = true;
                    magnitude = 0ULL - static_cast<unsigned long long>(arg.number);
                }
                else
                {
                    // An unsigned directive shows a negative int as the
                    // 32-bit value it holds, as printf does.
                    magnitude = isSigned ? static_cast<unsigned long long>(arg.number)
                                         : static_cast<unsigned long long>(arg.number) &
                                               (arg.number < 0 && arg.number >= INT32_MIN
                                                    ? 0xFFFFFFFFULL
                                                    : ~0ULL);
                }
            }
            else if (arg.kind == FormatArg::Kind::Unsigned)
            {
                magnitude = arg.unsignedNumber;
            }
            const unsigned base = (conversion == 'x' || conversion == 'X') ? 16 : 10;
            const char* digits =
                conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
            do
            {
                body.insert(body.begin(), static_cast<XCHAR>(digits[magnitude % base]));
                magnitude /= base;
            } while (magnitude != 0);
            if (hasPrecision && body.size() < precision)
                body.insert(0, precision - body.size(), '0');
            if (negative)
                sign.push_back('-');
            else if (isSigned && plus)
                sign.push_back('+');
            else if (isSigned && blank)
                sign.push_back(' ');
        }
        const std::size_t length = sign.size() + body.size();
        if (length >= width)
        {
            out += sign + body;
        }
        else if (left)
        {
            out += sign + body + XString(width - length, ' ');
        }
        else if (zero && conversion != 's' && conversion != 'c' && !hasPrecision)
        {
            out += sign + XString(width - length, '0') + body;
        }
        else
        {
            out += XString(width - length, ' ') + sign + body;
        }
    }
    return out;
}
