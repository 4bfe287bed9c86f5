// OptionLocus: construction, class record and the serialized record body.
#include "lumbrix/OptionLocus.h"

#include "AllocationProbe.h"
#include "ArchiveFiles.h"
#include "RaisedException.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace testing_support;

namespace
{

const std::string kAbc = Bytes({0xFF, 0xFE, 0xFF, 3, 'a', 0, 'b', 0, 'c', 0});
const UINT kAfter = 0xC0FFEE;

std::string Stored(OptionLocus& record)
{
    StoringArchive out;
    record.Serialize(out.ar);
    return out.Bytes();
}

// Loads bytes into record; a word placed after them must be the next thing
// left to read, so a test sees exactly how much the record consumed.
void LoadInto(OptionLocus& record, const std::string& bytes)
{
    LoadingArchive in(bytes + Word(kAfter), 512);
    record.Serialize(in.ar);
    EXPECT_EQ(in.ar.GetObjectSchema(), 0xFFFFFFFFU);
    UINT after = 0;
    in.ar >> after;
    EXPECT_EQ(after, kAfter);
}

// Loads bytes that must fail, and hands back the failure.
template <typename E> ExceptionPtr<E> LoadFails(const std::string& bytes)
{
    OptionLocus record(0, L"", 0, 0, 0, 0);
    return Raised<E>(
        [&]
        {
            LoadingArchive in(bytes, 512);
            record.Serialize(in.ar);
        });
}

std::vector<UINT> Ids(const OptionLocus& record)
{
    return std::vector<UINT>(record.m_arrNextIDs.begin(), record.m_arrNextIDs.end());
}

TEST(OptionLocusTest, ConstructorsAndClassRecord)
{
    const OptionLocus made(4, L"Name", 5, 6, 7, 8);
    EXPECT_EQ(made.m_strName, CString(L"Name"));
    EXPECT_EQ(std::vector<UINT>({made.m_nID, made.m_nTitleID, made.m_nData1, made.m_nData2,
                                 made.m_nData3, made.m_nNextPanel}),
              std::vector<UINT>({4, 5, 6, 7, 8, 0}));
    EXPECT_EQ(made.m_arrNextIDs.GetSize(), 0);

    CRuntimeClass* byName = CRuntimeClass::FromName("OptionLocus");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName, RUNTIME_CLASS(OptionLocus));
    EXPECT_EQ(CRuntimeClass::FromName(L"OptionLocus"), byName);
    EXPECT_STREQ(byName->m_lpszClassName, "OptionLocus");
    EXPECT_EQ(byName->m_wSchema, 0x80000002U);
    EXPECT_EQ(byName->m_pBaseClass, RUNTIME_CLASS(CObject));

    const std::unique_ptr<CObject> created(byName->CreateObject());
    auto* record = dynamic_cast<OptionLocus*>(created.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->GetRuntimeClass(), byName);
    EXPECT_TRUE(record->m_strName.IsEmpty());
    EXPECT_EQ(record->m_arrNextIDs.GetSize(), 0);
    EXPECT_EQ(std::vector<UINT>({record->m_nID, record->m_nTitleID, record->m_nData1,
                                 record->m_nData2, record->m_nData3, record->m_nNextPanel}),
              std::vector<UINT>(6, 0));
}

TEST(OptionLocusTest, StoresTheBodyByteForByte)
{
    OptionLocus empty(7, L"", 1, 2, 3, 4);
    empty.m_nNextPanel = 5;
    EXPECT_EQ(Stored(empty),
              Words({0x80000002, 7}) + Bytes({0xFF, 0xFE, 0xFF, 0}) + Words({1, 2, 3, 5, 4, 0}));

    OptionLocus abc(1, L"abc", 100, 0, 0, 0);
    abc.m_nNextPanel = 8;
    abc.m_arrNextIDs.Add(2);
    abc.m_arrNextIDs.Add(0xFFFFFFFF);
    EXPECT_EQ(Stored(abc),
              Words({0x80000002, 1}) + kAbc + Words({100, 0, 0, 8, 0, 2, 2, 0xFFFFFFFF}));
}

TEST(OptionLocusTest, NameLengthPicksItsEscape)
{
    struct Row
    {
        int length;
        std::string prefix;
    };
    const Row rows[] = {
        {254, Bytes({0xFF, 0xFE, 0xFF, 0xFE})},
        {255, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00})},
        {65533, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.length);
        OptionLocus record(3, CString(L'\x4E2D', row.length), 0, 0, 0, 0);
        const std::string bytes = Stored(record);
        EXPECT_EQ(bytes.substr(8, row.prefix.size()), row.prefix);
        EXPECT_EQ(bytes.substr(8 + row.prefix.size(), 2), Bytes({0x2D, 0x4E}));
        EXPECT_EQ(bytes.size(),
                  8 + row.prefix.size() + 2 * static_cast<std::size_t>(row.length) + 24);
        OptionLocus loaded(0, L"", 0, 0, 0, 0);
        LoadInto(loaded, bytes);
        EXPECT_EQ(loaded.m_strName, record.m_strName);
    }
}

TEST(OptionLocusTest, LoadsEachRecordForm)
{
    struct Row
    {
        const char* proves;
        std::string bytes;
        CString name;
        UINT data3;
        std::vector<UINT> ids;
    };
    const std::string fields = Words({11, 12, 13, 14});
    const Row rows[] = {
        {"schema 2", Words({0x80000002, 9}) + kAbc + fields + Words({77, 1, 5}), L"abc", 77, {5}},
        {"schema 2 without versionable bit",
         Words({2, 9}) + kAbc + fields + Words({77, 0}),
         L"abc",
         77,
         {}},
        {"later schema read as 2",
         Words({0x80000003, 9}) + kAbc + fields + Words({77, 0}),
         L"abc",
         77,
         {}},
        {"schema 1 has no data3",
         Words({0x80000001, 9}) + kAbc + fields + Words({2, 6, 7}),
         L"abc",
         0x5A5A,
         {6, 7}},
        {"schema 1 without versionable bit",
         Words({1, 9}) + kAbc + fields + Words({0}),
         L"abc",
         0x5A5A,
         {}},
        {"one-byte name",
         Words({0x80000002, 9}) + Bytes({2, 'h', 'i'}) + fields + Words({77, 0}),
         L"hi",
         77,
         {}},
        {"one-byte name above 0x7F",
         Words({2, 9}) + Bytes({2, 0xE9, 0x80}) + fields + Words({77, 0}),
         Units({0xE9, 0x20AC}),
         77,
         {}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.proves);
        OptionLocus record(0, L"before", 0, 0, 0, 0x5A5A);
        LoadInto(record, row.bytes);
        EXPECT_EQ(record.m_strName, row.name);
        EXPECT_EQ(std::vector<UINT>({record.m_nID, record.m_nTitleID, record.m_nData1,
                                     record.m_nData2, record.m_nNextPanel, record.m_nData3}),
                  std::vector<UINT>({9, 11, 12, 13, 14, row.data3}));
        EXPECT_EQ(Ids(record), row.ids);
    }
}

TEST(OptionLocusTest, StoreThenLoadGivesTheSameRecord)
{
    OptionLocus original(0xFFFFFFFF, Units({'O', 0xF3, 0xD83D, 0xDE00}) + CString(L'z', 300), 2, 3,
                         4, 5);
    original.m_nNextPanel = 6;
    for (UINT i = 0; i < 1000; ++i)
        original.m_arrNextIDs.Add(i * 7919);

    OptionLocus copy(1, L"stale", 1, 1, 1, 1);
    copy.m_arrNextIDs.Add(42);
    LoadInto(copy, Stored(original));
    EXPECT_EQ(copy.m_strName, original.m_strName);
    EXPECT_EQ(std::vector<UINT>({copy.m_nID, copy.m_nTitleID, copy.m_nData1, copy.m_nData2,
                                 copy.m_nNextPanel, copy.m_nData3}),
              std::vector<UINT>({0xFFFFFFFF, 2, 3, 4, 6, 5}));
    EXPECT_EQ(Ids(copy), Ids(original));
}

TEST(OptionLocusTest, IdentifierCountWithBit31IsAnInvalidArgument)
{
    for (const std::uint32_t count : {0x80000000U, 0xFFFFFFFFU})
        EXPECT_NE(LoadFails<CInvalidArgException>(Words({2, 1}) + kAbc +
                                                  Words({0, 0, 0, 0, 0, count, 1, 2})),
                  nullptr);
}

TEST(OptionLocusTest, CountsTooLargeForTheFileEndWithoutAHugeAllocation)
{
    const std::string head = Words({0x80000002, 1});
    const std::string rows[] = {
        head + kAbc + Words({0, 0, 0, 0, 0, 0x7FFFFFFF, 1, 2}),
        // 4 * n wraps to 4 in 32 bits, which the two words after it would satisfy
        head + kAbc + Words({0, 0, 0, 0, 0, 0x40000001, 1, 2}),
        head + Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}) + Word(0x7FFFFFFF) + "tiny",
        head + Bytes({0xFF, 0xFF, 0xFF}) + Word(0xFFFFFFFE) + "tiny",
        head + Bytes({0xFF, 0xFD, 0xFF}) + "tiny",
    };
    for (const std::string& bytes : rows)
    {
        AllocationProbe probe;
        const auto e = LoadFails<CArchiveException>(bytes);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        EXPECT_LT(probe.LargestRequest(), 64u * 1024u);
    }
}

// A database may end anywhere: every cut of a valid record must end in the
// framework's end-of-file report, never in a crash or a silent success.
TEST(OptionLocusTest, EveryTruncationRaisesEndOfFile)
{
    OptionLocus full(1, L"abc", 100, 0, 0, 0);
    full.m_nNextPanel = 8;
    full.m_arrNextIDs.Add(2);
    full.m_arrNextIDs.Add(3);
    const std::string bytes = Stored(full);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    {
        SCOPED_TRACE(cut);
        const auto e = LoadFails<CArchiveException>(bytes.substr(0, cut));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        EXPECT_TRUE(e->m_strFileName.IsEmpty());
    }
}

TEST(OptionLocusTest, ClassTaggedRoundTrip)
{
    OptionLocus original(2, L"abc", 3, 4, 5, 6);
    original.m_arrNextIDs.Add(9);
    StoringArchive out;
    out.ar << static_cast<const CObject*>(&original);
    const std::string bytes = out.Bytes();
    EXPECT_EQ(bytes, Bytes({0xFF, 0xFF, 2, 0, 11, 0}) + "OptionLocus" + Stored(original));

    LoadingArchive in(bytes);
    OptionLocus* loaded = nullptr;
    in.ar >> loaded;
    const std::unique_ptr<OptionLocus> owner(loaded);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->m_strName, CString(L"abc"));
    EXPECT_EQ(loaded->m_nData3, 6u);
    EXPECT_EQ(Ids(*loaded), std::vector<UINT>{9});
}

} // namespace
