// Finding panels and options, the sorted option lists, and following a
// chosen option to the options of the next panel.
#include "ManagerTestSupport.h"

#include "ArchiveFiles.h"

#include <memory>

using namespace manager_tests;
using namespace database_bytes;
using testing_support::Units;

namespace
{

// Panel 1 leads to panel 2; panel 3 holds names that sort by code unit;
// panel 0 exists but is also the "no choice" panel number; panel 4 holds a
// record that bears a name of panel 1.
std::string NavigationDatabase()
{
    return Archive({
        {1,
         {Option(1, "Start", 10, 2, {5, 9, 7}), Option(2, "Other", 20, 2, {7, 6}),
          Option(3, "Empty", 30, 2, {}), Option(4, "ToNowhere", 40, 99, {1})}},
        {2,
         {Option(5, "five", 50), Option(6, "six", 60), Option(7, "seven", 70),
          Option(8, "eight", 50), Option(7, "later seven", 70)}},
        {3, {Option(31, "b"), Option(32, "B"), Option(33, "a")}},
        {0, {Option(41, "zero")}},
        {4, {Option(51, "Start", 10, 3, {33})}},
        {5, {}},
    });
}

class LookupTest : public ManagerTest
{
protected:
    LookupTest() : manager(Database(L"Opts.db", NavigationDatabase()).c_str(), nullptr) {}

    void Load() { ASSERT_EQ(manager.LoadDB(), 1); }
    OptionLocus* Named(unsigned panel, const wchar_t* name)
    {
        OptionLocus* locus = manager.RetrieveOption(panel, CString(name));
        EXPECT_NE(locus, nullptr) << "the database lacks an option the test needs";
        return locus;
    }

    TestManager manager;
};

std::vector<std::wstring> Names(const CTypedPtrArray<CObArray, OptionLocus*>* list)
{
    std::vector<std::wstring> names;
    for (INT_PTR i = 0; list != nullptr && i < list->GetSize(); ++i)
        names.push_back(S(list->GetAt(i)->m_strName));
    return names;
}

TEST_F(LookupTest, NothingIsFoundBeforeALoad)
{
    OptionLocus stranger(1, L"Start", 10, 0, 0, 0);
    unsigned panel = 1;
    EXPECT_EQ(manager.PanelOptionMap(1), nullptr);
    EXPECT_EQ(manager.RetrieveOption(1, 0u), nullptr);
    EXPECT_EQ(manager.RetrieveOption(1, CString(L"Start")), nullptr);
    EXPECT_EQ(manager.GetOptionFromTitleID(1, 10), nullptr);
    EXPECT_EQ(manager.GetNextOptionFromTitleID(&stranger, panel, 10), nullptr);
    EXPECT_EQ(panel, 1u);
    EXPECT_EQ(manager.VerifyPanelOption(1, &stranger), 0);
    EXPECT_EQ(manager.SetupNextPanel(1, &stranger), 0);
    EXPECT_TRUE(Names(manager.RetrieveCurrentPanelOptions()).empty());
    EXPECT_EQ(os.fileOpens, 0) << "only LoadNextPanelOptions loads";
}

TEST_F(LookupTest, LoadNextPanelOptionsLoadsTheDatabaseFirst)
{
    CTypedPtrArray<CObArray, OptionLocus*>* list = manager.LoadNextPanelOptions(3, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list, manager.RetrieveCurrentPanelOptions());
    EXPECT_EQ(manager.PanelCount(), 6);
    EXPECT_EQ(Names(list), (Texts{L"B", L"a", L"b"}));
}

TEST_F(LookupTest, AFailedLoadIsTriedAgainAtTheNextList)
{
    TestManager missing(dir.File(L"Missing.db").c_str(), nullptr);
    EXPECT_EQ(missing.LoadNextPanelOptions(1, nullptr), nullptr);
    EXPECT_EQ(missing.LoadNextPanelOptions(1, nullptr), nullptr);
    EXPECT_EQ(messages.texts.size(), 2u);
    dir.Write(L"Missing.db", NavigationDatabase());
    EXPECT_NE(missing.LoadNextPanelOptions(1, nullptr), nullptr);
}

TEST_F(LookupTest, PositionsFollowTheEnumerationOrder)
{
    Load();
    // The map enumerates in file order, a replaced record in its first place.
    EXPECT_EQ(manager.RetrieveOption(1, 0u)->m_nID, 1u);
    EXPECT_EQ(manager.RetrieveOption(1, 3u)->m_nID, 4u);
    EXPECT_EQ(manager.RetrieveOption(1, 4u), nullptr);
    EXPECT_EQ(manager.RetrieveOption(1, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(manager.RetrieveOption(5, 0u), nullptr);
    EXPECT_EQ(manager.RetrieveOption(77, 0u), nullptr);
}

TEST_F(LookupTest, NamesMatchExactly)
{
    Load();
    EXPECT_EQ(manager.RetrieveOption(1, CString(L"Start"))->m_nID, 1u);
    EXPECT_EQ(manager.RetrieveOption(1, CString(L"start")), nullptr);
    EXPECT_EQ(manager.RetrieveOption(1, CString(L"five")), nullptr);
    EXPECT_EQ(manager.RetrieveOption(3, CString(L"B"))->m_nID, 32u);
}

TEST_F(LookupTest, IdentifierAndTitleSearchesTakeTheFirstMatch)
{
    Load();
    const auto* panel2 = manager.PanelOptionMap(2);
    ASSERT_NE(panel2, nullptr);
    EXPECT_EQ(S(manager.FindLocusById(panel2, 7)->m_strName), L"seven");
    EXPECT_EQ(manager.FindLocusById(panel2, 9), nullptr);
    EXPECT_EQ(manager.FindLocusById(nullptr, 7), nullptr);
    EXPECT_EQ(manager.GetOptionFromTitleID(2, 50)->m_nID, 5u);
    EXPECT_EQ(manager.GetOptionFromTitleID(2, 51), nullptr);
    EXPECT_EQ(manager.GetOptionFromTitleID(77, 50), nullptr);
}

TEST_F(LookupTest, TheLowerSlotWinsForARepeatedPanelNumber)
{
    TestManager twice(
        Database(L"Twice.db", Archive({{8, {Option(1, "first")}}, {8, {Option(2, "second")}}}))
            .c_str(),
        nullptr);
    ASSERT_EQ(twice.LoadDB(), 1);
    EXPECT_EQ(twice.PanelOptionMap(8), twice.Slot(0));
    EXPECT_NE(twice.RetrieveOption(8, CString(L"first")), nullptr);
}

TEST_F(LookupTest, WithoutAChoiceEveryPanelButZeroListsAllItsOptions)
{
    Load();
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(1, nullptr)),
              (Texts{L"Empty", L"Other", L"Start", L"ToNowhere"}));
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)),
              (Texts{L"eight", L"five", L"later seven", L"seven", L"six"}));

    EXPECT_EQ(manager.LoadNextPanelOptions(0, nullptr), nullptr);
    EXPECT_TRUE(Names(manager.RetrieveCurrentPanelOptions()).empty());

    EXPECT_TRUE(Names(manager.LoadNextPanelOptions(5, nullptr)).empty());
}

TEST_F(LookupTest, AMissingPanelLeavesTheLastListAsItWas)
{
    Load();
    ASSERT_NE(manager.LoadNextPanelOptions(3, nullptr), nullptr);
    EXPECT_EQ(manager.LoadNextPanelOptions(77, nullptr), nullptr);
    EXPECT_EQ(Names(manager.RetrieveCurrentPanelOptions()), (Texts{L"B", L"a", L"b"}));
}

TEST_F(LookupTest, AChoiceListsTheOfferedOptionsUpToTheFirstMissingOne)
{
    Load();
    // Start offers 5, 9, 7; there is no 9 on panel 2.
    ASSERT_EQ(manager.SetupNextPanel(1, Named(1, L"Start")), 1);
    EXPECT_EQ(manager.NextPanel(), 2u);
    EXPECT_EQ(manager.NextIDs(), &Named(1, L"Start")->m_arrNextIDs);
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)), (Texts{L"five"}));
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)), (Texts{L"five"}))
        << "building a list does not use the choice up";
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(3, nullptr)), (Texts{L"B", L"a", L"b"}));

    // Other offers 7, 6: found by identifier (the first 7), then sorted.
    ASSERT_EQ(manager.SetupNextPanel(1, Named(1, L"Other")), 1);
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)), (Texts{L"seven", L"six"}));
}

TEST_F(LookupTest, AChoiceOfferingNothingListsNothing)
{
    Load();
    ASSERT_NE(manager.LoadNextPanelOptions(1, nullptr), nullptr);
    ASSERT_EQ(manager.SetupNextPanel(1, Named(1, L"Empty")), 1);
    EXPECT_EQ(manager.LoadNextPanelOptions(2, nullptr), nullptr);
    EXPECT_TRUE(Names(manager.RetrieveCurrentPanelOptions()).empty());
}

TEST_F(LookupTest, AChoiceIsReplacedAndForgottenOnSwitching)
{
    Load();
    ASSERT_EQ(manager.SetupNextPanel(1, Named(1, L"Start")), 1);
    // A refused record leaves the choice as it was.
    OptionLocus stranger(99, L"Nobody", 0, 0, 0, 0);
    EXPECT_EQ(manager.SetupNextPanel(1, &stranger), 0);
    EXPECT_EQ(manager.SetupNextPanel(1, nullptr), 0);
    EXPECT_EQ(manager.SetupNextPanel(77, Named(1, L"Start")), 0);
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)), (Texts{L"five"}));

    ASSERT_EQ(manager.SetupNextPanel(3, Named(3, L"a")), 1);
    EXPECT_EQ(manager.NextPanel(), 0u);
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)),
              (Texts{L"eight", L"five", L"later seven", L"seven", L"six"}));

    ASSERT_EQ(manager.SetupNextPanel(1, Named(1, L"Start")), 1);
    ASSERT_EQ(manager.SetDatabasePath(dir.File(L"Opts.db").c_str()), 1);
    EXPECT_EQ(manager.NextIDs(), nullptr);
    EXPECT_EQ(manager.NextPanel(), 0u);
    EXPECT_TRUE(Names(manager.RetrieveCurrentPanelOptions()).empty());
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(2, nullptr)),
              (Texts{L"eight", L"five", L"later seven", L"seven", L"six"}));
}

TEST_F(LookupTest, ARecordOfAnotherPanelPassesOnItsName)
{
    Load();
    OptionLocus* elsewhere = Named(4, L"Start");
    EXPECT_EQ(manager.VerifyPanelOption(1, elsewhere), 1);
    ASSERT_EQ(manager.SetupNextPanel(1, elsewhere), 1);
    EXPECT_EQ(manager.NextPanel(), 3u);
    EXPECT_EQ(manager.NextIDs(), &elsewhere->m_arrNextIDs);
    EXPECT_EQ(Names(manager.LoadNextPanelOptions(3, nullptr)), (Texts{L"a"}));
    EXPECT_EQ(manager.VerifyPanelOption(2, elsewhere), 0);
}

TEST_F(LookupTest, ARenamedRecordIsNoLongerAnOptionOfItsPanel)
{
    Load();
    OptionLocus* other = Named(1, L"Other");
    other->m_strName = L"Renamed";
    EXPECT_EQ(manager.VerifyPanelOption(1, other), 0);
    EXPECT_EQ(manager.SetupNextPanel(1, other), 0);
    EXPECT_EQ(manager.RetrieveOption(1, CString(L"Other")), other) << "still under its old key";
}

TEST_F(LookupTest, FollowingARecordByTitle)
{
    Load();
    unsigned panel = 1;
    // 5 has another title, 9 is missing (skipped, not an end), 7 matches.
    EXPECT_EQ(manager.GetNextOptionFromTitleID(Named(1, L"Start"), panel, 70)->m_nID, 7u);
    EXPECT_EQ(panel, 2u);

    panel = 1;
    EXPECT_EQ(manager.GetNextOptionFromTitleID(Named(1, L"Start"), panel, 60), nullptr)
        << "6 is not offered by Start";
    EXPECT_EQ(panel, 2u);

    panel = 1;
    EXPECT_EQ(manager.GetNextOptionFromTitleID(Named(1, L"ToNowhere"), panel, 10), nullptr);
    EXPECT_EQ(panel, 99u) << "the next panel is given back even when it does not exist";

    panel = 3;
    EXPECT_EQ(manager.GetNextOptionFromTitleID(Named(1, L"Start"), panel, 70), nullptr);
    EXPECT_EQ(panel, 3u) << "a record that fails verification changes nothing";
    EXPECT_EQ(manager.GetNextOptionFromTitleID(nullptr, panel, 70), nullptr);
    EXPECT_EQ(panel, 3u);
}

TEST_F(LookupTest, NamesSortByCodeUnit)
{
    TestManager sorted(
        Database(L"Sort.db", Archive({{1,
                                       {Option(1, "zeta"), Option(2, "Zeta"), Option(3, "\xE9"),
                                        Option(4, "alpha"), Option(5, "Alpha"), Option(6, ""),
                                        Option(7, "alphabet"), Option(8, "_"), Option(9, "1")}}}))
            .c_str(),
        nullptr);
    // (\xE9 above is the one-byte form widened, U+00E9.)
    const CTypedPtrArray<CObArray, OptionLocus*>* list = sorted.LoadNextPanelOptions(1, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Ids(*list), (Numbers{6u, 9u, 5u, 2u, 8u, 4u, 7u, 1u, 3u}));
}

TEST_F(LookupTest, EqualNamesEndWhereThePairwiseExchangePutsThem)
{
    // After a rename two records of one panel bear the name b: the list is
    // b (1), b (2), a (3) in enumeration order, and exchanging each pair in
    // turn gives a (3), b (2), b (1).
    TestManager renamed(
        Database(L"Rename.db", Archive({{1, {Option(1, "b"), Option(2, "c"), Option(3, "a")}}}))
            .c_str(),
        nullptr);
    ASSERT_EQ(renamed.LoadDB(), 1);
    renamed.RetrieveOption(1, CString(L"c"))->m_strName = L"b";
    const CTypedPtrArray<CObArray, OptionLocus*>* list = renamed.LoadNextPanelOptions(1, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Ids(*list), (Numbers{3u, 2u, 1u}));
}

TEST_F(LookupTest, OptCompFuncSwapsOnlyAGreaterFirst)
{
    OptionLocus a(1, L"a", 0, 0, 0, 0);
    OptionLocus b(2, L"b", 0, 0, 0, 0);
    OptionLocus otherA(3, L"a", 0, 0, 0, 0);
    OptionLocus* first = &b;
    OptionLocus* second = &a;
    manager.OptCompFunc(first, second);
    EXPECT_EQ(first, &a);
    EXPECT_EQ(second, &b);
    manager.OptCompFunc(first, second);
    EXPECT_EQ(first, &a);
    first = &otherA;
    second = &a;
    manager.OptCompFunc(first, second);
    EXPECT_EQ(first, &otherA) << "equal names are never swapped";
    EXPECT_EQ(second, &a);
}

// Choices offering many identifiers: panel 2 bears 7 twice ("seven" comes
// first) and no 99.
std::string LongChoiceDatabase()
{
    return Archive({
        {1,
         {Option(1, "All", 10, 2, {18, 7, 11, 12, 13, 14, 15, 16, 17, 5}),
          Option(2, "Gap", 20, 2, {5, 7, 11, 12, 13, 99, 14, 15, 16, 17}),
          Option(3, "Title", 30, 2, {5, 99, 11, 12, 13, 14, 15, 16, 17, 7})}},
        {2,
         {Option(5, "e05", 50), Option(7, "seven", 70), Option(11, "e11", 110),
          Option(12, "e12", 120), Option(13, "e13", 130), Option(14, "e14", 140),
          Option(15, "e15", 150), Option(16, "e16", 160), Option(17, "e17", 170),
          Option(18, "e18", 180), Option(7, "later seven", 71)}},
    });
}

class LongChoiceTest : public ManagerTest
{
protected:
    LongChoiceTest() : manager(Database(L"Long.db", LongChoiceDatabase()).c_str(), nullptr) {}

    std::vector<std::wstring> ListFor(const wchar_t* choice)
    {
        EXPECT_EQ(manager.SetupNextPanel(1, manager.RetrieveOption(1, CString(choice))), 1);
        return Names(manager.LoadNextPanelOptions(2, nullptr));
    }

    TestManager manager;
};

TEST_F(LongChoiceTest, EveryOfferedIdentifierFindsItsFirstRecord)
{
    ASSERT_EQ(manager.LoadDB(), 1);
    EXPECT_EQ(ListFor(L"All"), (Texts{L"e05", L"e11", L"e12", L"e13", L"e14", L"e15", L"e16",
                                      L"e17", L"e18", L"seven"}));
    EXPECT_EQ(ListFor(L"Gap"), (Texts{L"e05", L"e11", L"e12", L"e13", L"seven"}))
        << "the list ends at 99, which names no record";
}

TEST_F(LongChoiceTest, IdentifiersAreTakenAsTheRecordsBearThemNow)
{
    ASSERT_EQ(manager.LoadDB(), 1);
    ASSERT_EQ(ListFor(L"All").size(), 10u);
    // The application renumbers records after the load: 11 now names no
    // record and 99 names e11; the first 7 becomes 18, so it is found for 18
    // ahead of e18, and the later 7 is found for 7.
    manager.RetrieveOption(2, CString(L"e11"))->m_nID = 99;
    manager.RetrieveOption(2, CString(L"seven"))->m_nID = 18;
    EXPECT_EQ(ListFor(L"All"), (Texts{L"later seven", L"seven"}));
    EXPECT_EQ(ListFor(L"Gap"), (Texts{L"e05", L"later seven"}));
}

TEST_F(LongChoiceTest, FollowingByTitleSkipsMissingIdentifiersAmongMany)
{
    ASSERT_EQ(manager.LoadDB(), 1);
    OptionLocus* title = manager.RetrieveOption(1, CString(L"Title"));
    unsigned panel = 1;
    EXPECT_EQ(S(manager.GetNextOptionFromTitleID(title, panel, 170)->m_strName), L"e17");
    EXPECT_EQ(panel, 2u);
    panel = 1;
    EXPECT_EQ(S(manager.GetNextOptionFromTitleID(title, panel, 70)->m_strName), L"seven");
    panel = 1;
    EXPECT_EQ(manager.GetNextOptionFromTitleID(title, panel, 71), nullptr)
        << "the later 7 is never the one found";
    panel = 1;
    EXPECT_EQ(manager.GetNextOptionFromTitleID(title, panel, 180), nullptr) << "18 is not offered";
}

TEST_F(LookupTest, SortingComparesWholeNamesBeyondTheirFirstUnits)
{
    // Names that agree in their first units, end early, hold a zero unit or
    // units above 0x7FFF, in no order; the list must come out by code unit.
    const CString names[] = {Units({'a', 'b', 'c', 'd', 'f'}),
                             Units({'a', 'b', 'c', 'd'}),
                             Units({0xFFFF}),
                             Units({'a', 'b', 'c', 'd', 'e'}),
                             Units({'a', 'b', 'c', 0}),
                             Units({'a', 'b', 0x8000}),
                             Units({'a', 'b', 'c'}),
                             Units({'a', 'b', 'c', 'd', 'e', 0}),
                             Units({'a', 0xD83D, 0xDE00}),
                             Units({'a', 'b', 'c', 'd', 'e', 'e'})};
    std::vector<std::unique_ptr<OptionLocus>> records;
    CTypedPtrArray<CObArray, OptionLocus*> list;
    for (std::size_t i = 0; i < std::size(names); ++i)
    {
        records.push_back(std::make_unique<OptionLocus>(static_cast<UINT>(i), L"", 0, 0, 0, 0));
        records.back()->m_strName = names[i];
        list.Add(records.back().get());
    }
    manager.SortOptions(&list);
    EXPECT_EQ(Ids(list), (Numbers{6u, 4u, 1u, 3u, 7u, 9u, 0u, 5u, 8u, 2u}));
}

} // namespace
