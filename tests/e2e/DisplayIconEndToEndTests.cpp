// The real program with DisplayIcon in each form Windows writes it: the
// installed-updates record is found and written beside the product
// executable whatever quotes or icon index the value carries.
#include "Sandbox.h"

#include <gtest/gtest.h>

namespace e2e
{
namespace
{

struct IconForm
{
    const char* name;
    bool quoted;
    const wchar_t* index; // appended after the path (and its quotes)
};

void PrintTo(const IconForm& form, std::ostream* out)
{
    *out << form.name;
}

class DisplayIconEndToEnd : public ::testing::TestWithParam<IconForm>
{
protected:
    Sandbox box;
};

TEST_P(DisplayIconEndToEnd, RecordIsReadAndWrittenBesideTheProduct)
{
    const IconForm& form = GetParam();
    const std::wstring file = box.ProductExecutable().wstring();
    ProductKeys keys;
    keys.displayIcon = (form.quoted ? L"\"" + file + L"\"" : file) + form.index;
    box.RegisterProduct(keys);
    box.WriteProduct(14, 0, 0, 4);
    box.WritePayload(14, 0, 0, 5);
    box.WriteStandardDescriptor();
    box.InstallerCopiesPayload();
    // The record of the previous patch: found, read, and not naming this one.
    Sandbox::Write(box.Record(), "Quenvia 14.0 Patch 4");

    const auto result = box.Run();

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              ConsoleText("Patch update status: Validation in-progress...\n"
                          "Patch update status: Installation in-progress.\nPlease wait to "
                          "complete...\nPatch update status: Completed successfully.\n"
                          "Please wait to close the application...\n"));
#ifdef _WIN32
    const std::string mode = "Registry bit support Mode 1: Verified successfully.\n\n";
#else
    const std::string mode = "Registry bit support Mode 2: Verified successfully.\n\n";
#endif
    std::string body;
    ASSERT_TRUE(SplitLog(Sandbox::Read(box.Log()), body));
    EXPECT_EQ(body, LogBody(mode + "Client side update check, level version completed.\n\n"
                                   "Client side update check, level three completed.\n\n"
                                   "Client side update check, level two completed.\n\n"
                                   "Read patch update installer file completed.\n\n"
                                   "Patch update read process: key values found.\n\n"
                                   "Installer update file exists in local.\n\n"
                                   "Read local installer update file completed.\n\n"
                                   "Update details found: Exit code 1.\n\n"
                                   "Execute patch process: Completed successfully.\n\n"));
    EXPECT_EQ(Sandbox::Read(box.Record()), "Quenvia 14.0 Patch 5");
}

INSTANTIATE_TEST_SUITE_P(Forms, DisplayIconEndToEnd,
                         ::testing::Values(IconForm{"bare", false, L""},
                                           IconForm{"quoted", true, L""},
                                           IconForm{"withIconIndex", false, L",0"},
                                           IconForm{"quotedWithIconIndex", true, L",0"}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace e2e
