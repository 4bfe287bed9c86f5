// CString: the operations the components rely on, at their edges.
#include <afx.h>

#include <gtest/gtest.h>

namespace
{

TEST(CStringTest, MidLeftRightClampLikeTheFramework)
{
    const CString s(L"abcdef");
    EXPECT_EQ(s.Mid(2), CString(L"cdef"));
    EXPECT_EQ(s.Mid(2, 2), CString(L"cd"));
    EXPECT_EQ(s.Mid(4, 10), CString(L"ef"));
    EXPECT_EQ(s.Mid(7, 1), CString());
    EXPECT_EQ(s.Mid(-3, 2), CString(L"ab"));
    EXPECT_EQ(s.Mid(2, -1), CString());
    EXPECT_EQ(s.Left(10), s);
    EXPECT_EQ(s.Left(-1), CString());
    EXPECT_EQ(s.Right(2), CString(L"ef"));
    EXPECT_EQ(s.Right(9), s);
}

TEST(CStringTest, FindAndReverseFind)
{
    const CString s(L"PatchInfo=APatchFile=B.exe");
    EXPECT_EQ(s.Find(L"PatchFile"), 11);
    EXPECT_EQ(s.Find(L".exe", 11), 22);
    EXPECT_EQ(s.Find(L".EXE"), -1);
    EXPECT_EQ(s.Find(L"Patch", 1), 11);
    EXPECT_EQ(s.Find(L"x", 100), -1);
    EXPECT_EQ(s.Find(L'='), 9);
    EXPECT_EQ(s.ReverseFind(L'='), 20);
    EXPECT_EQ(CString(L"none").ReverseFind(L'.'), -1);
}

TEST(CStringTest, ReplaceCountsAndRemoves)
{
    CString s(L"a\r\nb\nc\rd");
    EXPECT_EQ(s.Replace(L"\r\n", L""), 1);
    EXPECT_EQ(s.Replace(L"\n", L""), 1);
    EXPECT_EQ(s.Replace(L"\r", L""), 1);
    EXPECT_EQ(s, CString(L"abcd"));
    EXPECT_EQ(s.Replace(L"zz", L"y"), 0);
}

TEST(CStringTest, TrimRemovesUnicodeWhiteSpaceAtBothEnds)
{
    CString s(L" \t\x3000 14.0.0.5 \x00A0\r\n");
    s.Trim();
    EXPECT_EQ(s, CString(L"14.0.0.5"));
    CString inner(L"1 4");
    inner.Trim();
    EXPECT_EQ(inner, CString(L"1 4"));
}

TEST(CStringTest, CompareIsByCodeUnitAndUpperCaseSortsFirst)
{
    EXPECT_LT(CString(L"B").Compare(L"a"), 0);
    EXPECT_LT(CString(L"a").Compare(L"b"), 0);
    EXPECT_EQ(CString(L"14.0").Compare(L"14.0"), 0);
    EXPECT_NE(CString(L"14.0 ").Compare(L"14.0"), 0);
    EXPECT_EQ(CString(L"14.0.0.5a").CompareNoCase(L"14.0.0.5A"), 0);
    // A character outside the basic plane sorts by its surrogate units.
    EXPECT_GT(CString(L"\xFFFF").Compare(CString(L"\U00010000")), 0);
}

TEST(CStringTest, FormatDirectives)
{
    struct Row
    {
        const char* name;
        CString result;
        const wchar_t* expected;
    };
    auto format = [](const wchar_t* f, auto... args) {
        CString s;
        s.Format(f, args...);
        return s;
    };
    const Row rows[] = {
        {"signed long", format(L"%ld", static_cast<LONG>(-234)), L"-234"},
        {"unsigned long", format(L"%lu", static_cast<unsigned long>(4294967295UL)), L"4294967295"},
        {"negative as unsigned", format(L"%lu", static_cast<LONG>(-1)), L"4294967295"},
        {"panel section", format(L"Wzd Panel: %u", 3u), L"Wzd Panel: 3"},
        {"four numbers", format(L"%d.%d.%d.%d", 14, 0, 0, 142), L"14.0.0.142"},
        {"string", format(L"[%s] in %s", CString(L"a b"), L"c"), L"[a b] in c"},
        {"width and zero", format(L"%08X|%-3d|%3d", 0x1A2Bu, 7, 7), L"00001A2B|7  |  7"},
        {"percent", format(L"100%%"), L"100%"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.result, CString(row.expected)) << row.name;
}

TEST(CStringTest, AnsiTextConvertsThroughTheCodePageAndStopsAtZero)
{
    const char bytes[] = {'A', '\x80', '\xE9', '\0', 'Z', '\0'};
    const CString s(bytes);
    ASSERT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.GetAt(1), static_cast<wchar_t>(0x20AC));
    EXPECT_EQ(s.GetAt(2), static_cast<wchar_t>(0xE9));
    EXPECT_EQ(s.ToAnsi(), std::string("A\x80\xE9"));
    EXPECT_EQ(CString(L"\x4E2D").ToAnsi(), std::string("?"));
    EXPECT_EQ(CString(bytes, 5).GetLength(), 5);
}

TEST(CStringTest, WideStringRoundTripsSurrogates)
{
    const CString s(L"a\U0001F600b");
    EXPECT_EQ(s.GetLength(), 4); // UTF-16 inside: the emoji is two units
    EXPECT_EQ(std::wstring(s.GetString()), std::wstring(L"a\U0001F600b"));
}

} // namespace

namespace
{

TEST(CStringTest, TheWideFormFollowsEveryChangeAndCopiesStandAlone)
{
    CString original(L"first");
    const wchar_t* wide = original.GetString();
    EXPECT_STREQ(wide, L"first");
    EXPECT_EQ(original.GetString(), wide) << "asking again hands out the same text";

    CString copy(original);
    CString assigned;
    assigned = original;
    original += L" and more";
    EXPECT_STREQ(original.GetString(), L"first and more");
    EXPECT_STREQ(copy.GetString(), L"first");
    EXPECT_STREQ(assigned.GetString(), L"first");

    // Every kind of change is seen by the next wide form.
    copy.SetAt(0, L'F');
    EXPECT_STREQ(copy.GetString(), L"First");
    copy.MakeUpper();
    EXPECT_STREQ(copy.GetString(), L"FIRST");
    copy.Format(L"%d-%s", 7, L"x");
    EXPECT_STREQ(copy.GetString(), L"7-x");
    copy.Empty();
    EXPECT_STREQ(copy.GetString(), L"");

    assigned = assigned;
    EXPECT_STREQ(assigned.GetString(), L"first");
    CString moved(std::move(original));
    EXPECT_STREQ(moved.GetString(), L"first and more");
}

TEST(CStringTest, AStringHoldsLittleBeyondItsUnits)
{
    // The panel maps hold one string per option: a string never asked for
    // its wide form carries at most one pointer beside its code units.
    EXPECT_LE(sizeof(CString), sizeof(platform::XString) + sizeof(void*));
}

} // namespace
