// The manager while its files fail: an INI file that cannot take the last
// choice, and a database that another program changes after the manager was
// pointed at it.
#include "ManagerTestSupport.h"

#include <filesystem>
#include <fstream>

using namespace manager_tests;
using namespace database_bytes;

namespace
{

const std::wstring kUnknownReadError = L"Unknown Wzd file read error";

std::string TwoPanels()
{
    return Archive({{3, {Option(31, "b", 0, 4, {42}), Option(32, "a", 0, 4, {41})}},
                    {4, {Option(41, "x"), Option(42, "y")}}});
}

// ---------------------------------------------------------------------------
// INI files of the platform that refuse the write

class UnwritableIniTest : public ::testing::Test
{
protected:
    UnwritableIniTest()
    {
        dir.Write(L"Opts.db", TwoPanels());
        database = dir.File(L"Opts.db");
        ini = dir.File(L"Opts.ini");
    }

    // Saving still records the choice and reports success; the choice then
    // leads to the next panel as usual.
    static void ExpectChoiceRecorded(TestManager& manager)
    {
        OptionLocus* b = manager.RetrieveOption(3, CString(L"b"));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, b), 1);
        EXPECT_EQ(manager.NextPanel(), 4u);
        EXPECT_EQ(manager.NextIDs(), &b->m_arrNextIDs);
        const CTypedPtrArray<CObArray, OptionLocus*>* next =
            manager.LoadNextPanelOptions(4, nullptr);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(Ids(*next), (Numbers{42u}));
    }

    TempDir dir;
    MessageLog messages;
    std::wstring database;
    std::wstring ini;
};

TEST_F(UnwritableIniTest, AFolderInPlaceOfTheIniFile)
{
    std::filesystem::create_directory(dir.Path() / L"Opts.ini");
    TestManager manager(database.c_str(), nullptr);
    ASSERT_EQ(manager.IniFilePath(), ini);
    ASSERT_EQ(manager.LoadDB(), 1);
    ExpectChoiceRecorded(manager);

    // Nothing was stored, so the first option by name comes back.
    OptionLocus* found = nullptr;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), L"a");
    EXPECT_EQ(manager.SetOp(L"Window", L"Width", L"640"), 0) << "plain settings do report it";
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / L"Opts.ini"));
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(UnwritableIniTest, AnIniFolderThatDoesNotExist)
{
    const std::wstring missing =
        dir.File(L"missing") + static_cast<wchar_t>(platform::kPathSeparator);
    TestManager manager(database.c_str(), missing.c_str());
    ASSERT_EQ(manager.IniFilePath(), missing + L"Opts.ini");
    ASSERT_EQ(manager.LoadDB(), 1);
    ExpectChoiceRecorded(manager);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / L"missing"));
}

// ---------------------------------------------------------------------------
// Databases changed on disk between SetDatabasePath and the load

struct ChangeCase
{
    const char* name;
    // What another program does to the file.
    void (*change)(const std::filesystem::path&);
    // The messages shown, given the path and the full path; then as many
    // reports of the framework's exception as follow them.
    Texts (*messages)(const std::wstring&, const std::wstring&);
    std::size_t reportsAfter;
    int panelCountAfter;
};

void PrintTo(const ChangeCase& c, std::ostream* out)
{
    *out << c.name;
}

void Overwrite(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::remove_all(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Texts CannotOpen(const std::wstring& path, const std::wstring&)
{
    return Texts{L"ERROR: Can't open OptionsDatabase file, [" + path + L"]"};
}

// Followed by the framework's report of the exception.
Texts UnknownReadError(const std::wstring&, const std::wstring&)
{
    return Texts{kUnknownReadError};
}

const ChangeCase kChanges[] = {
    {"Deleted", [](const std::filesystem::path& p) { std::filesystem::remove(p); }, CannotOpen, 0,
     -1},
    {"ReplacedByAFolder",
     [](const std::filesystem::path& p)
     {
         std::filesystem::remove(p);
         std::filesystem::create_directory(p);
     },
     CannotOpen, 0, -1},
    {"TruncatedToSixBytes",
     [](const std::filesystem::path& p) { std::filesystem::resize_file(p, 6); },
     [](const std::wstring&, const std::wstring& full)
     { return Texts{L"The file, " + full + L", is truncated or damaged"}; },
     0, -1},
    {"CutInsideTheSecondPanel",
     [](const std::filesystem::path& p)
     { std::filesystem::resize_file(p, TwoPanels().size() - 5); },
     UnknownReadError, 1, 2},
    // Read as a plain database, the directory's entry count is one panel.
    {"ReplacedByACompoundFile",
     [](const std::filesystem::path& p) { Overwrite(p, Compound("Options", TwoPanels())); },
     UnknownReadError, 1, 1},
    // "Patc" is a panel count far above the slots: refused, kept as read.
    {"FilledWithText",
     [](const std::filesystem::path& p) { Overwrite(p, "PatchInfo=not a database\r\n"); },
     UnknownReadError, 1, 0x63746150},
};

class ChangedDatabaseTest : public ManagerTest, public ::testing::WithParamInterface<ChangeCase>
{
};

TEST_P(ChangedDatabaseTest, LoadReportsWhatItFindsAndNothingBreaks)
{
    const ChangeCase& c = GetParam();
    const std::wstring path = Database(L"Opts.db", TwoPanels());
    TestManager manager;
    ASSERT_EQ(manager.SetDatabasePath(path.c_str()), 1);
    manager.SetIniFilePath(nullptr);
    c.change(dir.Path() / L"Opts.db");

    EXPECT_EQ(manager.LoadNextPanelOptions(3, nullptr), nullptr);
    const Texts expected = c.messages(path, FullPath(path));
    ASSERT_EQ(messages.texts.size(), expected.size() + c.reportsAfter);
    EXPECT_EQ(Texts(messages.texts.begin(),
                    messages.texts.begin() + static_cast<std::ptrdiff_t>(expected.size())),
              expected);
    EXPECT_EQ(manager.PanelCount(), c.panelCountAfter);

    // Whatever was read answers lookups and takes a choice.
    OptionLocus* found = nullptr;
    if (manager.RetrieveLastPanelOptionSeln(3, found) == 1)
    {
        EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, found), 1);
    }
    EXPECT_EQ(manager.RetrieveOption(9, 0u), nullptr);

    // Once the file is whole again, switching to it loads it.
    Overwrite(dir.Path() / L"Opts.db", TwoPanels());
    ASSERT_EQ(manager.SetDatabasePath(path.c_str()), 1);
    const CTypedPtrArray<CObArray, OptionLocus*>* list = manager.LoadNextPanelOptions(3, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Ids(*list), (Numbers{32u, 31u}));
}

INSTANTIATE_TEST_SUITE_P(AfterSetDatabasePath, ChangedDatabaseTest, ::testing::ValuesIn(kChanges),
                         CaseName);

// Another program cuts the file after the manager has looked at its size
// and before the records are read.
class CuttingOs : public ScriptedOs
{
public:
    std::filesystem::path file;
    std::uintmax_t cutTo = 0;

    platform::Status FileStatusByHandle(platform::FileHandle handle,
                                        platform::FileInfo& info) override
    {
        const platform::Status status = ScriptedOs::FileStatusByHandle(handle, info);
        std::filesystem::resize_file(file, cutTo);
        return status;
    }
};

TEST(CutWhileLoadingTest, KeepsThePanelsReadBeforeTheEnd)
{
    CuttingOs os;
    platform::ScopedOs scope(os);
    TempDir dir;
    MessageLog messages;
    const std::string first = PanelBytes({3, {Option(31, "b", 0, 4, {42})}});
    dir.Write(L"Opts.db", Word(2) + first + PanelBytes({4, {Option(41, "x")}}));
    os.file = dir.Path() / L"Opts.db";
    os.cutTo = 4 + first.size() + 8 + 3;
    const std::wstring path = dir.File(L"Opts.db");
    TestManager manager(path.c_str(), nullptr);

    EXPECT_EQ(manager.LoadDB(), 0);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], kUnknownReadError);
    EXPECT_TRUE(Contains(messages.texts[1], L"past its end."));
    EXPECT_EQ(manager.PanelCount(), 2);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{3u, 0u}));
    ASSERT_NE(manager.RetrieveOption(3, CString(L"b")), nullptr);
    EXPECT_EQ(manager.PanelOptionMap(4), nullptr);
}

} // namespace
