// The program's texts, from the string table of its resources.
#pragma once

#include <initializer_list>
#include <string>

// The string resource id, or an empty string.
std::wstring LoadText(unsigned int id);

// The string resource id with its inserts %1, %2, ... filled in.
std::wstring FormatText(unsigned int id, std::initializer_list<std::wstring> inserts);
