// Test-only write access to HKEY_LOCAL_MACHINE on Windows, for tests that
// read the product's keys through the real registry (under Wine).
#pragma once

#include <string>

namespace testing_support
{

// Creates the key (and its parents) and sets a REG_SZ or REG_EXPAND_SZ value
// holding the text and its terminating zero.
bool RegistrySetText(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                     bool expandable);
// Deletes the key with everything below it; true also when it was absent.
bool RegistryDeleteTree(const std::wstring& key);
bool RegistryKeyExists(const std::wstring& key);
// Whether the program runs under Wine rather than on Windows itself.
bool RunningUnderWine();

} // namespace testing_support
