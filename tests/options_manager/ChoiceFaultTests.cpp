// A panel's last choice stored while every file call of the INI write fails
// in turn: the manager still counts the choice as made, and the INI file
// holds the previous choice or the new one, with every other entry kept.
#include "ManagerTestSupport.h"

#include "FileFaults.h"

using namespace manager_tests;
using namespace database_bytes;

namespace
{

TEST(ChoiceFaultTest, AFailedWriteKeepsThePreviousChoiceAndEveryOtherEntry)
{
    const std::wstring delta = L"\u0394\u03B5\u03BB\u03C4\u03B1";
    // A plain choice, and one that turns the ANSI file into UTF-16.
    for (const std::wstring& chosen : {std::wstring(L"b"), delta})
    {
        SCOPED_TRACE(platform::ToUtf8(platform::FromWide(chosen.c_str())));
        for (int n = 1;; ++n)
        {
            SCOPED_TRACE("call " + std::to_string(n) + " fails");
            ASSERT_LT(n, 100);
            TempDir dir;
            MessageLog messages;
            dir.Write(L"Opts.db",
                      Archive({{3,
                                {Option(31, "a", 0, 4), Option(32, "b", 0, 4),
                                 Option(33, "\u0394\u03B5\u03BB\u03C4\u03B1", 0, 4)}}}));
            dir.Write(L"Opts.ini", "; kept\r\n[Window]\r\nTitle=Caf\xE9\r\n"
                                   "[Wzd Panel: 3]\r\nLast Option:=a\r\n");
            const std::wstring database = dir.File(L"Opts.db");
            testing_support::Fault plan;
            plan.at = n;
            {
                TestManager manager(database.c_str(), nullptr);
                ASSERT_EQ(manager.LoadDB(), 1);
                int saved = 0;
                {
                    const testing_support::ScopedFault hook(plan);
                    saved = manager.SaveLastPanelOptionSeln(
                        3, manager.RetrieveOption(3, CString(chosen.c_str())));
                }
                EXPECT_EQ(saved, 1);
                EXPECT_EQ(manager.NextPanel(), 4u);
            }
            TestManager reader(database.c_str(), nullptr);
            ASSERT_EQ(reader.LoadDB(), 1);
            OptionLocus* found = nullptr;
            ASSERT_EQ(reader.RetrieveLastPanelOptionSeln(3, found), 1);
            ASSERT_NE(found, nullptr);
            const std::wstring stored = S(found->m_strName);
            EXPECT_TRUE(stored == L"a" || stored == chosen);
            CString title;
            EXPECT_EQ(reader.GetOp(L"Window", L"Title", title), 1);
            EXPECT_EQ(S(title), L"Caf\u00E9");
            if (plan.seen < n)
            {
                EXPECT_GT(n, 1);
                EXPECT_EQ(stored, chosen);
                break;
            }
        }
    }
}

} // namespace
