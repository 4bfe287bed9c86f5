// A registry export file as anyone may have written it: the whole validation
// of the installation reads it, then the product's keys and a few others are
// opened and queried directly.
#include "FuzzSupport.h"

#include "PatchExecute.h"
#include "platform/registry.h"

#include <cstdint>
#include <cstdlib>

namespace
{

using fuzzing::Require;

// The registry is this platform's, read from the input file; there is no
// descriptor beside the program.
class RegistryOs : public fuzzing::QuietOs
{
public:
    platform::XString ModuleFileName() override
    {
        return platform::Ascii("/quenvia-fuzz/patch/Brantel.exe");
    }
    bool PathExists(platform::XStringView) override { return false; }

    platform::Status RegistryOpenKey(platform::XStringView subKey,
                                     platform::RegistryKey& key) override
    {
        const platform::Status status = platform::RegistryOpenKey(subKey, key);
        if (status == platform::kSuccess)
            ++openKeys;
        return status;
    }
    void RegistryCloseKey(platform::RegistryKey key) override
    {
        --openKeys;
        platform::RegistryCloseKey(key);
    }

    int openKeys = 0;
};

// The validation opens the product's keys in both modes; these are others.
const char* const kKeys[] = {
    "",
    "SOFTWARE",
    "software\\dorvane software inc.\\quenvia\\14.0\\",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0",
    "\\SOFTWARE",
    "SOFTWARE\\\\Wow6432Node",
};

const char* const kValues[] = {"Version", "Installpath", "DisplayIcon", "", "VERSION", "Other"};

void QueryKeys()
{
    for (const char* name : kKeys)
    {
        platform::RegistryKey key = 0;
        const platform::Status opened = platform::RegistryOpenKey(platform::Ascii(name), key);
        if (opened != platform::kSuccess)
            continue;
        for (const char* value : kValues)
        {
            platform::XString text;
            const platform::Status status =
                platform::RegistryQueryString(key, platform::Ascii(value), text);
            if (status == platform::kSuccess)
                Require(text.size() < 256 &&
                            text.find(platform::XCHAR()) == platform::XString::npos,
                        "a value fits the query buffer and ends at its first zero");
        }
        platform::RegistryCloseKey(key);
        platform::XString text;
        Require(platform::RegistryQueryString(key, platform::Ascii("Version"), text) ==
                    platform::kErrorInvalidHandle,
                "a closed key answers no more");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static RegistryOs os;
    static const platform::ScopedOs scope(os);
    static const fuzzing::InputFile file("registry.reg");
    static const bool pointed = setenv("BRANTEL_REGISTRY", file.Path().c_str(), 1) == 0;
    Require(pointed, "the registry file is named");

    file.Write(data, size);
    {
        CPatchExecute patch;
        Require(!patch.IsReadyToPatch(), "no descriptor, no patch");
        Require(os.openKeys == 0, "every key opened is closed");
    }
    QueryKeys();
    return 0;
}
