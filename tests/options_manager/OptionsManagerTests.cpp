// The manager's construction, its INI file path and the INI settings.
#include "ManagerTestSupport.h"

#include <memory>

using namespace manager_tests;

namespace
{

void ExpectNotLoaded(const TestManager& manager)
{
    EXPECT_EQ(manager.PanelCount(), -1);
    EXPECT_EQ(manager.FilledSlots(), 0);
    EXPECT_TRUE(manager.PanelNumbers().empty());
    EXPECT_EQ(manager.NextPanel(), 0u);
    EXPECT_EQ(manager.NextIDs(), nullptr);
}

TEST(ConstructionTest, DefaultManagerHasNoPathsAndSettingsOff)
{
    TestManager manager;
    ExpectNotLoaded(manager);
    EXPECT_STREQ(manager.HeaderFormatString(), L"Panel: %u");
    EXPECT_STREQ(manager.LastOptionString(), L"Last Option:");
    EXPECT_EQ(manager.HeaderFormat(), manager.HeaderFormatString());
    EXPECT_EQ(manager.LastOption(), manager.LastOptionString());
    EXPECT_EQ(manager.Compound(), FALSE);
    EXPECT_EQ(manager.DatabasePath(), L"");
    EXPECT_EQ(manager.StreamName(), L"");
    EXPECT_EQ(manager.IniFilePath(), L"");
    EXPECT_TRUE(manager.RetrieveCurrentPanelOptions()->IsEmpty());
}

TEST(ConstructionTest, PlainManagerDerivesItsIniPath)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), nullptr);
    ExpectNotLoaded(manager);
    EXPECT_STREQ(manager.HeaderFormatString(), L"Wzd Panel: %u");
    EXPECT_STREQ(manager.LastOptionString(), L"Last Option:");
    EXPECT_EQ(manager.Compound(), FALSE);
    EXPECT_EQ(manager.DatabasePath(), P(L"C:|Data|Opts.db"));
    EXPECT_EQ(manager.StreamName(), L"");
    EXPECT_EQ(manager.IniFilePath(), P(L"C:|Data|Opts.ini"));
}

TEST(ConstructionTest, CompoundManagerNamesItsIniAfterTheStream)
{
    TestManager manager(P(L"C:|Data|Book.cmp").c_str(), L"Sheet.dat", P(L"D:|Prefs|").c_str());
    ExpectNotLoaded(manager);
    EXPECT_STREQ(manager.HeaderFormatString(), L"Wzd Panel: %u");
    EXPECT_EQ(manager.Compound(), TRUE);
    EXPECT_EQ(manager.DatabasePath(), P(L"C:|Data|Book.cmp"));
    EXPECT_EQ(manager.StreamName(), L"Sheet.dat");
    EXPECT_EQ(manager.IniFilePath(), P(L"D:|Prefs|Sheet.ini"));
}

TEST(ConstructionTest, NoConstructorTouchesTheDatabaseFile)
{
    ScriptedOs os;
    platform::ScopedOs scope(os);
    TestManager plain(P(L"|nowhere|missing.db").c_str(), nullptr);
    TestManager compound(P(L"|nowhere|missing.db").c_str(), L"S.x", nullptr);
    EXPECT_EQ(os.fileOpens, 0);
    EXPECT_EQ(plain.PanelCount(), -1);
    EXPECT_EQ(compound.PanelCount(), -1);
}

struct IniPathCase
{
    const char* name;
    const wchar_t* database;
    const wchar_t* stream; // null: plain database
    const wchar_t* directory;
    const wchar_t* expected;
};

void PrintTo(const IniPathCase& c, std::ostream* out)
{
    *out << c.name;
}

class IniPathTest : public ::testing::TestWithParam<IniPathCase>
{
};

TEST_P(IniPathTest, DerivesThePathFromDatabaseStreamAndDirectory)
{
    const IniPathCase& c = GetParam();
    const std::wstring database = P(c.database);
    const std::wstring directory = c.directory != nullptr ? P(c.directory) : L"";
    const wchar_t* pszDirectory = c.directory != nullptr ? directory.c_str() : nullptr;
    std::unique_ptr<TestManager> manager =
        c.stream != nullptr
            ? std::make_unique<TestManager>(database.c_str(), c.stream, pszDirectory)
            : std::make_unique<TestManager>(database.c_str(), pszDirectory);
    EXPECT_EQ(manager->IniFilePath(), P(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniPathTest,
    ::testing::Values(IniPathCase{"PlainBesideTheDatabase", L"C:|Data|Opts.db", nullptr, nullptr,
                                  L"C:|Data|Opts.ini"},
                      IniPathCase{"PlainInAGivenDirectory", L"C:|Data|Opts.db", nullptr,
                                  L"D:|Prefs|", L"D:|Prefs|Opts.ini"},
                      IniPathCase{"CompoundInAGivenDirectory", L"C:|Data|Book.cmp", L"Sheet.dat",
                                  L"D:|Prefs|", L"D:|Prefs|Sheet.ini"},
                      IniPathCase{"CompoundBesideTheDatabase", L"C:|Data|Book.cmp", L"Sheet.dat",
                                  nullptr, L"C:|Data|Sheet.ini"},
                      IniPathCase{"DirectoryWithoutSeparatorJoinedUnchanged", L"C:|Data|Opts.db",
                                  nullptr, L"D:|Prefs", L"D:|PrefsOpts.ini"},
                      IniPathCase{"BaseWithoutFullStopBorrowsTheDirectorysLast",
                                  L"C:|Data|Book.cmp", L"Sheet", L"D:|My.Prefs|", L"D:|My.ini"},
                      IniPathCase{"NoFullStopAnywhereTurnsSettingsOff", L"C:|Data|Book.cmp",
                                  L"Sheet", L"D:|Prefs|", L""},
                      IniPathCase{"OnlyTheLastFullStopIsReplaced", L"C:|Data|Opts.v2.db", nullptr,
                                  nullptr, L"C:|Data|Opts.v2.ini"},
                      IniPathCase{"TrailingFullStopGetsTheExtension", L"C:|Data|Opts.", nullptr,
                                  nullptr, L"C:|Data|Opts.ini"},
                      IniPathCase{"PlainWithoutSeparatorAndNoDirectory", L"Opts.db", nullptr,
                                  nullptr, L""},
                      IniPathCase{"PlainWithoutSeparatorIgnoresTheDirectory", L"Opts.db", nullptr,
                                  L"D:|Prefs|", L""},
                      IniPathCase{"CompoundWithoutSeparatorNeedsADirectory", L"Book.cmp",
                                  L"Sheet.dat", nullptr, L""},
                      IniPathCase{"CompoundWithoutSeparatorTakesTheDirectory", L"Book.cmp",
                                  L"Sheet.dat", L"D:|Prefs|", L"D:|Prefs|Sheet.ini"},
                      IniPathCase{"EmptyStreamNameLeavesOnlyTheDirectory", L"C:|Data|Book.cmp", L"",
                                  L"D:|Prefs|", L""},
                      IniPathCase{"EmptyDirectoryGivesTheBaseNameAlone", L"C:|Data|Opts.db",
                                  nullptr, L"", L"Opts.ini"}),
    CaseName);

TEST(IniPathTest, TheOtherSlashIsNoSeparator)
{
    // Only this platform's separator divides a path: the other slash is an
    // ordinary character of a name.
    const wchar_t other = platform::kPathSeparator == u'/' ? L'\\' : L'/';
    const std::wstring database = std::wstring(L"Data") + other + L"Opts.db";
    TestManager noSeparator(database.c_str(), nullptr);
    EXPECT_EQ(noSeparator.IniFilePath(), L"");

    const std::wstring nested = P(L"C:|Data") + other + L"Opts.db";
    TestManager oneSeparator(nested.c_str(), nullptr);
    EXPECT_EQ(oneSeparator.IniFilePath(), nested.substr(0, nested.size() - 2) + L"ini");
}

TEST(IniPathTest, DefaultManagerGetsAnIniPathOnlyOnceItHasADatabase)
{
    ScriptedOs os;
    platform::ScopedOs scope(os);
    TempDir dir;
    dir.Write(L"Opts.db", std::string(7, '\0'));

    TestManager manager;
    manager.SetIniFilePath(nullptr);
    EXPECT_EQ(manager.IniFilePath(), L"");
    manager.SetIniFilePath(P(L"D:|Prefs|").c_str());
    EXPECT_EQ(manager.IniFilePath(), L"");

    ASSERT_EQ(manager.SetDatabasePath(dir.File(L"Opts.db").c_str()), 1);
    EXPECT_EQ(manager.IniFilePath(), L"") << "switching the database keeps the INI path";
    manager.SetIniFilePath(nullptr);
    EXPECT_EQ(manager.IniFilePath(), dir.File(L"Opts.ini"));
    manager.SetIniFilePath(P(L"D:|Prefs|").c_str());
    EXPECT_EQ(manager.IniFilePath(), P(L"D:|Prefs|Opts.ini"));
}

TEST(IniPathTest, EveryCallDerivesAfresh)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), nullptr);
    ASSERT_EQ(manager.IniFilePath(), P(L"C:|Data|Opts.ini"));
    manager.SetIniFilePath(P(L"D:|No|Dots|").c_str());
    EXPECT_EQ(manager.IniFilePath(), P(L"D:|No|Dots|Opts.ini"));
    TestManager compound(P(L"C:|Data|Book.cmp").c_str(), L"Sheet", P(L"D:|X.Y|").c_str());
    ASSERT_EQ(compound.IniFilePath(), P(L"D:|X.ini"));
    compound.SetIniFilePath(P(L"D:|Prefs|").c_str());
    EXPECT_EQ(compound.IniFilePath(), L"");
}

class ProfileTest : public ManagerTest
{
protected:
    std::wstring Ini() const { return P(L"D:|Prefs|Opts.ini"); }
};

TEST_F(ProfileTest, SettingsOffGiveTheDefaultAndWriteNothing)
{
    TestManager manager;
    EXPECT_EQ(S(manager.GetProfileStringW(L"S", L"K", L"fallback")), L"fallback");
    EXPECT_EQ(S(manager.GetProfileStringW(L"S", L"K", nullptr)), L"");
    EXPECT_EQ(manager.WriteProfileStringW(L"S", L"K", L"v"), 0);
    EXPECT_EQ(manager.SetOp(L"S", L"K", L"v"), 0);
    CString value(L"kept");
    EXPECT_EQ(manager.GetOp(L"S", L"K", value), 1);
    EXPECT_EQ(S(value), L"kept");
    CString empty;
    EXPECT_EQ(manager.GetOp(L"S", L"K", empty), 0);
    EXPECT_TRUE(os.reads.empty());
    EXPECT_EQ(os.writes, 0);
}

TEST_F(ProfileTest, ReadsAndWritesGoToTheIniFile)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), P(L"D:|Prefs|").c_str());
    EXPECT_EQ(manager.WriteProfileStringW(L"Colours", L"Back", L"blue"), 1);
    EXPECT_EQ(os.Value(Ini(), L"Colours", L"Back"), L"blue");
    EXPECT_EQ(S(manager.GetProfileStringW(L"Colours", L"Back", L"none")), L"blue");
    EXPECT_EQ(S(manager.GetProfileStringW(L"Colours", L"Fore", L"none")), L"none");
    ASSERT_EQ(os.reads.size(), 2u);
    EXPECT_EQ(os.reads[0].bufferSize, 1024u);
    EXPECT_EQ(os.reads[0].file, Ini());

    EXPECT_EQ(manager.SetOp(L"Colours", L"Fore", L"red"), 1);
    CString value(L"ignored default");
    EXPECT_EQ(manager.GetOp(L"Colours", L"Fore", value), 1);
    EXPECT_EQ(S(value), L"red");
}

TEST_F(ProfileTest, GetOpOnEmptyAndMissingKeys)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), P(L"D:|Prefs|").c_str());
    os.Store(Ini(), L"S", L"Empty", L"");

    CString value(L"before");
    EXPECT_EQ(manager.GetOp(L"S", L"Empty", value), 0);
    EXPECT_EQ(S(value), L"");

    CString kept(L"default");
    EXPECT_EQ(manager.GetOp(L"S", L"Missing", kept), 1);
    EXPECT_EQ(S(kept), L"default");

    CString none;
    EXPECT_EQ(manager.GetOp(L"S", L"Missing", none), 0);
    EXPECT_EQ(S(none), L"");
}

TEST_F(ProfileTest, NullArgumentsPassThroughUnchanged)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), P(L"D:|Prefs|").c_str());
    os.Store(Ini(), L"S", L"A", L"1");
    os.Store(Ini(), L"S", L"B", L"2");

    EXPECT_EQ(S(manager.GetProfileStringW(L"S", L"Missing", nullptr)), L"");
    ASSERT_EQ(os.reads.size(), 1u);
    EXPECT_TRUE(os.reads[0].defaultNull);
    EXPECT_FALSE(os.reads[0].sectionNull);

    // A null value removes the key, a null key the whole section.
    EXPECT_EQ(manager.WriteProfileStringW(L"S", L"A", nullptr), 1);
    EXPECT_EQ(os.Value(Ini(), L"S", L"A"), L"<none>");
    EXPECT_EQ(os.Value(Ini(), L"S", L"B"), L"2");
    EXPECT_EQ(manager.SetOp(L"S", nullptr, nullptr), 1);
    EXPECT_EQ(os.Value(Ini(), L"S", L"B"), L"<none>");
}

TEST_F(ProfileTest, FailedWritesAreReportedAsZero)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), P(L"D:|Prefs|").c_str());
    os.writesFail = true;
    EXPECT_EQ(manager.WriteProfileStringW(L"S", L"K", L"v"), 0);
    EXPECT_EQ(manager.SetOp(L"S", L"K", L"v"), 0);
}

TEST_F(ProfileTest, ReadTextEndsAtItsFirstNul)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), P(L"D:|Prefs|").c_str());
    os.rawValues[L"List"] = std::wstring(L"first\0second", 12);
    EXPECT_EQ(S(manager.GetProfileStringW(L"S", L"List", L"")), L"first");
}

TEST_F(ProfileTest, LongValuesComeBackCutToTheBuffer)
{
    TestManager manager(P(L"C:|Data|Opts.db").c_str(), P(L"D:|Prefs|").c_str());
    os.Store(Ini(), L"S", L"Long", std::wstring(1500, L'x'));
    EXPECT_EQ(S(manager.GetProfileStringW(L"S", L"Long", L"")), std::wstring(1023, L'x'));
}

TEST_F(ProfileTest, DeletingAManagerThatNeverLoadedTouchesNoFile)
{
    {
        std::unique_ptr<OptionsManager> manager =
            std::make_unique<OptionsManager>(dir.File(L"Opts.db").c_str(), nullptr);
    }
    {
        std::unique_ptr<OptionsManager> manager = std::make_unique<OptionsManager>();
    }
    EXPECT_EQ(os.fileOpens, 0);
    EXPECT_EQ(os.fileReads, 0);
    EXPECT_TRUE(messages.texts.empty());
}

} // namespace
