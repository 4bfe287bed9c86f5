// Peak resident set of a load, from /proc/self/status of a fresh process.
#include "PeakMemory.h"

#include "FlatDecoder.h"
#include "lumbrix/OptionsManager.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace bench
{

namespace
{

// A field of /proc/self/status in bytes ("VmRSS:   1234 kB").
std::uint64_t StatusBytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.compare(0, field.size() + 1, field + ":") != 0)
            continue;
        std::istringstream value(line.substr(field.size() + 1));
        std::uint64_t kilobytes = 0;
        value >> kilobytes;
        return kilobytes * 1024;
    }
    throw std::runtime_error("no " + field + " in /proc/self/status");
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct PipeCloser
{
    void operator()(std::FILE* pipe) const { pclose(pipe); }
};

std::wstring Wide(const std::string& text)
{
    return std::filesystem::path(text).wstring();
}

} // namespace

std::uint64_t MeasurePeakGrowth(const std::vector<std::string>& arguments)
{
    std::string command =
        Quoted(std::filesystem::read_symlink("/proc/self/exe").string()) + " " + kPeakChildArgument;
    for (const std::string& argument : arguments)
        command += " " + Quoted(argument);

    std::FILE* raw = popen(command.c_str(), "r");
    if (raw == nullptr)
        throw std::runtime_error("cannot start " + command);
    std::unique_ptr<std::FILE, PipeCloser> pipe(raw);
    std::string output;
    char chunk[256];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), pipe.get())) > 0)
        output.append(chunk, n);
    const int status = pclose(pipe.release());

    std::istringstream in(output);
    std::string word;
    std::uint64_t growth = 0;
    if (status != 0 || !(in >> word >> growth) || word != "growth")
        throw std::runtime_error("peak measurement failed: " + command + ": " + output);
    return growth;
}

int RunPeakChild(int argc, char** argv)
{
    try
    {
        const std::string command = argc > 2 ? argv[2] : "";
        if (command == "lumbrix" && (argc == 4 || argc == 5))
        {
            const std::wstring database = Wide(argv[3]);
            const std::wstring folder =
                Wide(std::filesystem::path(argv[3]).parent_path().string() + "/");
            std::unique_ptr<OptionsManager> manager;
            if (argc == 5)
            {
                const std::wstring stream = Wide(argv[4]);
                manager = std::make_unique<OptionsManager>(database.c_str(), stream.c_str(),
                                                           folder.c_str());
            }
            else
            {
                manager = std::make_unique<OptionsManager>(database.c_str(), folder.c_str());
            }
            const std::uint64_t before = StatusBytes("VmRSS");
            if (manager->LoadDB() != 1)
                throw std::runtime_error("LoadDB failed");
            std::cout << "growth " << StatusBytes("VmHWM") - before << "\n";
            return 0;
        }
        if (command == "floor" && argc == 5)
        {
            const std::uint64_t before = StatusBytes("VmRSS");
            const std::vector<FlatRecord> records = DecodeFlat(argv[3], std::stoull(argv[4]));
            if (records.empty())
                throw std::runtime_error("no records");
            std::cout << "growth " << StatusBytes("VmHWM") - before << "\n";
            return 0;
        }
        std::cerr << "unknown peak command\n";
    }
    catch (const std::exception& e)
    {
        std::cerr << e.what() << "\n";
    }
    return 1;
}

} // namespace bench
