// Options databases for the benchmarks: deterministic pseudo-random panels,
// written in the real file format (plain, or inside a compound file).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench
{

// One option as generated, before it becomes a record in a file.
struct OptionInput
{
    std::uint32_t id = 0;
    std::string name; // ASCII, 8 to 24 characters, unique within its panel
    std::uint32_t titleId = 0;
    std::uint32_t data1 = 0;
    std::uint32_t data2 = 0;
    std::uint32_t data3 = 0;
    std::uint32_t nextPanel = 0;
    std::vector<std::uint32_t> nextIds;
};

struct PanelInput
{
    std::uint32_t number = 0;
    std::vector<OptionInput> options;
};

// A small, fast generator with a fixed seed, so every run sees the same data.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next();
    // Uniform in [low, high].
    std::uint32_t Between(std::uint32_t low, std::uint32_t high);

private:
    std::uint64_t m_state;
};

// nPanels panels numbered 1..nPanels of nOptions options each. Identifiers
// are 1..nOptions in shuffled order; each option leads to the following
// panel and offers 0 to 8 of its identifiers.
std::vector<PanelInput> MakePanels(std::uint32_t nPanels, std::uint32_t nOptions,
                                   std::uint64_t seed);

// Two panels for the option-list cases: panel 1 holds one option, "Chooser",
// offering nOffered distinct identifiers of panel 2, which holds nOptions.
std::vector<PanelInput> MakeChoicePanels(std::uint32_t nOptions, std::uint32_t nOffered,
                                         std::uint64_t seed);

// The database in the file format, written through the framework's archive
// and the records' own Serialize. A compound file holds a directory with one
// 260-byte entry naming streamName, then the stream.
void WritePlainDatabase(const std::filesystem::path& path, const std::vector<PanelInput>& panels);
void WriteCompoundDatabase(const std::filesystem::path& path, const std::string& streamName,
                           const std::vector<PanelInput>& panels);

// Where the stream of a compound file written above starts.
const std::uint32_t kCompoundStreamOffset = 4 + 260;

// A folder of its own for one benchmark process, removed on destruction.
class BenchFolder
{
public:
    BenchFolder();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace bench
