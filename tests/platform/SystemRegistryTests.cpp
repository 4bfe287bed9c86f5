// The system's registry (Windows): a REG_EXPAND_SZ value is expanded with
// the system's variables, never with those of the process, which its caller
// chose.
#include "TestRegistry.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{

const std::wstring kKey = L"SOFTWARE\\Quenvia Tests\\Expansion";

TEST(SystemRegistry, ExpandStringTakesTheSystemsVariablesOnly)
{
    ASSERT_TRUE(testing_support::RegistrySetText(
        kKey, L"Icon", L"%ProgramFiles%\\Quenvia\\Qvw.exe|%QuenviaNoSuchVariable%", true));
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"ProgramFiles", system, MAX_PATH), 0u);
    SetEnvironmentVariableW(L"ProgramFiles", L"D:\\Chosen by the caller");
    SetEnvironmentVariableW(L"QuenviaNoSuchVariable", L"chosen too");

    platform::RegistryKey key = 0;
    ASSERT_EQ(platform::RegistryOpenKey(kKey, key), platform::kSuccess);
    platform::XString text;
    EXPECT_EQ(platform::RegistryQueryString(key, L"Icon", text), platform::kSuccess);
    platform::RegistryCloseKey(key);

    SetEnvironmentVariableW(L"ProgramFiles", system);
    SetEnvironmentVariableW(L"QuenviaNoSuchVariable", nullptr);
    testing_support::RegistryDeleteTree(L"SOFTWARE\\Quenvia Tests");
    EXPECT_EQ(text, std::wstring(system) + L"\\Quenvia\\Qvw.exe|%QuenviaNoSuchVariable%");
}

} // namespace
