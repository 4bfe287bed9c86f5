// The benchmark program: runs every case (the detailed report goes to
// standard error), measures peak memory in fresh processes, and prints the
// one table on standard output. Exit code 0 when every target was reached.
#include "BenchSetup.h"
#include "PeakMemory.h"
#include "Report.h"

#include <afxwin.h>
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace
{

// The updater's application object, as the program has one.
CWinApp theApp;

// Peak memory of the library's load and of the flat decoder; the largest of
// a few fresh processes, so a lucky run does not hide a bad one.
bench::MemoryFigures MeasureMemory(const std::filesystem::path& database, const char* stream,
                                   std::uint64_t offset)
{
    const int kRuns = 3;
    bench::MemoryFigures figures;
    try
    {
        figures.fileBytes = std::filesystem::file_size(database);
        for (int i = 0; i < kRuns; ++i)
        {
            std::vector<std::string> lumbrix = {"lumbrix", database.string()};
            if (stream != nullptr)
                lumbrix.emplace_back(stream);
            figures.peakBytes = std::max(figures.peakBytes, bench::MeasurePeakGrowth(lumbrix));
            figures.floorPeakBytes = std::max(
                figures.floorPeakBytes,
                bench::MeasurePeakGrowth({"floor", database.string(), std::to_string(offset)}));
        }
    }
    catch (const std::exception& e)
    {
        figures.error = e.what();
    }
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], bench::kPeakChildArgument) == 0)
        return bench::RunPeakChild(argc, argv);

    // Freed memory stays with the allocator, so that repeated loads and
    // their floors all run on memory already mapped, whatever ran before
    // them; what a first load in a fresh process costs shows in the peak
    // memory rows, which run in fresh processes.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);

    // The machine is shared: each case runs several times, interleaved at
    // random with the others (and so with its floor), and the table takes
    // the fastest run. Arguments given on the command line come later and win.
    std::vector<char*> arguments(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=7";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    char minTime[] = "--benchmark_min_time=0.2";
    arguments.insert(arguments.begin() + 1, {repetitions, interleaving, minTime});
    int nArguments = static_cast<int>(arguments.size());
    benchmark::Initialize(&nArguments, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(nArguments, arguments.data()))
        return 2;

    bench::RunFigures figures;
    {
        bench::CollectingReporter reporter;
        reporter.SetOutputStream(&std::cerr);
        reporter.SetErrorStream(&std::cerr);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        figures.times = reporter.times;
        figures.errors = reporter.errors;
    }
    benchmark::Shutdown();

    const bench::Inputs& inputs = bench::SharedInputs();
    figures.plain = MeasureMemory(inputs.plain, nullptr, 0);
    figures.compound =
        MeasureMemory(inputs.compound, bench::kStreamName, bench::kCompoundStreamOffset);

    int nMissed = 0;
    std::cout << bench::BuildTable(figures, nMissed);
    return nMissed == 0 ? 0 : 1;
}
