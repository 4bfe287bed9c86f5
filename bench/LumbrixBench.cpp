// Benchmarks of the options library, each beside its floor.
#include "BenchSetup.h"
#include "FlatDecoder.h"
#include "lumbrix/OptionsManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <unordered_map>

namespace bench
{

namespace
{

using OptionList = CTypedPtrArray<CObArray, OptionLocus*>;

const std::uint64_t kSeed = 0x51A7E5EEDULL;

std::unique_ptr<OptionsManager> LoadedManager(const std::filesystem::path& database)
{
    const std::wstring path = Wide(database);
    const std::wstring ini = IniFolder();
    auto manager = std::make_unique<OptionsManager>(path.c_str(), ini.c_str());
    if (manager->LoadDB() != 1)
        return nullptr;
    return manager;
}

std::vector<FlatRecord> FlatPanel(std::uint32_t nPanel)
{
    std::vector<FlatRecord> panel;
    for (FlatRecord& record : DecodeFlat(SharedInputs().plain, 0))
    {
        if (record.panel == nPanel)
            panel.push_back(std::move(record));
    }
    return panel;
}

bool FlatNameBefore(const FlatRecord* a, const FlatRecord* b)
{
    return a->name < b->name;
}

// --- Paired measurement ------------------------------------------------------

// Runs a case and its floor alternately, each timed on its own, so that both
// meet the same load of a shared machine. The iteration time is the case's;
// the counters keep the fastest run of each, which the table reports.
class Paired
{
public:
    explicit Paired(benchmark::State& state) : m_state(state) {}
    ~Paired()
    {
        if (m_caseMin > 0)
        {
            m_state.counters["min_ns"] = m_caseMin;
            m_state.counters["floor_min_ns"] = m_floorMin;
        }
    }
    Paired(const Paired&) = delete;
    Paired& operator=(const Paired&) = delete;

    template <typename Work> static double Nanoseconds(Work&& work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        return std::chrono::duration<double, std::nano>(end - start).count();
    }

    void Record(double caseNs, double floorNs)
    {
        m_state.SetIterationTime(caseNs / 1e9);
        m_caseMin = m_caseMin > 0 ? std::min(m_caseMin, caseNs) : caseNs;
        m_floorMin = m_floorMin > 0 ? std::min(m_floorMin, floorNs) : floorNs;
    }

private:
    benchmark::State& m_state;
    double m_caseMin = 0;
    double m_floorMin = 0;
};

// --- Loading the database --------------------------------------------------

// LoadDB on a fresh manager, beside the flat decoder of the same bytes.
// Releasing the panels and the flat records is not timed.
void LoadDb(benchmark::State& state, const std::filesystem::path& database, const char* stream,
            std::uint64_t offset)
{
    const std::wstring path = Wide(database);
    const std::wstring ini = IniFolder();
    const std::wstring streamName = stream != nullptr ? Wide(stream) : std::wstring();
    Paired paired(state);
    for (auto _ : state)
    {
        std::vector<FlatRecord> records;
        const double floorNs = Paired::Nanoseconds([&] { records = DecodeFlat(database, offset); });
        if (records.size() != std::size_t{kPanels} * kOptionsPerPanel)
            return state.SkipWithError("the floor decoder read a different record count");
        records = std::vector<FlatRecord>();

        std::unique_ptr<OptionsManager> manager;
        int nLoaded = 0;
        const double caseNs = Paired::Nanoseconds(
            [&]
            {
                manager = stream != nullptr
                              ? std::make_unique<OptionsManager>(path.c_str(), streamName.c_str(),
                                                                 ini.c_str())
                              : std::make_unique<OptionsManager>(path.c_str(), ini.c_str());
                nLoaded = manager->LoadDB();
            });
        if (nLoaded != 1 || manager->RetrieveOption(kPanels, kOptionsPerPanel - 1) == nullptr)
            return state.SkipWithError("LoadDB failed");
        manager.reset();
        paired.Record(caseNs, floorNs);
    }
    state.SetItemsProcessed(state.iterations() * kPanels * kOptionsPerPanel);
}

void LoadDbPlain(benchmark::State& state)
{
    LoadDb(state, SharedInputs().plain, nullptr, 0);
}
void LoadDbCompound(benchmark::State& state)
{
    LoadDb(state, SharedInputs().compound, kStreamName, kCompoundStreamOffset);
}

// --- Option lists ------------------------------------------------------------

// The records of the list database of n options: panel 2, and the
// identifiers that panel 1's only option offers.
struct FlatListPanel
{
    std::vector<FlatRecord> records;
    std::vector<std::uint32_t> offered;
};

FlatListPanel FlatList(std::uint32_t n)
{
    FlatListPanel list;
    for (FlatRecord& record : DecodeFlat(SharedInputs().choiceDatabases.at(n), 0))
    {
        if (record.panel == 1)
            list.offered = record.nextIds;
        else
            list.records.push_back(std::move(record));
    }
    return list;
}

// Every option of a panel of n, sorted; the floor copies the records'
// pointers and sorts them by name.
void ListAll(benchmark::State& state)
{
    const auto n = static_cast<std::uint32_t>(state.range(0));
    const auto manager = LoadedManager(SharedInputs().choiceDatabases.at(n));
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    const FlatListPanel flat = FlatList(n);
    std::vector<const FlatRecord*> sorted;
    sorted.reserve(flat.records.size());
    Paired paired(state);
    for (auto _ : state)
    {
        const double floorNs = Paired::Nanoseconds(
            [&]
            {
                sorted.clear();
                for (const FlatRecord& record : flat.records)
                    sorted.push_back(&record);
                std::sort(sorted.begin(), sorted.end(), FlatNameBefore);
            });
        benchmark::DoNotOptimize(sorted.data());
        OptionList* pList = nullptr;
        const double caseNs =
            Paired::Nanoseconds([&] { pList = manager->LoadNextPanelOptions(2, nullptr); });
        if (pList == nullptr || pList->GetSize() != n ||
            pList->GetAt(0)->m_strName.Units() != sorted.front()->name)
            return state.SkipWithError("the list does not hold every option in name order");
        paired.Record(caseNs, floorNs);
    }
    state.SetComplexityN(n);
}

// The n / 8 options a choice offers, sorted; the floor finds each offered
// identifier through a ready index and sorts the records by name.
void ListChoice(benchmark::State& state)
{
    const auto n = static_cast<std::uint32_t>(state.range(0));
    const auto manager = LoadedManager(SharedInputs().choiceDatabases.at(n));
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    if (manager->SetupNextPanel(1, manager->RetrieveOption(1, 0u)) != 1)
        return state.SkipWithError("SetupNextPanel failed");
    const FlatListPanel flat = FlatList(n);
    std::unordered_map<std::uint32_t, const FlatRecord*> byId;
    for (const FlatRecord& record : flat.records)
        byId.emplace(record.id, &record);
    std::vector<const FlatRecord*> sorted;
    sorted.reserve(flat.offered.size());
    Paired paired(state);
    for (auto _ : state)
    {
        const double floorNs = Paired::Nanoseconds(
            [&]
            {
                sorted.clear();
                for (const std::uint32_t id : flat.offered)
                    sorted.push_back(byId.at(id));
                std::sort(sorted.begin(), sorted.end(), FlatNameBefore);
            });
        benchmark::DoNotOptimize(sorted.data());
        OptionList* pList = nullptr;
        const double caseNs =
            Paired::Nanoseconds([&] { pList = manager->LoadNextPanelOptions(2, nullptr); });
        if (pList == nullptr || pList->GetSize() != Offered(n) ||
            pList->GetAt(0)->m_strName.Units() != sorted.front()->name)
            return state.SkipWithError("the list does not hold the offered options in name order");
        paired.Record(caseNs, floorNs);
    }
    state.SetComplexityN(n);
}

// --- Lookups, per call ----------------------------------------------------------

// The lookups cycle through this many pseudo-random targets.
const std::size_t kTargets = 4096;

std::vector<std::uint32_t> RandomPositions(std::uint32_t nCount)
{
    Random random(kSeed);
    std::vector<std::uint32_t> positions(kTargets);
    for (std::uint32_t& position : positions)
        position = random.Between(0, nCount - 1);
    return positions;
}

const PanelInput& LookupPanel()
{
    return SharedInputs().panels.at(kLookupPanel - 1);
}

void RetrieveByPosition(benchmark::State& state)
{
    const auto manager = LoadedManager(SharedInputs().plain);
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    const std::vector<std::uint32_t> positions = RandomPositions(kOptionsPerPanel);
    std::size_t i = 0;
    for (auto _ : state)
    {
        OptionLocus* pLocus = manager->RetrieveOption(kLookupPanel, positions[i++ % kTargets]);
        benchmark::DoNotOptimize(pLocus);
    }
    if (manager->RetrieveOption(kLookupPanel, positions[0])->m_strName !=
        CString(LookupPanel().options[positions[0]].name.c_str()))
        state.SkipWithError("position does not follow the file order");
}

void RetrieveByName(benchmark::State& state)
{
    const auto manager = LoadedManager(SharedInputs().plain);
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    std::vector<CString> names;
    for (const std::uint32_t position : RandomPositions(kOptionsPerPanel))
        names.emplace_back(LookupPanel().options[position].name.c_str());
    std::size_t i = 0;
    for (auto _ : state)
    {
        OptionLocus* pLocus = manager->RetrieveOption(kLookupPanel, names[i++ % kTargets]);
        if (pLocus == nullptr)
            return state.SkipWithError("name not found");
        benchmark::DoNotOptimize(pLocus);
    }
}

void FindById(benchmark::State& state)
{
    const auto manager = LoadedManager(SharedInputs().plain);
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    const auto* pMap = manager->PanelOptionMap(kLookupPanel);
    std::vector<std::uint32_t> ids;
    for (const std::uint32_t position : RandomPositions(kOptionsPerPanel))
        ids.push_back(LookupPanel().options[position].id);
    std::size_t i = 0;
    for (auto _ : state)
    {
        OptionLocus* pLocus = manager->FindLocusById(pMap, ids[i++ % kTargets]);
        if (pLocus == nullptr)
            return state.SkipWithError("identifier not found");
        benchmark::DoNotOptimize(pLocus);
    }
}

void FloorByPosition(benchmark::State& state)
{
    const std::vector<FlatRecord> panel = FlatPanel(kLookupPanel);
    const std::vector<std::uint32_t> positions = RandomPositions(kOptionsPerPanel);
    std::size_t i = 0;
    for (auto _ : state)
    {
        const FlatRecord* pRecord = &panel[positions[i++ % kTargets]];
        benchmark::DoNotOptimize(pRecord);
    }
}

void FloorByName(benchmark::State& state)
{
    const std::vector<FlatRecord> panel = FlatPanel(kLookupPanel);
    std::unordered_map<std::u16string, const FlatRecord*> byName;
    for (const FlatRecord& record : panel)
        byName.emplace(record.name, &record);
    std::vector<std::u16string> names;
    for (const std::uint32_t position : RandomPositions(kOptionsPerPanel))
        names.push_back(panel[position].name);
    std::size_t i = 0;
    for (auto _ : state)
    {
        const auto found = byName.find(names[i++ % kTargets]);
        benchmark::DoNotOptimize(found);
    }
}

// Floor of the identifier search: the first match in a flat array.
void FloorById(benchmark::State& state)
{
    const std::vector<FlatRecord> panel = FlatPanel(kLookupPanel);
    std::vector<std::uint32_t> ids;
    for (const std::uint32_t position : RandomPositions(kOptionsPerPanel))
        ids.push_back(panel[position].id);
    std::size_t i = 0;
    for (auto _ : state)
    {
        const std::uint32_t id = ids[i++ % kTargets];
        const auto found = std::find_if(panel.begin(), panel.end(),
                                        [id](const FlatRecord& r) { return r.id == id; });
        benchmark::DoNotOptimize(found);
    }
}

void LastSelectionStored(benchmark::State& state)
{
    const auto manager = LoadedManager(SharedInputs().plain);
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    OptionLocus* pChosen = manager->RetrieveOption(kLookupPanel, 1234u);
    if (manager->SaveLastPanelOptionSeln(kLookupPanel, pChosen) != 1)
        return state.SkipWithError("SaveLastPanelOptionSeln failed");
    for (auto _ : state)
    {
        OptionLocus* pLocus = nullptr;
        if (manager->RetrieveLastPanelOptionSeln(kLookupPanel, pLocus) != 1 || pLocus != pChosen)
            return state.SkipWithError("the stored option did not come back");
        benchmark::DoNotOptimize(pLocus);
    }
}

void LastSelectionFirstByName(benchmark::State& state)
{
    const auto manager = LoadedManager(SharedInputs().plain);
    if (!manager)
        return state.SkipWithError("LoadDB failed");
    // Nothing is ever stored for this panel.
    const std::uint32_t nPanel = kLookupPanel + 1;
    const PanelInput& panel = SharedInputs().panels.at(nPanel - 1);
    const std::string first =
        std::min_element(panel.options.begin(), panel.options.end(),
                         [](const OptionInput& a, const OptionInput& b) { return a.name < b.name; })
            ->name;
    for (auto _ : state)
    {
        OptionLocus* pLocus = nullptr;
        if (manager->RetrieveLastPanelOptionSeln(nPanel, pLocus) != 1)
            return state.SkipWithError("no option came back");
        benchmark::DoNotOptimize(pLocus);
    }
    OptionLocus* pLocus = nullptr;
    manager->RetrieveLastPanelOptionSeln(nPanel, pLocus);
    if (pLocus == nullptr || pLocus->m_strName != CString(first.c_str()))
        state.SkipWithError("not the first option by name");
}

} // namespace

BENCHMARK(LoadDbPlain)->Name("LoadDB/plain")->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(LoadDbCompound)->Name("LoadDB/compound")->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(ListAll)
    ->Name("LoadNextPanelOptions/all")
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(16000)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();
BENCHMARK(ListChoice)
    ->Name("LoadNextPanelOptions/choice")
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(16000)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();

BENCHMARK(RetrieveByPosition)->Name("RetrieveOption/position");
BENCHMARK(FloorByPosition)->Name("RetrieveOption/position/floor");
BENCHMARK(RetrieveByName)->Name("RetrieveOption/name");
BENCHMARK(FloorByName)->Name("RetrieveOption/name/floor");
BENCHMARK(FindById)->Name("FindLocusById");
BENCHMARK(FloorById)->Name("FindLocusById/floor");
BENCHMARK(LastSelectionStored)->Name("RetrieveLastPanelOptionSeln/stored");
BENCHMARK(LastSelectionFirstByName)->Name("RetrieveLastPanelOptionSeln/first_by_name");

} // namespace bench
