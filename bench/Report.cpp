// The benchmark table.
#include "Report.h"

#include "BenchSetup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace bench
{

namespace
{

const double kLoadRatioTarget = 3.0;
const double kListTargetNs = 1e6;
// A list's growth per fourfold size, relative to its floor's.
const double kGrowthLimit = 1.5;
const std::uint64_t kMegabyte = 1024 * 1024;

std::string Printf(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string Duration(double ns)
{
    if (ns < 1e3)
        return Printf("%.0f ns", ns);
    if (ns < 1e6)
        return Printf("%.2f µs", ns / 1e3);
    return Printf("%.2f ms", ns / 1e6);
}

std::string Megabytes(std::uint64_t bytes)
{
    return Printf("%.1f MB", static_cast<double>(bytes) / static_cast<double>(kMegabyte));
}

std::string Verdict(bool reached)
{
    return reached ? "yes" : "**no**";
}

class Table
{
public:
    explicit Table(const RunFigures& figures) : m_figures(figures)
    {
        m_out << "| Case | Measured | Floor | Ratio | Target | Reached |\n"
              << "|---|---|---|---|---|---|\n";
    }

    // The time of a case, or null after writing a row saying why there is none.
    const double* Time(const std::string& label, const std::string& name)
    {
        const auto error = m_figures.errors.find(name);
        const auto time = m_figures.times.find(name);
        if (error != m_figures.errors.end() || time == m_figures.times.end())
        {
            Row(label, error != m_figures.errors.end() ? "failed: " + error->second : "not run", "",
                "", "", "");
            return nullptr;
        }
        return &time->second;
    }

    // A timed case beside its floor (the case "<family>/floor[/<argument>]"),
    // with an optional upper bound on the ratio or on the time.
    void Timed(const std::string& label, const std::string& family, const std::string& argument,
               double ratioLimit = 0, double timeLimitNs = 0)
    {
        const std::string suffix = argument.empty() ? "" : "/" + argument;
        const std::string name = family + suffix;
        const double* time = Time(label, name);
        if (time == nullptr)
        {
            if (ratioLimit > 0 || timeLimitNs > 0)
                ++m_missed;
            return;
        }
        const auto floor = m_figures.times.find(family + "/floor" + suffix);
        const bool hasFloor = floor != m_figures.times.end() && floor->second > 0;
        const double ratio = hasFloor ? *time / floor->second : 0;
        std::string target;
        bool reached = true;
        if (ratioLimit > 0)
        {
            target = Printf("≤ %.0f× floor", ratioLimit);
            reached = hasFloor && ratio <= ratioLimit;
        }
        if (timeLimitNs > 0)
        {
            target = "< " + Duration(timeLimitNs);
            reached = *time < timeLimitNs;
        }
        if (!target.empty() && !reached)
            ++m_missed;
        Row(label, Duration(*time), hasFloor ? Duration(floor->second) : "—",
            hasFloor ? Printf("%.2f×", ratio) : "—", target.empty() ? "—" : target,
            target.empty() ? "—" : Verdict(reached));
    }

    // How a list's time grows with each fourfold panel size, beside the
    // growth of its floor, an n log n sort on the same machine. Caches make
    // both grow faster than n log n as the data outgrows them; a quadratic
    // algorithm would outgrow its floor by about 16 / 4.7 = 3.4 per step.
    void Growth(const std::string& label, const std::string& family)
    {
        std::vector<double> times;
        std::vector<double> floors;
        for (const std::uint32_t n : kListSizes)
        {
            const std::string suffix = "/" + std::to_string(n);
            const auto time = m_figures.times.find(family + suffix);
            const auto floor = m_figures.times.find(family + "/floor" + suffix);
            if (time == m_figures.times.end() || floor == m_figures.times.end() ||
                floor->second <= 0)
                break;
            times.push_back(time->second);
            floors.push_back(floor->second);
        }
        if (times.size() != std::size(kListSizes))
        {
            ++m_missed;
            Row(label, "not measured", "", "", "", Verdict(false));
            return;
        }
        std::string measured;
        std::string floor;
        std::string ratio;
        bool reached = true;
        for (std::size_t i = 1; i < times.size(); ++i)
        {
            const double growth = times[i] / times[i - 1];
            const double floorGrowth = floors[i] / floors[i - 1];
            const char* separator = i > 1 ? ", " : "";
            measured += separator + Printf("×%.1f", growth);
            floor += separator + Printf("×%.1f", floorGrowth);
            ratio += separator + Printf("%.2f", growth / floorGrowth);
            reached = reached && growth <= kGrowthLimit * floorGrowth;
        }
        if (!reached)
            ++m_missed;
        Row(label, measured, floor, ratio,
            Printf("each step ≤ %.1f× the floor's (n² would be 3.4×)", kGrowthLimit),
            Verdict(reached));
    }

    void Memory(const std::string& label, const MemoryFigures& memory)
    {
        const std::uint64_t limit = 4 * memory.fileBytes + 16 * kMegabyte;
        if (!memory.error.empty())
        {
            ++m_missed;
            Row(label, "failed: " + memory.error, "", "", "", Verdict(false));
            return;
        }
        const bool reached = memory.peakBytes <= limit;
        if (!reached)
            ++m_missed;
        Row(label, Megabytes(memory.peakBytes), Megabytes(memory.floorPeakBytes),
            memory.floorPeakBytes > 0
                ? Printf("%.2f×", static_cast<double>(memory.peakBytes) /
                                      static_cast<double>(memory.floorPeakBytes))
                : "—",
            "≤ 4 × " + Megabytes(memory.fileBytes) + " + 16 MB = " + Megabytes(limit),
            Verdict(reached));
    }

    std::string Text() const { return m_out.str(); }
    int Missed() const { return m_missed; }

private:
    void Row(const std::string& label, const std::string& measured, const std::string& floor,
             const std::string& ratio, const std::string& target, const std::string& reached)
    {
        m_out << "| " << label << " | " << measured << " | " << floor << " | " << ratio << " | "
              << target << " | " << reached << " |\n";
    }

    const RunFigures& m_figures;
    std::ostringstream m_out;
    int m_missed = 0;
};

} // namespace

void CollectingReporter::Keep(const std::string& name, double ns)
{
    const auto known = times.find(name);
    times[name] = known == times.end() ? ns : std::min(known->second, ns);
}

void CollectingReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
    {
        if (run.run_type != Run::RT_Iteration)
            continue;
        // The case's own name and arguments, without the run's settings.
        const std::string name =
            run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
        if (run.error_occurred)
        {
            errors[name] = run.error_message;
            continue;
        }
        // A case measured in pairs with its floor reports the fastest run of
        // each; any other case its time per iteration.
        const auto caseMin = run.counters.find("min_ns");
        const auto floorMin = run.counters.find("floor_min_ns");
        const double ns =
            caseMin != run.counters.end()
                ? caseMin->second.value
                : run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        Keep(name, ns);
        if (floorMin != run.counters.end())
        {
            Keep(run.run_name.function_name + "/floor" +
                     (run.run_name.args.empty() ? "" : "/" + run.run_name.args),
                 floorMin->second.value);
        }
    }
}

std::string BuildTable(const RunFigures& figures, int& nMissed)
{
    Table table(figures);
    const std::string db = "32 × 4,000 options";
    table.Timed("LoadDB, plain (" + db + ")", "LoadDB/plain", "", kLoadRatioTarget);
    table.Timed("LoadDB, compound (" + db + ")", "LoadDB/compound", "", kLoadRatioTarget);
    table.Memory("LoadDB, plain: peak memory growth", figures.plain);
    table.Memory("LoadDB, compound: peak memory growth", figures.compound);
    for (const char* kind : {"all", "choice"})
    {
        const std::string name = std::string("LoadNextPanelOptions/") + kind;
        for (const std::uint32_t n : kListSizes)
        {
            const std::string label =
                std::string("LoadNextPanelOptions, ") +
                (std::string(kind) == "all"
                     ? "no choice, " + std::to_string(n) + " options"
                     : "choice of " + std::to_string(Offered(n)) + " in " + std::to_string(n));
            table.Timed(label, name, std::to_string(n), 0, n == 4000 ? kListTargetNs : 0);
        }
        table.Growth(std::string("LoadNextPanelOptions, ") +
                         (std::string(kind) == "all" ? "no choice" : "choice") +
                         ": growth 1k → 4k → 16k",
                     name);
    }
    table.Timed("RetrieveOption by position, per call", "RetrieveOption/position", "");
    table.Timed("RetrieveOption by name, per call", "RetrieveOption/name", "");
    table.Timed("FindLocusById, per call (4,000 options)", "FindLocusById", "");
    table.Timed("RetrieveLastPanelOptionSeln, stored name, per call",
                "RetrieveLastPanelOptionSeln/stored", "");
    table.Timed("RetrieveLastPanelOptionSeln, nothing stored, per call",
                "RetrieveLastPanelOptionSeln/first_by_name", "");
    table.Timed("Brantel run to \"not applicable\" (BrantelMain), per run",
                "Brantel/not_applicable", "");
    nMissed = table.Missed();
    return table.Text();
}

} // namespace bench
