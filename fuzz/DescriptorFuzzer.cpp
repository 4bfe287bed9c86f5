// The patch descriptor as anyone may write it beside the program: the parse,
// the previous-versions list and the record search that its values feed.
#include "FuzzSupport.h"

#include "PatchExecute.h"

#include <cstdint>

namespace
{

// No registry, no descriptor beside the program: construction is quick and
// leaves the parse to the input. Installers exist unless named "missing".
class DescriptorOs : public fuzzing::QuietOs
{
public:
    platform::XString ModuleFileName() override
    {
        return platform::Ascii("/quenvia-fuzz/patch/Brantel.exe");
    }
    platform::Status RegistryOpenKey(platform::XStringView, platform::RegistryKey&) override
    {
        return platform::kErrorFileNotFound;
    }
    bool PathExists(platform::XStringView path) override
    {
        return path.find(platform::Ascii("brantel.dat")) == platform::XStringView::npos &&
               path.find(platform::Ascii("missing")) == platform::XStringView::npos;
    }
};

bool Trimmed(const CString& text)
{
    CString trimmed = text;
    trimmed.Trim();
    return !text.IsEmpty() && trimmed == text;
}

bool HasLineBreak(const CString& text)
{
    return text.Find(L'\r') >= 0 || text.Find(L'\n') >= 0;
}

void CheckVerdict(const CPatchExecute& patch)
{
    using fuzzing::Require;
    const CStringArray& items = patch.GetPreviousVersions();
    for (INT_PTR i = 0; i < items.GetSize(); ++i)
    {
        Require(Trimmed(items[i]), "list items are trimmed and never empty");
        Require(!HasLineBreak(items[i]), "list items hold no line break");
    }
    if (!patch.IsDescriptorValid())
        return;
    Require(Trimmed(patch.GetPatchInfo()) && Trimmed(patch.GetPatchFile()) &&
                Trimmed(patch.GetPatchVersion()),
            "a valid descriptor has trimmed, non-empty values");
    Require(patch.GetPatchFile().Right(4) == CString(L".exe"), "the installer ends in .exe");
    Require(!HasLineBreak(patch.GetPatchInfo()) && !HasLineBreak(patch.GetPatchFile()) &&
                !HasLineBreak(patch.GetPatchVersion()),
            "values hold no line break");
    Require(items.GetSize() > 0, "a valid descriptor lists previous versions");
    const CString version = patch.GetPatchVersion();
    const int dot = version.ReverseFind(L'.');
    Require(patch.GetPatchRevision() == (dot < 0 ? CString() : version.Mid(dot + 1)),
            "the revision is the text after the last dot");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static DescriptorOs os;
    static const platform::ScopedOs scope(os);
    if (size > 0x7FFFFFFF)
        return 0;

    const CString text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    CPatchExecute patch;
    patch.ParsePatchDescriptor(text);
    CheckVerdict(patch);

    // The same bytes as an installed-updates record, judged for this patch.
    const int revision = RevisionNumber(patch.GetPatchRevision());
    IsUpdateRecorded(text, patch.GetPatchInfo(), revision, revision);
    IsUpdateRecorded(text, text, 0, revision);
    return 0;
}
