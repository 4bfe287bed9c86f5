// Choosing and loading the options database: plain and compound layouts, the
// state a load leaves behind, and every message of a failed load.
#include "ManagerTestSupport.h"

#include "AllocationProbe.h"

using namespace manager_tests;
using namespace database_bytes;

namespace
{

const std::wstring kUnknownReadError = L"Unknown Wzd file read error";

// The 58 bytes of a database with one panel (number 7) holding the option
// abc (identifier 1, title 100, next panel 8, next identifier 2).
std::string ExampleArchive()
{
    const unsigned char bytes[] = {
        0x01, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
        0x80, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0xFF, 0x03, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00,
        0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

std::wstring NotFoundMessage(const std::wstring& stream, const std::wstring& path)
{
    return L"Cannot locate internal stream " + stream + L" in file " + FullPath(path);
}

void ExpectExampleLoaded(TestManager& manager)
{
    EXPECT_EQ(manager.PanelCount(), 1);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{7u}));
    ASSERT_NE(manager.Slot(0), nullptr);
    EXPECT_EQ(manager.Slot(1), nullptr);
    EXPECT_EQ(manager.PanelOptionMap(7), manager.Slot(0));
    ASSERT_EQ(manager.Slot(0)->GetCount(), 1);
    const OptionLocus* abc = manager.RetrieveOption(7, CString(L"abc"));
    ASSERT_NE(abc, nullptr);
    EXPECT_EQ(abc->m_nID, 1u);
    EXPECT_EQ(abc->m_nTitleID, 100u);
    EXPECT_EQ(abc->m_nData1, 0u);
    EXPECT_EQ(abc->m_nData2, 0u);
    EXPECT_EQ(abc->m_nNextPanel, 8u);
    EXPECT_EQ(abc->m_nData3, 0u);
    ASSERT_EQ(abc->m_arrNextIDs.GetSize(), 1);
    EXPECT_EQ(abc->m_arrNextIDs[0], 2u);
}

using LoadTest = ManagerTest;

TEST_F(LoadTest, TheBuilderWritesTheExampleByteForByte)
{
    const std::string built = Archive({{7, {Option(1, "abc", 100, 8, {2})}}});
    EXPECT_EQ(built.size(), 58u);
    EXPECT_EQ(built, ExampleArchive());
    const std::string compound = Compound("Options", built);
    EXPECT_EQ(compound.size(), 264u + 58u);
    EXPECT_EQ(compound.substr(0, 8), std::string("\x01\x00\x00\x00\x08\x01\x00\x00", 8));
}

TEST_F(LoadTest, PlainExampleLoads)
{
    TestManager manager(Database(L"Opts.db", ExampleArchive()).c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(os.waitCursorChanges, 2) << "busy cursor shown and taken away";
}

TEST_F(LoadTest, CompoundExampleLoads)
{
    const std::wstring path = Database(L"Book.cmp", Compound("Options", ExampleArchive()));
    TestManager manager(path.c_str(), L"Options", nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(LoadTest, StreamNamesMatchWithoutRegardToCase)
{
    const std::wstring path = Database(L"Book.cmp", Compound("OPTIONS", ExampleArchive()));
    TestManager manager(path.c_str(), L"options", nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);
}

TEST_F(LoadTest, TheFirstOfTwoEntriesNamedAlikeWins)
{
    const std::string first = Archive({{1, {Option(10, "first")}}});
    const std::string second = Archive({{2, {Option(20, "second")}}});
    const std::int32_t firstAt = DirectorySize(3);
    const std::int32_t secondAt = firstAt + static_cast<std::int32_t>(first.size());
    const std::string bytes =
        Directory({{secondAt, "Other"}, {firstAt, "Opts"}, {secondAt, "opts"}}) + first + second;
    TestManager manager(Database(L"Book.cmp", bytes).c_str(), L"Opts", nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{1u}));
    EXPECT_NE(manager.RetrieveOption(1, CString(L"first")), nullptr);
}

TEST_F(LoadTest, ANameFillingTheWholeFieldMatches)
{
    const std::string name(256, 'N');
    const std::wstring path = Database(L"Book.cmp", Compound(name, ExampleArchive()));
    TestManager manager(path.c_str(), std::wstring(256, L'n').c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);
}

TEST_F(LoadTest, SevenBytesWithNoPanelsLoadEmpty)
{
    TestManager manager(Database(L"Opts.db", Word(0) + "xyz").c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.PanelCount(), 0);
    EXPECT_EQ(manager.FilledSlots(), 0);
    EXPECT_EQ(manager.PanelOptionMap(0), nullptr);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(LoadTest, BytesAfterTheLastPanelAreIgnored)
{
    TestManager manager(Database(L"Opts.db", ExampleArchive() + "trailing junk").c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);
}

TEST_F(LoadTest, EveryPanelGetsItsSlotInFileOrder)
{
    TestManager manager(Database(L"Opts.db", Archive({{30, {Option(1, "x"), Option(2, "y")}},
                                                      {10, {}},
                                                      {20, {Option(3, "z")}}}))
                            .c_str(),
                        nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.PanelCount(), 3);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{30u, 10u, 20u}));
    ASSERT_EQ(manager.FilledSlots(), 3);
    EXPECT_EQ(manager.Slot(0)->GetCount(), 2);
    EXPECT_EQ(manager.Slot(1)->GetCount(), 0) << "an empty panel still has its map";
    EXPECT_EQ(manager.PanelOptionMap(10), manager.Slot(1));
    EXPECT_EQ(manager.PanelOptionMap(20), manager.Slot(2));
}

TEST_F(LoadTest, ThirtyTwoPanelsFillEverySlot)
{
    std::vector<Panel> panels;
    for (std::uint32_t n = 0; n < 32; ++n)
        panels.push_back({100 + n, {Option(n, "o" + std::to_string(n))}});
    TestManager manager(Database(L"Opts.db", Archive(panels)).c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.PanelCount(), 32);
    EXPECT_EQ(manager.FilledSlots(), 32);
    ASSERT_NE(manager.PanelOptionMap(131), nullptr);
    EXPECT_NE(manager.RetrieveOption(131, CString(L"o31")), nullptr);
}

// What a host reads without subclassing: the panels the file declared, 0
// for a refused count, -1 until a database is loaded.
TEST_F(LoadTest, HostsReadThePanelNumbersThroughThePublicAccessors)
{
    const struct
    {
        const char* name;
        std::string bytes;
        int count;
        Numbers numbers;
    } cases[] = {
        {"threePanels", Archive({{30, {}}, {10, {}}, {20, {}}}), 3, {30, 10, 20}},
        {"noPanels", Word(0) + "trailing", 0, {}},
        {"countBeyondTheSlots", Word(33) + PanelBytes({1, {}}), 0, {}},
        {"countNegative", Word(0x80000000) + PanelBytes({1, {}}), 0, {}},
        {"countMinusOne", Word(0xFFFFFFFF) + PanelBytes({1, {}}), -1, {}},
        {"fewerPanelsThanDeclared", Word(3) + PanelBytes({5, {}}), 3, {5, 0, 0}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        OptionsManager manager(Database(L"Opts.db", c.bytes).c_str(), nullptr);
        EXPECT_EQ(manager.GetPanelCount(), -1) << "nothing is read before the first load";
        manager.LoadDB();
        ASSERT_EQ(manager.GetPanelCount(), c.count);
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(manager.GetPanelNumber(i), c.numbers[static_cast<std::size_t>(i)]);
        EXPECT_EQ(manager.GetPanelNumber(-1), 0u);
        EXPECT_EQ(manager.GetPanelNumber(c.count < 0 ? 0 : c.count), 0u);
    }
}

TEST_F(LoadTest, ALaterRecordOfTheSameNameReplacesTheEarlierInItsPlace)
{
    TestManager manager(
        Database(L"Opts.db",
                 Archive({{1, {Option(1, "x", 11), Option(2, "y", 22), Option(3, "x", 33)}}}))
            .c_str(),
        nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    ASSERT_EQ(manager.PanelOptionMap(1)->GetCount(), 2);
    EXPECT_EQ(manager.RetrieveOption(1, CString(L"x"))->m_nID, 3u);
    EXPECT_EQ(manager.RetrieveOption(1, 0u)->m_nID, 3u);
    EXPECT_EQ(manager.RetrieveOption(1, 1u)->m_nID, 2u);
}

TEST_F(LoadTest, LoadDBReadsOnlyOnce)
{
    const std::wstring path = Database(L"Opts.db", ExampleArchive());
    TestManager manager(path.c_str(), nullptr);
    ASSERT_EQ(manager.LoadDB(), 1);
    const OptionLocus* before = manager.RetrieveOption(7, 0u);
    const int opens = os.fileOpens;
    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(os.fileOpens, opens);
    EXPECT_EQ(manager.RetrieveOption(7, 0u), before);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(LoadTest, SwitchingTheDatabaseReadsTheNewFile)
{
    const std::wstring first = Database(L"First.db", ExampleArchive());
    const std::wstring second = Database(L"Second.db", Archive({{9, {Option(5, "five")}}}));
    TestManager manager(first.c_str(), nullptr);
    ASSERT_EQ(manager.LoadDB(), 1);

    EXPECT_EQ(manager.SetDatabasePath(second.c_str()), 1);
    EXPECT_EQ(manager.DatabasePath(), second);
    EXPECT_EQ(manager.Compound(), FALSE);
    EXPECT_EQ(manager.PanelCount(), -1);
    EXPECT_EQ(manager.FilledSlots(), 0);
    EXPECT_TRUE(manager.PanelNumbers().empty());
    EXPECT_EQ(manager.PanelOptionMap(7), nullptr);

    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{9u}));
    EXPECT_NE(manager.RetrieveOption(9, CString(L"five")), nullptr);
}

TEST_F(LoadTest, SwitchingToACompoundDatabaseSetsTheStream)
{
    const std::wstring plain = Database(L"Opts.db", Archive({{9, {Option(5, "five")}}}));
    const std::wstring book = Database(L"Book.cmp", Compound("Options", ExampleArchive()));
    TestManager manager(plain.c_str(), nullptr);
    ASSERT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.SetDatabasePath(book.c_str(), L"Options"), 1);
    EXPECT_EQ(manager.Compound(), TRUE);
    EXPECT_EQ(manager.StreamName(), L"Options");
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);

    // The one-argument form keeps the stream name but reads the whole file.
    EXPECT_EQ(manager.SetDatabasePath(plain.c_str()), 1);
    EXPECT_EQ(manager.Compound(), FALSE);
    EXPECT_EQ(manager.StreamName(), L"Options");
    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{9u}));
}

TEST_F(LoadTest, SwitchingToAMissingFileChangesNothing)
{
    const std::wstring book = Database(L"Book.cmp", Compound("Options", ExampleArchive()));
    TestManager manager(book.c_str(), L"Options", nullptr);
    ASSERT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.SetDatabasePath(dir.File(L"Missing.db").c_str()), 0);
    EXPECT_EQ(manager.SetDatabasePath(dir.File(L"Missing.db").c_str(), L"Other"), 0);
    EXPECT_EQ(manager.DatabasePath(), book);
    EXPECT_EQ(manager.StreamName(), L"Options");
    EXPECT_EQ(manager.Compound(), TRUE);
    ExpectExampleLoaded(manager);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(LoadTest, ADatabaseThatCannotBeOpenedIsTriedAgain)
{
    const std::wstring path = dir.File(L"Missing.db");
    TestManager manager(path.c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(messages.texts, (Texts{L"ERROR: Can't open OptionsDatabase file, [" + path + L"]"}));
    EXPECT_EQ(manager.PanelCount(), -1);
    EXPECT_EQ(os.waitCursorChanges, 0);

    dir.Write(L"Missing.db", ExampleArchive());
    EXPECT_EQ(manager.LoadDB(), 1);
    ExpectExampleLoaded(manager);
}

struct FailureCase
{
    const char* name;
    std::string bytes;
    const wchar_t* stream; // null: plain database
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class EarlyFailureTest : public ManagerTest, public ::testing::WithParamInterface<FailureCase>
{
};

// Failures found before the archive is read: one message, nothing loaded,
// and the next LoadDB tries the file again.
TEST_P(EarlyFailureTest, ShowsOneMessageAndStaysNotLoaded)
{
    const FailureCase& c = GetParam();
    const std::wstring path = Database(L"Opts.db", c.bytes);
    std::unique_ptr<TestManager> manager =
        c.stream != nullptr ? std::make_unique<TestManager>(path.c_str(), c.stream, nullptr)
                            : std::make_unique<TestManager>(path.c_str(), nullptr);
    const std::wstring expected =
        c.stream != nullptr ? NotFoundMessage(c.stream, path)
                            : L"The file, " + FullPath(path) + L", is truncated or damaged";
    EXPECT_EQ(manager->LoadDB(), 0);
    EXPECT_EQ(messages.texts, (Texts{expected}));
    EXPECT_EQ(manager->PanelCount(), -1);
    EXPECT_EQ(os.waitCursorChanges, 0);
    EXPECT_EQ(manager->LoadDB(), 0);
    EXPECT_EQ(messages.texts.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    BeforeTheArchive, EarlyFailureTest,
    ::testing::Values(
        FailureCase{"PlainOfSixBytes", Word(0) + "ab", nullptr},
        FailureCase{"PlainEmpty", "", nullptr},
        FailureCase{"CompoundOfSixBytesMissesTheStreamFirst", Word(1) + "ab", L"Options"},
        FailureCase{"CompoundEmpty", "", L"Options"},
        FailureCase{"CompoundWithNoEntries", Word(0) + ExampleArchive(), L"Options"},
        FailureCase{"CompoundWithNegativeEntryCount", Word(0xFFFFFFFF) + ExampleArchive(),
                    L"Options"},
        FailureCase{"CompoundWithoutTheName", Compound("Other", ExampleArchive()), L"Options"},
        FailureCase{"CompoundWithAPrefixOfTheName", Compound("Option", ExampleArchive()),
                    L"Options"},
        FailureCase{"CompoundWithAShortEntry",
                    Word(2) + EntryBytes({DirectorySize(2), "Other"}) + "Options", L"Options"}),
    CaseName);

TEST_F(LoadTest, StatusThatCannotBeReadIsReportedAfterTheStreamIsFound)
{
    os.statusByHandleFails = true;
    const std::wstring plain = Database(L"Opts.db", ExampleArchive());
    TestManager plainManager(plain.c_str(), nullptr);
    EXPECT_EQ(plainManager.LoadDB(), 0);
    EXPECT_EQ(messages.texts, (Texts{L"Cannot get status from " + FullPath(plain)}));
    EXPECT_EQ(plainManager.PanelCount(), -1);

    messages.texts.clear();
    const std::wstring book = Database(L"Book.cmp", Compound("Options", ExampleArchive()));
    TestManager found(book.c_str(), L"Options", nullptr);
    EXPECT_EQ(found.LoadDB(), 0);
    EXPECT_EQ(messages.texts, (Texts{L"Cannot get status from " + FullPath(book)}));

    messages.texts.clear();
    TestManager missing(book.c_str(), L"Absent", nullptr);
    EXPECT_EQ(missing.LoadDB(), 0);
    EXPECT_EQ(messages.texts, (Texts{NotFoundMessage(L"Absent", book)}));
}

TEST_F(LoadTest, ANegativeStreamOffsetFailsTheSeek)
{
    const std::wstring path =
        Database(L"Book.cmp", Directory({{-8, "Options"}}) + ExampleArchive());
    TestManager manager(path.c_str(), L"Options", nullptr);
    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(messages.texts,
              (Texts{L"Seek failed on " + FullPath(path), NotFoundMessage(L"Options", path)}));
    EXPECT_EQ(manager.PanelCount(), -1);
}

TEST_F(LoadTest, AReadFailingDuringTheSearchIsReported)
{
    const std::wstring path = Database(L"Book.cmp", Compound("Options", ExampleArchive()));
    TestManager manager(path.c_str(), L"Options", nullptr);
    os.failReadsFrom = 2; // the count arrives, the first entry does not
    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(messages.texts,
              (Texts{L"A sharing violation occurred while accessing " + FullPath(path) + L".",
                     NotFoundMessage(L"Options", path)}));
    EXPECT_EQ(manager.PanelCount(), -1);
}

TEST_F(LoadTest, AnOffsetPastTheEndIsFoundAndRunsOutOfData)
{
    const std::wstring path =
        Database(L"Book.cmp", Directory({{100000, "Options"}}) + ExampleArchive());
    TestManager manager(path.c_str(), L"Options", nullptr);
    EXPECT_EQ(manager.LoadDB(), 0);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], kUnknownReadError);
    EXPECT_TRUE(Contains(messages.texts[1], L"past its end."));
    EXPECT_EQ(manager.PanelCount(), -1) << "not even the panel count could be read";
    EXPECT_EQ(os.waitCursorChanges, 2);
}

TEST_F(LoadTest, AFileEndingInsideARecordKeepsWhatWasRead)
{
    const std::string whole = Archive({{4, {Option(1, "a"), Option(2, "b")}},
                                       {5, {Option(3, "c"), Option(4, "d"), Option(5, "e")}},
                                       {6, {Option(6, "f")}}});
    // Cut the file in the middle of the second panel's third record.
    const std::string firstPanel = PanelBytes({4, {Option(1, "a"), Option(2, "b")}});
    const std::size_t cut = 4 + firstPanel.size() + 8 + 2 * RecordBytes(Option(3, "c")).size() + 6;
    TestManager manager(Database(L"Opts.db", whole.substr(0, cut)).c_str(), nullptr);

    EXPECT_EQ(manager.LoadDB(), 0);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], kUnknownReadError);
    EXPECT_TRUE(Contains(messages.texts[1], L"past its end."));

    EXPECT_EQ(manager.PanelCount(), 3);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{4u, 0u, 0u}));
    ASSERT_NE(manager.Slot(0), nullptr);
    EXPECT_EQ(manager.Slot(0)->GetCount(), 2);
    ASSERT_NE(manager.Slot(1), nullptr);
    EXPECT_EQ(manager.Slot(1)->GetCount(), 2) << "the record being read is dropped";
    EXPECT_EQ(manager.Slot(2), nullptr);
    EXPECT_NE(manager.RetrieveOption(4, CString(L"b")), nullptr);

    // It counts as loaded: LoadDB reads nothing more.
    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(messages.texts.size(), 2u);
}

TEST_F(LoadTest, AHugeOptionCountRunsIntoTheEndOfTheFile)
{
    const std::string bytes = Word(1) + Word(3) + Word(0xFFFFFFFF) + RecordBytes(Option(1, "only"));
    TestManager manager(Database(L"Opts.db", bytes).c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 0);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], kUnknownReadError);
    ASSERT_NE(manager.Slot(0), nullptr);
    EXPECT_EQ(manager.Slot(0)->GetCount(), 1);
}

TEST_F(LoadTest, AFileExceptionWhileReadingIsReportedAlone)
{
    // Enough records that the archive must go back to the file after its
    // first buffer full.
    const std::uint32_t kMany = 2000;
    std::vector<Record> many;
    for (std::uint32_t n = 0; n < kMany; ++n)
        many.push_back(Option(n, "option" + std::to_string(n)));
    const std::string bytes = Archive({{1, {Option(100, "first")}}, {2, many}});
    ASSERT_GT(bytes.size(), 65536u);
    const std::wstring path = Database(L"Opts.db", bytes);
    TestManager manager(path.c_str(), nullptr);
    os.failReadsFrom = 2;

    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(messages.texts,
              (Texts{L"A sharing violation occurred while accessing " + FullPath(path) + L"."}));
    EXPECT_EQ(manager.PanelCount(), 2);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{1u, 0u}));
    ASSERT_NE(manager.Slot(1), nullptr);
    EXPECT_GT(manager.Slot(1)->GetCount(), 0);
    EXPECT_LT(manager.Slot(1)->GetCount(), static_cast<INT_PTR>(kMany));
    EXPECT_EQ(os.waitCursorChanges, 2);
}

struct PanelCountCase
{
    const char* name;
    std::uint32_t count;
    int panelCountAfter;
    std::wstring report;
};

void PrintTo(const PanelCountCase& c, std::ostream* out)
{
    *out << c.name;
}

class PanelCountTest : public ManagerTest, public ::testing::WithParamInterface<PanelCountCase>
{
};

TEST_P(PanelCountTest, IsRefusedAsAReadFailure)
{
    const PanelCountCase& c = GetParam();
    // Real panels follow, so a loader that ignored the count would fill slots.
    std::string bytes = Word(c.count);
    for (std::uint32_t n = 0; n < 40; ++n)
        bytes += PanelBytes({n + 1, {Option(n, "o")}});
    const std::wstring path = Database(L"Opts.db", bytes);
    TestManager manager(path.c_str(), nullptr);

    EXPECT_EQ(manager.LoadDB(), 0);
    const std::wstring report =
        c.report.empty() ? FullPath(path) + L" has a bad format." : c.report;
    EXPECT_EQ(messages.texts, (Texts{kUnknownReadError, report}));
    EXPECT_EQ(manager.PanelCount(), c.panelCountAfter);
    EXPECT_EQ(manager.FilledSlots(), 0);
    EXPECT_TRUE(manager.PanelNumbers().empty());
    for (std::uint32_t n = 0; n <= 40; ++n)
        EXPECT_EQ(manager.PanelOptionMap(n), nullptr);
    EXPECT_EQ(manager.RetrieveOption(1, 0u), nullptr);

    // Loaded with no panels, except for -1, which is the not-loaded mark.
    EXPECT_EQ(manager.LoadDB(), 0);
    EXPECT_EQ(messages.texts.size(), c.panelCountAfter == -1 ? 4u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Declared, PanelCountTest,
                         ::testing::Values(PanelCountCase{"ThirtyThree", 33, 33, L""},
                                           PanelCountCase{"Huge", 0x7FFFFFFF, 0x7FFFFFFF, L""},
                                           PanelCountCase{"SignBitSet", 0x80000000,
                                                          static_cast<int>(0x80000000),
                                                          L"Encountered an improper argument."},
                                           PanelCountCase{"MinusOne", 0xFFFFFFFF, -1,
                                                          L"Encountered an improper argument."}),
                         CaseName);

TEST_F(LoadTest, DamagedCountsNeverAskForMoreMemoryThanTheFileHolds)
{
    const std::string rows[] = {
        Word(0x7FFFFFFF) + PanelBytes({1, {Option(1, "a")}}),
        Word(0x80000000) + PanelBytes({1, {Option(1, "a")}}),
        Word(1) + Word(1) + Word(0xFFFFFFFF) + RecordBytes(Option(1, "a")),
        Word(1) + Word(1) + Word(1) + Word(0x80000002) + Word(1) + UnicodeName("a") + Word(0) +
            Word(0) + Word(0) + Word(0) + Word(0) + Word(0x3FFFFFFF) + Word(2),
    };
    for (const std::string& bytes : rows)
    {
        TestManager manager(Database(L"Opts.db", bytes).c_str(), nullptr);
        testing_support::AllocationProbe probe;
        EXPECT_EQ(manager.LoadDB(), 0);
        EXPECT_LT(probe.LargestRequest(), 64u * 1024u);
    }
    TestManager compound(Database(L"Book.cmp", Word(0x7FFFFFFF) + ExampleArchive()).c_str(),
                         L"Options", nullptr);
    testing_support::AllocationProbe probe;
    EXPECT_EQ(compound.LoadDB(), 0);
    EXPECT_LT(probe.LargestRequest(), 64u * 1024u);
}

TEST_F(LoadTest, RunningOutOfMemoryIsAReadFailure)
{
    const std::string bytes =
        Archive({{1, {Option(1, "short")}}, {2, {Option(2, std::string(1000, 'n'))}}});
    TestManager manager(Database(L"Opts.db", bytes).c_str(), nullptr);
    {
        // Reading the long name needs a block of more than a kilobyte.
        testing_support::AllocationProbe probe(1024);
        EXPECT_EQ(manager.LoadDB(), 0);
    }
    EXPECT_EQ(messages.texts, (Texts{kUnknownReadError, L"Out of memory."}));
    EXPECT_EQ(manager.PanelCount(), 2);
    EXPECT_EQ(manager.PanelNumbers(), (Numbers{1, 0}));
    EXPECT_NE(manager.RetrieveOption(1, CString(L"short")), nullptr);
    ASSERT_NE(manager.Slot(1), nullptr);
    EXPECT_EQ(manager.Slot(1)->GetCount(), 0);
    EXPECT_EQ(os.waitCursorChanges, 2);
}

TEST_F(LoadTest, TheLoaderCanBeReplacedByADerivedClass)
{
    // Serialize is reached through the virtual table; the file checks stay.
    class CountingManager : public TestManager
    {
    public:
        using TestManager::TestManager;
        int calls = 0;

    protected:
        void Serialize(CArchive& ar) override
        {
            ++calls;
            OptionsManager::Serialize(ar);
        }
    };
    CountingManager manager(Database(L"Opts.db", ExampleArchive()).c_str(), nullptr);
    EXPECT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(manager.calls, 1);
    ExpectExampleLoaded(manager);

    CountingManager tooShort(Database(L"Short.db", "abc").c_str(), nullptr);
    EXPECT_EQ(tooShort.LoadDB(), 0);
    EXPECT_EQ(tooShort.calls, 0);
}

TEST_F(LoadTest, SeekToCompoundEntryLeavesTheFileAtTheStream)
{
    const std::string first = Archive({{1, {}}});
    const std::int32_t at = DirectorySize(2);
    const std::string bytes =
        Directory({{at, "One"}, {at + static_cast<std::int32_t>(first.size()), "Two"}}) + first +
        "TWO!";
    const std::wstring path = Database(L"Book.cmp", bytes);
    TestManager manager(path.c_str(), L"Two", nullptr);
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(manager.SeekToCompoundEntry(file, L"two"), 1);
    char text[4] = {};
    EXPECT_EQ(file.Read(text, 4), 4u);
    EXPECT_EQ(std::string(text, 4), "TWO!");
    EXPECT_EQ(manager.SeekToCompoundEntry(file, L"Three"), 0);
    EXPECT_TRUE(messages.texts.empty());
}

} // namespace
