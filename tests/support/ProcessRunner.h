// Runs a program for an end-to-end test: arguments, extra environment,
// working folder; captures its output, exit code and run time.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support
{

struct RunResult
{
    int exitCode = -1;
    std::string output; // standard output, as bytes
    double seconds = 0;
};

// With input, the program reads those bytes as its standard input, then the
// end of the file; without, it shares ours.
RunResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::wstring& workingFolder,
                     const std::map<std::string, std::string>& environment = {},
                     const std::optional<std::string>& input = std::nullopt);

// A program left running in the background until the object goes away.
class BackgroundProgram
{
public:
    BackgroundProgram(const std::wstring& program, const std::vector<std::wstring>& arguments);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

private:
    long long m_process;
};

// The path of the running test executable's folder.
std::wstring ExecutableFolder();

} // namespace testing_support
