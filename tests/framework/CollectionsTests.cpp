// CMapStringToOb: keys found exactly, entries enumerated in the order their
// keys were first added, positions that follow that order.
#include <afxcoll.h>

#include "ArchiveFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::Units;

namespace
{

// Distinct objects to store; the map only keeps their addresses.
struct Item : CObject
{
};

CObject* Object(std::size_t i)
{
    static std::vector<Item> items(6000);
    return &items.at(i);
}

CString Key(std::size_t i)
{
    return CString((L"key " + std::to_wstring(i)).c_str());
}

std::vector<std::wstring> EnumeratedKeys(const CMapStringToOb& map)
{
    std::vector<std::wstring> keys;
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr)
    {
        CString key;
        CObject* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        keys.emplace_back(key.GetString());
    }
    return keys;
}

TEST(CMapStringToObTest, ManyKeysAreFoundAndKeepTheirOrderAsTheTableGrows)
{
    const std::size_t kCount = 5000;
    CMapStringToOb map;
    for (std::size_t i = 0; i < kCount; ++i)
        map[Key(i)] = Object(i);
    ASSERT_EQ(map.GetCount(), static_cast<INT_PTR>(kCount));

    for (std::size_t i = 0; i < kCount; ++i)
    {
        CObject* value = nullptr;
        ASSERT_TRUE(map.Lookup(Key(i), value)) << i;
        EXPECT_EQ(value, Object(i));
        EXPECT_EQ(map.GetValueAt(static_cast<INT_PTR>(i)), Object(i));
    }
    CObject* value = nullptr;
    EXPECT_FALSE(map.Lookup(Key(kCount), value));
    EXPECT_FALSE(map.Lookup(CString(L"key"), value));

    const std::vector<std::wstring> keys = EnumeratedKeys(map);
    ASSERT_EQ(keys.size(), kCount);
    for (std::size_t i = 0; i < kCount; ++i)
        EXPECT_EQ(keys[i], std::wstring(Key(i).GetString()));
}

TEST(CMapStringToObTest, RoomMadeBeforeOrBetweenKeysKeepsEveryKeyAndItsPlace)
{
    CMapStringToOb map;
    map.InitHashTable(0);
    for (std::size_t i = 0; i < 3; ++i)
        map[Key(i)] = Object(i);
    // The keys already present move to the larger table.
    map.InitHashTable(4000);
    for (std::size_t i = 3; i < 4000; ++i)
        map[Key(i)] = Object(i);
    map.InitHashTable(10);
    ASSERT_EQ(map.GetCount(), 4000);

    for (std::size_t i = 0; i < 4000; ++i)
    {
        CObject* value = nullptr;
        ASSERT_TRUE(map.Lookup(Key(i), value)) << i;
        EXPECT_EQ(value, Object(i));
    }
    const std::vector<std::wstring> keys = EnumeratedKeys(map);
    ASSERT_EQ(keys.size(), 4000u);
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(keys[i], std::wstring(Key(i).GetString()));
}

TEST(CMapStringToObTest, KeysDifferingOnlyInLengthOrCaseOrAZeroUnitAreDistinct)
{
    const CString keys[] = {L"",
                            L"a",
                            L"A",
                            L"ab",
                            Units({'a', 0}),
                            Units({'a', 0, 0}),
                            Units({0}),
                            Units({0xD83D, 0xDE00}),
                            Units({0xFFFF})};
    CMapStringToOb map;
    for (std::size_t i = 0; i < std::size(keys); ++i)
        map[keys[i]] = Object(i);
    ASSERT_EQ(map.GetCount(), static_cast<INT_PTR>(std::size(keys)));
    for (std::size_t i = 0; i < std::size(keys); ++i)
    {
        CObject* value = nullptr;
        ASSERT_TRUE(map.Lookup(keys[i], value)) << i;
        EXPECT_EQ(value, Object(i)) << i;
        CString key;
        ASSERT_TRUE(map.GetAssocAt(static_cast<INT_PTR>(i), key, value));
        EXPECT_EQ(key, keys[i]) << i;
    }
}

TEST(CMapStringToObTest, AStoredValueReplacesTheOldOneInItsPlace)
{
    CMapStringToOb map;
    map[CString(L"b")] = Object(1);
    map[CString(L"a")] = Object(2);
    CObject*& slot = map[CString(L"b")];
    EXPECT_EQ(slot, Object(1));
    slot = Object(3);
    map.SetAt(CString(L"a"), Object(4));
    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_EQ(EnumeratedKeys(map), (std::vector<std::wstring>{L"b", L"a"}));
    EXPECT_EQ(map.GetValueAt(0), Object(3));
    EXPECT_EQ(map.GetValueAt(1), Object(4));

    // A key that is only asked for is added with a null value.
    EXPECT_EQ(map[CString(L"c")], nullptr);
    EXPECT_EQ(map.GetCount(), 3);
}

TEST(CMapStringToObTest, RemovingAKeyMovesTheLaterEntriesUp)
{
    CMapStringToOb map;
    for (std::size_t i = 0; i < 40; ++i)
        map[Key(i)] = Object(i);
    EXPECT_TRUE(map.RemoveKey(Key(0)));
    EXPECT_TRUE(map.RemoveKey(Key(17)));
    EXPECT_FALSE(map.RemoveKey(Key(17)));
    EXPECT_FALSE(map.RemoveKey(CString(L"absent")));
    ASSERT_EQ(map.GetCount(), 38);

    std::vector<std::size_t> expected;
    for (std::size_t i = 1; i < 40; ++i)
    {
        if (i != 17)
            expected.push_back(i);
    }
    for (std::size_t at = 0; at < expected.size(); ++at)
    {
        CString key;
        CObject* value = nullptr;
        ASSERT_TRUE(map.GetAssocAt(static_cast<INT_PTR>(at), key, value));
        EXPECT_EQ(key, Key(expected[at]));
        EXPECT_EQ(value, Object(expected[at]));
        CObject* found = nullptr;
        ASSERT_TRUE(map.Lookup(key, found));
        EXPECT_EQ(found, value);
    }
    CObject* value = nullptr;
    EXPECT_FALSE(map.Lookup(Key(17), value));

    // A removed key comes back at the end.
    map[Key(17)] = Object(99);
    EXPECT_EQ(map.GetValueAt(38), Object(99));
}

TEST(CMapStringToObTest, EmptiedMapIsUsableAgainAndPositionsOutOfRangeGiveNothing)
{
    CMapStringToOb map;
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_EQ(map.GetValueAt(0), nullptr);
    CObject* value = nullptr;
    EXPECT_FALSE(map.Lookup(CString(L"x"), value));
    EXPECT_FALSE(map.RemoveKey(CString(L"x")));

    for (std::size_t i = 0; i < 100; ++i)
        map[Key(i)] = Object(i);
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_FALSE(map.Lookup(Key(3), value));

    map[Key(3)] = Object(3);
    CString key;
    EXPECT_FALSE(map.GetAssocAt(1, key, value));
    EXPECT_FALSE(map.GetAssocAt(-1, key, value));
    EXPECT_EQ(map.GetValueAt(-1), nullptr);
    EXPECT_EQ(map.GetValueAt(1), nullptr);
    ASSERT_TRUE(map.Lookup(Key(3), value));
    EXPECT_EQ(value, Object(3));
}

} // namespace
