// The benchmarks' databases, generated once per process.
#include "BenchSetup.h"

namespace bench
{

namespace
{

const std::uint64_t kDatabaseSeed = 0x0B7105DB5EEDULL;

Inputs* MakeInputs()
{
    auto* inputs = new Inputs;
    inputs->panels = MakePanels(kPanels, kOptionsPerPanel, kDatabaseSeed);
    inputs->plain = inputs->folder.Path() / "options.wzd";
    inputs->compound = inputs->folder.Path() / "options.cmp";
    WritePlainDatabase(inputs->plain, inputs->panels);
    WriteCompoundDatabase(inputs->compound, kStreamName, inputs->panels);
    for (const std::uint32_t n : kListSizes)
    {
        const auto path = inputs->folder.Path() / ("list" + std::to_string(n) + ".wzd");
        WritePlainDatabase(path, MakeChoicePanels(n, Offered(n), kDatabaseSeed + n));
        inputs->choiceDatabases[n] = path;
    }
    return inputs;
}

} // namespace

Inputs& SharedInputs()
{
    static std::unique_ptr<Inputs> inputs(MakeInputs());
    return *inputs;
}

std::wstring Wide(const std::filesystem::path& path)
{
    return path.wstring();
}

std::wstring IniFolder()
{
    return Wide(SharedInputs().folder.Path()) +
           static_cast<wchar_t>(std::filesystem::path::preferred_separator);
}

} // namespace bench
