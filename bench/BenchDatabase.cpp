// Generation and writing of the benchmarks' options databases.
#include "BenchDatabase.h"

#include "lumbrix/OptionLocus.h"

#include <afx.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <unordered_set>

namespace bench
{

namespace
{

const char kNameCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_ ";

std::string RandomName(Random& random)
{
    const std::uint32_t length = random.Between(8, 24);
    std::string name;
    name.reserve(length);
    for (std::uint32_t i = 0; i < length; ++i)
        name.push_back(kNameCharacters[random.Between(0, sizeof(kNameCharacters) - 2)]);
    return name;
}

// n distinct names, in generation order.
std::vector<std::string> DistinctNames(Random& random, std::uint32_t n)
{
    std::unordered_set<std::string> seen;
    std::vector<std::string> names;
    names.reserve(n);
    while (names.size() < n)
    {
        std::string name = RandomName(random);
        if (seen.insert(name).second)
            names.push_back(std::move(name));
    }
    return names;
}

std::vector<std::uint32_t> ShuffledIds(Random& random, std::uint32_t n)
{
    std::vector<std::uint32_t> ids(n);
    for (std::uint32_t i = 0; i < n; ++i)
        ids[i] = i + 1;
    for (std::uint32_t i = n; i > 1; --i)
        std::swap(ids[i - 1], ids[random.Between(0, i - 1)]);
    return ids;
}

PanelInput MakePanel(Random& random, std::uint32_t number, std::uint32_t nOptions,
                     std::uint32_t nextPanel, std::uint32_t nNextPanelOptions)
{
    PanelInput panel;
    panel.number = number;
    const std::vector<std::string> names = DistinctNames(random, nOptions);
    const std::vector<std::uint32_t> ids = ShuffledIds(random, nOptions);
    panel.options.resize(nOptions);
    for (std::uint32_t k = 0; k < nOptions; ++k)
    {
        OptionInput& option = panel.options[k];
        option.id = ids[k];
        option.name = names[k];
        option.titleId = random.Between(1, 1000000);
        option.data1 = static_cast<std::uint32_t>(random.Next());
        option.data2 = static_cast<std::uint32_t>(random.Next());
        option.data3 = static_cast<std::uint32_t>(random.Next());
        option.nextPanel = nextPanel;
        const std::uint32_t nOffered = nNextPanelOptions == 0 ? 0 : random.Between(0, 8);
        for (std::uint32_t i = 0; i < nOffered; ++i)
            option.nextIds.push_back(random.Between(1, nNextPanelOptions));
    }
    return panel;
}

void WritePanels(CArchive& ar, const std::vector<PanelInput>& panels)
{
    ar << static_cast<int>(panels.size());
    for (const PanelInput& panel : panels)
    {
        ar << static_cast<UINT>(panel.number) << static_cast<UINT>(panel.options.size());
        for (const OptionInput& option : panel.options)
        {
            OptionLocus locus(option.id, CString(option.name.c_str()), option.titleId, option.data1,
                              option.data2, option.data3);
            locus.m_nNextPanel = option.nextPanel;
            for (const std::uint32_t id : option.nextIds)
                locus.m_arrNextIDs.Add(id);
            locus.Serialize(ar);
        }
    }
}

CString WidePath(const std::filesystem::path& path)
{
    const std::wstring wide = path.wstring();
    return CString(wide.c_str());
}

} // namespace

std::uint64_t Random::Next()
{
    // splitmix64
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint32_t Random::Between(std::uint32_t low, std::uint32_t high)
{
    const std::uint64_t span = static_cast<std::uint64_t>(high) - low + 1;
    return low + static_cast<std::uint32_t>(Next() % span);
}

std::vector<PanelInput> MakePanels(std::uint32_t nPanels, std::uint32_t nOptions,
                                   std::uint64_t seed)
{
    Random random(seed);
    std::vector<PanelInput> panels;
    for (std::uint32_t p = 1; p <= nPanels; ++p)
        panels.push_back(MakePanel(random, p, nOptions, p % nPanels + 1, nOptions));
    return panels;
}

std::vector<PanelInput> MakeChoicePanels(std::uint32_t nOptions, std::uint32_t nOffered,
                                         std::uint64_t seed)
{
    Random random(seed);
    std::vector<PanelInput> panels;
    panels.push_back(MakePanel(random, 1, 1, 2, 0));
    panels[0].options[0].name = "Chooser";
    panels.push_back(MakePanel(random, 2, nOptions, 0, 0));
    // Distinct offered identifiers, in no particular order.
    const std::vector<std::uint32_t> ids = ShuffledIds(random, nOptions);
    panels[0].options[0].nextIds.assign(ids.begin(), ids.begin() + std::min(nOffered, nOptions));
    return panels;
}

void WritePlainDatabase(const std::filesystem::path& path, const std::vector<PanelInput>& panels)
{
    CFile file(WidePath(path), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    WritePanels(ar, panels);
    ar.Close();
    file.Close();
}

void WriteCompoundDatabase(const std::filesystem::path& path, const std::string& streamName,
                           const std::vector<PanelInput>& panels)
{
    if (streamName.size() >= 256)
        throw std::invalid_argument("stream name too long");
    CFile file(WidePath(path), CFile::modeCreate | CFile::modeWrite);
    BYTE directory[kCompoundStreamOffset] = {};
    directory[0] = 1; // one entry
    for (int i = 0; i < 4; ++i)
        directory[4 + i] = static_cast<BYTE>(kCompoundStreamOffset >> (8 * i));
    std::copy(streamName.begin(), streamName.end(), directory + 8);
    file.Write(directory, sizeof(directory));
    CArchive ar(&file, CArchive::store);
    WritePanels(ar, panels);
    ar.Close();
    file.Close();
}

BenchFolder::BenchFolder()
{
    std::random_device device;
    const auto base = std::filesystem::temp_directory_path();
    for (;;)
    {
        m_path = base / ("quenvia-bench-" + std::to_string(device()));
        if (std::filesystem::create_directories(m_path))
            break;
    }
}

BenchFolder::~BenchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace bench
