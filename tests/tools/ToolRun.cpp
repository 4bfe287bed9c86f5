#include "ToolRun.h"

#include "platform/text.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tool_tests
{

fs::path ToolProgram(const std::wstring& folder, const std::wstring& name)
{
#ifdef _WIN32
    const std::wstring file = name + L".exe";
#else
    const std::wstring file = name;
#endif
    // The tests live in <build>/tests/tools, the programs in <build>/tools.
    return fs::path(testing_support::ExecutableFolder()).parent_path().parent_path() / L"tools" /
           folder / file;
}

testing_support::RunResult RunTool(const fs::path& program,
                                   const std::vector<std::wstring>& arguments,
                                   const fs::path& folder, const std::optional<std::string>& input)
{
    testing_support::RunResult result =
        testing_support::RunProgram(WideOf(program), arguments, WideOf(folder), {}, input);
    result.output.erase(std::remove(result.output.begin(), result.output.end(), '\r'),
                        result.output.end());
    return result;
}

std::vector<std::wstring> Listing(const fs::path& folder)
{
    std::vector<std::wstring> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::wstring Wide(const std::string& utf8)
{
    return platform::ToWide(platform::FromUtf8(utf8));
}

fs::path PathOf(const std::string& utf8)
{
#ifdef _WIN32
    return fs::path(Wide(utf8));
#else
    return fs::u8path(utf8);
#endif
}

std::wstring WideOf(const fs::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    return Wide(path.u8string());
#endif
}

} // namespace tool_tests
