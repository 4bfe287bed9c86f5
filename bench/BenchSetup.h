// The benchmarks' shared inputs, made once per process.
#pragma once

#include "BenchDatabase.h"
#include "FlatDecoder.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace bench
{

// The large database: 32 panels of 4,000 options.
const std::uint32_t kPanels = 32;
const std::uint32_t kOptionsPerPanel = 4000;
const char kStreamName[] = "Options";
// The panel the per-call lookups work on.
const std::uint32_t kLookupPanel = 5;
// Option counts of the list benchmarks; a choice offers an eighth of them.
const std::uint32_t kListSizes[] = {1000, 4000, 16000};
inline std::uint32_t Offered(std::uint32_t nOptions)
{
    return nOptions / 8;
}

struct Inputs
{
    BenchFolder folder;
    std::filesystem::path plain;
    std::filesystem::path compound;
    std::vector<PanelInput> panels;
    // For the option lists: a panel of n options and a choice offering n / 8.
    std::map<std::uint32_t, std::filesystem::path> choiceDatabases;
};

// Made on first use; the files live until the process ends.
Inputs& SharedInputs();
// The INI folder given to managers: the benchmark folder with a separator.
std::wstring IniFolder();
std::wstring Wide(const std::filesystem::path& path);

} // namespace bench
