// The option chosen last on each panel, remembered in the INI file.
#include "ManagerTestSupport.h"

using namespace manager_tests;
using namespace database_bytes;

namespace
{

std::string SelectionDatabase()
{
    return Archive({
        {3, {Option(31, "b", 0, 4, {41}), Option(32, "B", 0, 4, {42}), Option(33, "a", 0, 4, {})}},
        {4, {Option(41, "x"), Option(42, "y")}},
        {5, {}},
    });
}

class LastSelectionTest : public ManagerTest
{
protected:
    LastSelectionTest()
        : database(Database(L"Opts.db", SelectionDatabase())), ini(dir.File(L"Opts.ini")),
          manager(database.c_str(), nullptr)
    {
    }

    void Load() { ASSERT_EQ(manager.LoadDB(), 1); }
    std::wstring Stored(const std::wstring& section) const
    {
        return os.Value(ini, section, L"Last Option:");
    }

    std::wstring database;
    std::wstring ini;
    TestManager manager;
};

TEST_F(LastSelectionTest, SavingWritesTheNameAndRecordsTheChoice)
{
    Load();
    OptionLocus* b = manager.RetrieveOption(3, CString(L"b"));
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, b), 1);
    EXPECT_EQ(Stored(L"Wzd Panel: 3"), L"b");
    EXPECT_EQ(manager.NextPanel(), 4u);
    EXPECT_EQ(manager.NextIDs(), &b->m_arrNextIDs);
    EXPECT_EQ(Ids(*manager.LoadNextPanelOptions(4, nullptr)), std::vector<unsigned>{41});

    OptionLocus* found = nullptr;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 1);
    EXPECT_EQ(found, b);

    // A later save overwrites the entry.
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, manager.RetrieveOption(3, CString(L"a"))), 1);
    EXPECT_EQ(Stored(L"Wzd Panel: 3"), L"a");
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 1);
    EXPECT_EQ(S(found->m_strName), L"a");
}

TEST_F(LastSelectionTest, RefusedRecordsWriteNothingAndKeepTheChoice)
{
    Load();
    OptionLocus* b = manager.RetrieveOption(3, CString(L"b"));
    ASSERT_EQ(manager.SaveLastPanelOptionSeln(3, b), 1);
    const int writes = os.writes;

    OptionLocus stranger(1, L"nobody", 0, 9, 0, 0);
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, &stranger), 0);
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, nullptr), 0);
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(77, b), 0);
    EXPECT_EQ(os.writes, writes);
    EXPECT_EQ(Stored(L"Wzd Panel: 3"), L"b");
    EXPECT_EQ(manager.NextIDs(), &b->m_arrNextIDs);
}

TEST_F(LastSelectionTest, NothingStoredGivesTheFirstNameInCodeUnitOrder)
{
    Load();
    OptionLocus* found = nullptr;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), L"B");
    EXPECT_EQ(manager.NextIDs(), nullptr) << "retrieving records no choice";
    EXPECT_EQ(os.writes, 0);
}

TEST_F(LastSelectionTest, AStaleNameFallsBackToTheFirstOption)
{
    Load();
    os.Store(ini, L"Wzd Panel: 3", L"Last Option:", L"gone");
    OptionLocus* found = nullptr;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), L"B");
    EXPECT_EQ(Stored(L"Wzd Panel: 3"), L"gone") << "the stale entry stays until the next save";
}

TEST_F(LastSelectionTest, AmongEqualNamesTheEarliestRecordComesFirst)
{
    // Renamed records can share the smallest name; the first option by name
    // is then the one the pairwise exchange settles first: the earliest.
    struct Row
    {
        const char* proves;
        const wchar_t* renamed;
        unsigned expected;
    };
    const Row rows[] = {
        {"a later record takes the smallest name", L"B", 32},
        {"the first record takes the smallest name", L"b", 31},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.proves);
        TestManager fresh(database.c_str(), nullptr);
        ASSERT_EQ(fresh.LoadDB(), 1);
        // Enumeration order b (31), B (32), a (33).
        fresh.RetrieveOption(3, CString(row.renamed))->m_strName = L"A";
        fresh.RetrieveOption(3, CString(L"a"))->m_strName = L"A";
        OptionLocus* found = nullptr;
        EXPECT_EQ(fresh.RetrieveLastPanelOptionSeln(3, found), 1);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->m_nID, row.expected);
    }
}

TEST_F(LastSelectionTest, NoPanelOrAnEmptyPanelGivesNothing)
{
    OptionLocus placeholder;
    OptionLocus* found = &placeholder;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 0) << "not loaded, and not loading";
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(os.fileOpens, 0);

    Load();
    found = &placeholder;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(5, found), 0);
    EXPECT_EQ(found, nullptr);
    found = &placeholder;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(77, found), 0);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(77, &placeholder), 0);
}

TEST_F(LastSelectionTest, ARenamedRecordIsRefusedBothWays)
{
    Load();
    OptionLocus* b = manager.RetrieveOption(3, CString(L"b"));
    ASSERT_EQ(manager.SaveLastPanelOptionSeln(3, b), 1);
    b->m_strName = L"renamed";
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, b), 0);
    EXPECT_EQ(Stored(L"Wzd Panel: 3"), L"b");

    // The stored name still finds the record under its old key; it no
    // longer passes, and there is no falling back to another option.
    OptionLocus placeholder;
    OptionLocus* found = &placeholder;
    EXPECT_EQ(manager.RetrieveLastPanelOptionSeln(3, found), 0);
    EXPECT_EQ(found, nullptr);
}

TEST_F(LastSelectionTest, WithSettingsOffTheChoiceIsStillRecorded)
{
    // A manager built with no arguments derives no INI path by itself.
    TestManager noIni;
    ASSERT_EQ(noIni.SetDatabasePath(database.c_str()), 1);
    ASSERT_EQ(noIni.IniFilePath(), L"");
    ASSERT_EQ(noIni.LoadDB(), 1);
    OptionLocus* b = noIni.RetrieveOption(3, CString(L"b"));
    EXPECT_EQ(noIni.SaveLastPanelOptionSeln(3, b), 1);
    EXPECT_EQ(noIni.NextPanel(), 4u);
    EXPECT_EQ(os.writes, 0);
    OptionLocus* found = nullptr;
    EXPECT_EQ(noIni.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), L"B");
}

TEST_F(LastSelectionTest, AFailedWriteStillCountsAsSaved)
{
    Load();
    os.writesFail = true;
    OptionLocus* b = manager.RetrieveOption(3, CString(L"b"));
    EXPECT_EQ(manager.SaveLastPanelOptionSeln(3, b), 1);
    EXPECT_EQ(manager.NextIDs(), &b->m_arrNextIDs);
    EXPECT_EQ(os.writes, 1);
}

// The real INI layer of the platform: two managers with different section
// formats share one file and keep separate entries for the same panel.
TEST(SharedIniTest, SectionFormatsKeepManagersApart)
{
    TempDir dir;
    MessageLog messages;
    dir.Write(L"Opts.db", SelectionDatabase());
    const std::wstring database = dir.File(L"Opts.db");

    TestManager wizard(database.c_str(), nullptr);
    TestManager plain;
    ASSERT_EQ(plain.SetDatabasePath(database.c_str()), 1);
    plain.SetIniFilePath(nullptr);
    ASSERT_EQ(plain.IniFilePath(), wizard.IniFilePath());
    ASSERT_EQ(wizard.LoadDB(), 1);
    ASSERT_EQ(plain.LoadDB(), 1);

    EXPECT_EQ(wizard.SaveLastPanelOptionSeln(3, wizard.RetrieveOption(3, CString(L"b"))), 1);
    EXPECT_EQ(plain.SaveLastPanelOptionSeln(3, plain.RetrieveOption(3, CString(L"a"))), 1);

    OptionLocus* found = nullptr;
    EXPECT_EQ(wizard.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), L"b");
    EXPECT_EQ(plain.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), L"a");

    const std::string text = dir.Read(L"Opts.ini");
    EXPECT_TRUE(Contains(text, "[Wzd Panel: 3]\r\nLast Option:=b\r\n"));
    EXPECT_TRUE(Contains(text, "[Panel: 3]\r\nLast Option:=a\r\n"));

    // Plain settings share the file too.
    EXPECT_EQ(plain.SetOp(L"Window", L"Width", L"640"), 1);
    CString width;
    EXPECT_EQ(wizard.GetOp(L"Window", L"Width", width), 1);
    EXPECT_EQ(S(width), L"640");
    EXPECT_TRUE(messages.texts.empty());
}

std::string Utf16Le(const std::wstring& text)
{
    std::string bytes;
    for (const wchar_t c : text)
        bytes += Byte(static_cast<unsigned>(c)) + Byte(static_cast<unsigned>(c) >> 8);
    return bytes;
}

// A choice beyond the ANSI code page, saved into an INI file that exists in
// ANSI, turns the file into UTF-16 with every other line as it read, and a
// new manager finds the choice; settings written with SetOp alike.
TEST(SharedIniTest, AChoiceBeyondAnsiIsKeptInAnAnsiFile)
{
    TempDir dir;
    MessageLog messages;
    dir.Write(L"Opts.db",
              Archive({{3, {Option(31, "a"), Option(32, "\u0394\u03B5\u03BB\u03C4\u03B1")}}}));
    const std::wstring database = dir.File(L"Opts.db");
    const std::string ansi = "; kept\r\n[Window]\r\nTitle=Caf\xE9 \x80\r\n"
                             "[Wzd Panel: 3]\r\nLast Option:=a\r\n";
    const std::wstring others = L"; kept\r\n[Window]\r\nTitle=Caf\u00E9 \u20AC\r\n";
    const std::wstring delta = L"\u0394\u03B5\u03BB\u03C4\u03B1";
    const std::string utf16Mark = "\xFF\xFE";

    dir.Write(L"Opts.ini", ansi);
    {
        TestManager first(database.c_str(), nullptr);
        ASSERT_EQ(first.LoadDB(), 1);
        EXPECT_EQ(first.SaveLastPanelOptionSeln(3, first.RetrieveOption(3, CString(delta.c_str()))),
                  1);
    }
    EXPECT_EQ(dir.Read(L"Opts.ini"),
              utf16Mark + Utf16Le(others + L"[Wzd Panel: 3]\r\nLast Option:=" + delta + L"\r\n"));
    TestManager second(database.c_str(), nullptr);
    ASSERT_EQ(second.LoadDB(), 1);
    OptionLocus* found = nullptr;
    EXPECT_EQ(second.RetrieveLastPanelOptionSeln(3, found), 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(S(found->m_strName), delta);
    CString title;
    EXPECT_EQ(second.GetOp(L"Window", L"Title", title), 1);
    EXPECT_EQ(S(title), L"Caf\u00E9 \u20AC");

    dir.Write(L"Opts.ini", ansi);
    EXPECT_EQ(second.SetOp(L"Window", L"Width", delta.c_str()), 1);
    EXPECT_EQ(dir.Read(L"Opts.ini"),
              utf16Mark + Utf16Le(others + L"Width=" + delta +
                                  L"\r\n[Wzd Panel: 3]\r\nLast Option:=a\r\n"));
    EXPECT_TRUE(messages.texts.empty());
}

} // namespace
