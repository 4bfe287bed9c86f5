// The one table of a benchmark run: every case beside its floor, and whether
// each target was reached.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

namespace bench
{

// Passes every run on to the console reporter and keeps, per benchmark, the
// fastest repetition's wall-clock time per iteration (or its error).
class CollectingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    // Nanoseconds per iteration; absent when the case did not run.
    std::map<std::string, double> times;
    std::map<std::string, std::string> errors;

private:
    // Keeps the fastest time seen for the case.
    void Keep(const std::string& name, double ns);
};

struct MemoryFigures
{
    std::uint64_t fileBytes = 0;
    std::uint64_t peakBytes = 0;      // growth of the peak resident set
    std::uint64_t floorPeakBytes = 0; // the same for the flat decoder
    std::string error;
};

struct RunFigures
{
    std::map<std::string, double> times;
    std::map<std::string, std::string> errors;
    MemoryFigures plain;
    MemoryFigures compound;
};

// The markdown table, and the number of targets not reached (cases that
// failed or did not run count as not reached).
std::string BuildTable(const RunFigures& figures, int& nMissed);

} // namespace bench
