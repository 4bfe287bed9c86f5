// The program's texts, from the string table of its resources.
#include "ResourceText.h"

#include <windows.h>

#include <vector>

std::wstring LoadText(unsigned int id)
{
    // Length 0 asks for a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::wstring FormatText(unsigned int id, std::initializer_list<std::wstring> inserts)
{
    const std::wstring format = LoadText(id);
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& insert : inserts)
        arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    wchar_t* formatted = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        format.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&formatted), 0,
        reinterpret_cast<va_list*>(arguments.data()));
    if (length == 0 || formatted == nullptr)
        return format;
    std::wstring text(formatted, length);
    LocalFree(formatted);
    return text;
}
