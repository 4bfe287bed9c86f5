// Running lumbrix-db and lumbrix-wizard as programs, from the build tree.
#pragma once

#include "FakeOs.h"
#include "ProcessRunner.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tool_tests
{

namespace fs = std::filesystem;

// The built program tools/<folder>/<name> of this build tree.
fs::path ToolProgram(const std::wstring& folder, const std::wstring& name);
inline fs::path DbTool()
{
    return ToolProgram(L"db", L"lumbrix-db");
}
inline fs::path WizardTool()
{
    return ToolProgram(L"wizard", L"lumbrix-wizard");
}

// Runs a program in a folder; output is standard output and error together,
// with the CR of CR LF line ends taken out (Windows programs write text mode).
testing_support::RunResult RunTool(const fs::path& program,
                                   const std::vector<std::wstring>& arguments,
                                   const fs::path& folder,
                                   const std::optional<std::string>& input = std::nullopt);

// The names in a folder, sorted: what a run left behind.
std::vector<std::wstring> Listing(const fs::path& folder);

std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const std::string& bytes);

// UTF-8 text as the wide strings that arguments are made of.
std::wstring Wide(const std::string& utf8);

// Paths from UTF-8 and back to wide text, whatever the C library's locale
// (a path's own wide conversion follows the locale on POSIX).
fs::path PathOf(const std::string& utf8);
std::wstring WideOf(const fs::path& path);

} // namespace tool_tests
