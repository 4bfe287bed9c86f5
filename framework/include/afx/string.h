// CString: the framework's wide string, UTF-16 inside on every platform.
#pragma once

#include "afx/types.h"
#include "platform/text.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>

class AFX_API CString
{
public:
    using XCHAR = platform::XCHAR;
    using XString = platform::XString;

    CString() = default;
    // A copy takes the text only; its wide form is made again when asked for.
    CString(const CString& other) : m_units(other.m_units) {}
    CString(CString&&) noexcept = default;
    CString& operator=(const CString& other)
    {
        if (this != &other)
        {
            m_units = other.m_units;
            Changed();
        }
        return *this;
    }
    CString& operator=(CString&&) noexcept = default;
    ~CString() = default;

    // A null pointer gives the empty string.
    CString(const wchar_t* text);
    CString(const wchar_t* text, int length);
    // 8-bit text in the ANSI code page, up to its first zero byte.
    CString(const char* ansi);
    // 8-bit text in the ANSI code page, exactly length bytes.
    CString(const char* ansi, int length);
    CString(wchar_t ch, int repeat = 1);
    explicit CString(XString units) : m_units(std::move(units)) {}

    CString& operator=(const wchar_t* text);
    CString& operator=(wchar_t ch);

    int GetLength() const { return static_cast<int>(m_units.size()); }
    BOOL IsEmpty() const { return m_units.empty(); }
    void Empty();
    wchar_t GetAt(int index) const { return static_cast<wchar_t>(m_units.at(Index(index))); }
    void SetAt(int index, wchar_t ch);
    wchar_t operator[](int index) const { return GetAt(index); }

    // The text as a null-terminated wide string; valid until the next change.
    const wchar_t* GetString() const;
    operator const wchar_t*() const { return GetString(); }
    // The UTF-16 code units themselves.
    const XString& Units() const { return m_units; }
    // The text in the ANSI code page ('?' for a character without a form).
    std::string ToAnsi() const;
    std::string ToUtf8() const;
    static CString FromUtf8(const std::string& bytes);

    CString& operator+=(const CString& text);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);

    // Code unit by code unit, case-sensitive; <0, 0 or >0.
    int Compare(const CString& text) const;
    int Compare(const wchar_t* text) const;
    int CompareNoCase(const CString& text) const;
    int CompareNoCase(const wchar_t* text) const;

    // -1 when not found.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int Find(const CString& sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    // Returns the number of replacements.
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int Replace(wchar_t oldChar, wchar_t newChar);
    int Delete(int index, int count = 1);

    // White space as the C library's iswspace knows it (Unicode spaces).
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    CString& MakeUpper();
    CString& MakeLower();

    // printf-style formatting with the directives %d %i %u %x %X %c %s %%,
    // flags, width, precision and the l / ll / h / I64 length letters; %s
    // takes a CString or a wide C string.
    template <typename... Args> void Format(const wchar_t* format, const Args&... args);
    template <typename... Args> void AppendFormat(const wchar_t* format, const Args&... args);

    friend bool operator==(const CString& a, const CString& b) { return a.m_units == b.m_units; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_units != b.m_units; }
    friend bool operator<(const CString& a, const CString& b) { return a.m_units < b.m_units; }
    friend bool operator>(const CString& a, const CString& b) { return b.m_units < a.m_units; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const wchar_t* b) { return a.Compare(b) != 0; }
    friend bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const wchar_t* a, const CString& b) { return b.Compare(a) != 0; }

    friend AFX_API CString operator+(const CString& a, const CString& b);
    friend AFX_API CString operator+(const CString& a, const wchar_t* b);
    friend AFX_API CString operator+(const wchar_t* a, const CString& b);
    friend AFX_API CString operator+(const CString& a, wchar_t b);
    friend AFX_API CString operator+(wchar_t a, const CString& b);

    // One argument of Format.
    struct FormatArg
    {
        enum class Kind
        {
            Signed,
            Unsigned,
            Text
        };
        Kind kind = Kind::Signed;
        long long number = 0;
        unsigned long long unsignedNumber = 0;
        XString text;

        FormatArg(int v) : number(v) {}
        FormatArg(long v) : number(v) {}
        FormatArg(long long v) : number(v) {}
        FormatArg(unsigned v) : kind(Kind::Unsigned), unsignedNumber(v) {}
        FormatArg(unsigned long v) : kind(Kind::Unsigned), unsignedNumber(v) {}
        FormatArg(unsigned long long v) : kind(Kind::Unsigned), unsignedNumber(v) {}
        FormatArg(unsigned short v) : kind(Kind::Unsigned), unsignedNumber(v) {}
        FormatArg(wchar_t v) : kind(Kind::Unsigned), unsignedNumber(static_cast<unsigned>(v)) {}
        FormatArg(const CString& v) : kind(Kind::Text), text(v.m_units) {}
        FormatArg(const wchar_t* v) : kind(Kind::Text), text(platform::FromWide(v)) {}
    };

private:
    static std::size_t Index(int index) { return static_cast<std::size_t>(index); }
    void Changed()
    {
#ifndef _WIN32
        m_wide.reset();
#endif
    }
    static XString FormatList(const wchar_t* format, const FormatArg* args, std::size_t count);

    XString m_units;
#ifndef _WIN32
    // wchar_t is wider than a code unit here: GetString hands out a copy,
    // made on first use so that strings never asked for it stay small.
    mutable std::unique_ptr<std::wstring> m_wide;
#endif
};

template <typename... Args> void CString::Format(const wchar_t* format, const Args&... args)
{
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    m_units = FormatList(format, list, sizeof...(Args));
    Changed();
}

template <typename... Args> void CString::AppendFormat(const wchar_t* format, const Args&... args)
{
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    m_units += FormatList(format, list, sizeof...(Args));
    Changed();
}

// Hashing for the framework's string-keyed maps.
template <> struct std::hash<CString>
{
    std::size_t operator()(const CString& s) const noexcept
    {
        return std::hash<platform::XString>()(s.Units());
    }
};
