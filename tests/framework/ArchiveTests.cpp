// CArchive: byte layout, buffering, the string form and class-tagged objects.
#include <afx.h>

#include "ArchiveFiles.h"
#include "RaisedException.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace testing_support;

namespace
{

TEST(CArchiveTest, NumbersAreLittleEndianBothWays)
{
    const std::string expected = Bytes({0x12, 0x56, 0x34, 0xFE, 0xFF}) + Word(0xFFFFFFFD) +
                                 Word(0x89ABCDEF) + Words({0x05060708, 0x01020304}) +
                                 Words({0xFFFFFFF0, 0xFFFFFFFF});
    StoringArchive out;
    out.ar << BYTE(0x12) << WORD(0x3456) << short(-2) << int(-3) << UINT(0x89ABCDEF)
           << ULONGLONG(0x0102030405060708) << LONGLONG(-16);
    EXPECT_EQ(out.Bytes(), expected);

    LoadingArchive in(expected);
    BYTE b = 0;
    WORD w = 0;
    short s = 0;
    int i = 0;
    UINT u = 0;
    ULONGLONG q = 0;
    LONGLONG n = 0;
    in.ar >> b >> w >> s >> i >> u >> q >> n;
    EXPECT_EQ(b, 0x12);
    EXPECT_EQ(w, 0x3456);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(i, -3);
    EXPECT_EQ(u, 0x89ABCDEFU);
    EXPECT_EQ(q, 0x0102030405060708ULL);
    EXPECT_EQ(n, -16);
}

TEST(CArchiveTest, StringsAreReadInEitherFormWithEveryLengthEscape)
{
    struct Row
    {
        const char* proves;
        std::string bytes;
        CString expected;
    };
    const std::string a300(300, 'a');
    const Row rows[] = {
        {"one-byte", Bytes({3, 'a', 'b', 'c'}), L"abc"},
        {"one-byte above 0x7F", Bytes({3, 0xE9, 0x80, 'x'}), Units({0xE9, 0x20AC, 'x'})},
        {"one-byte word length", Bytes({0xFF, 0x2C, 0x01}) + a300, CString(a300.c_str())},
        {"one-byte dword length", Bytes({0xFF, 0xFF, 0xFF}) + Word(2) + "hi", L"hi"},
        {"UTF-16", Bytes({0xFF, 0xFE, 0xFF, 2, 0x3D, 0xD8, 0x00, 0xDE}), Units({0xD83D, 0xDE00})},
        {"UTF-16 empty", Bytes({0xFF, 0xFE, 0xFF, 0}), L""},
        {"UTF-16 word length", Bytes({0xFF, 0xFE, 0xFF, 0xFF, 1, 0, 'z', 0}), L"z"},
        {"UTF-16 dword length",
         Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}) + Word(1) + Bytes({'q', 0}), L"q"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.proves);
        // A byte after the string shows that exactly the string was consumed.
        LoadingArchive in(row.bytes + "\x5A");
        CString value(L"old");
        in.ar >> value;
        EXPECT_EQ(value, row.expected);
        EXPECT_EQ(in.ar.GetBytesRemaining(), 1u);
    }
}

TEST(CArchiveTest, UnreadableLengthsAreRefused)
{
    for (const std::uint32_t length : {0x80000000U, 0xFFFFFFFEU})
    {
        const auto e = Raised<COleException>(
            [&]
            {
                LoadingArchive in(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}) + Word(length));
                CString value;
                in.ar >> value;
            });
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(static_cast<std::uint32_t>(e->m_sc), 0x80070216U);
    }
    // The 64-bit escape, in both forms.
    const std::string escape = Bytes({0xFF, 0xFF, 0xFF}) + Words({0xFFFFFFFF, 3, 0}) + "abcdef";
    for (const std::string& bytes : {escape, Bytes({0xFF, 0xFE, 0xFF}) + escape})
    {
        const auto e = Raised<CArchiveException>(
            [&]
            {
                LoadingArchive in(bytes);
                CString value;
                in.ar >> value;
            });
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
    }
}

// Mixed content through buffers of several sizes, including ones smaller than
// most of the items, must give the same bytes and read back unchanged.
TEST(CArchiveTest, ContentCrossesBufferBoundariesIntact)
{
    const std::size_t lengths[] = {0, 1, 63, 64, 65, 300, 5000};
    auto write = [&](CArchive& ar)
    {
        for (std::size_t n : lengths)
        {
            ar << BYTE(0xA5) << CString(L'x', static_cast<int>(n));
            for (UINT i = 0; i < 40; ++i)
                ar << ULONGLONG(n * 1000 + i);
        }
    };
    StoringArchive reference;
    write(reference.ar);
    const std::string bytes = reference.Bytes();
    for (const int size : {8, 9, 13, 128, 512})
    {
        SCOPED_TRACE(size);
        std::vector<BYTE> buffer(static_cast<std::size_t>(size));
        StoringArchive out(size, buffer.data());
        write(out.ar);
        EXPECT_EQ(out.Bytes(), bytes);

        LoadingArchive in(bytes, size, buffer.data());
        for (std::size_t n : lengths)
        {
            BYTE marker = 0;
            CString text;
            in.ar >> marker >> text;
            ASSERT_EQ(marker, 0xA5);
            ASSERT_EQ(text, CString(L'x', static_cast<int>(n)));
            for (UINT i = 0; i < 40; ++i)
            {
                ULONGLONG value = 0;
                in.ar >> value;
                ASSERT_EQ(value, n * 1000 + i);
            }
        }
        EXPECT_EQ(in.ar.GetBytesRemaining(), 0u);
    }
}

TEST(CArchiveTest, LoadingStartsAtTheFilePositionAndCloseGivesBackReadAhead)
{
    LoadingArchive first(Bytes({9, 9, 9}) + Words({11, 22}));
    first.ar.Abort(); // only the file is used
    first.File().Seek(3, CFile::begin);
    CArchive ar(&first.File(), CArchive::load);
    UINT value = 0;
    ar >> value;
    EXPECT_EQ(value, 11u);
    EXPECT_EQ(ar.GetBytesRemaining(), 4u);
    ar.Close();
    EXPECT_EQ(first.File().GetPosition(), 7u);
}

TEST(CArchiveTest, DestructorFlushesButAbortDiscards)
{
    StoringArchive out;
    out.ar << UINT(1);
    {
        CArchive pending(out.ar.GetFile(), CArchive::store);
        pending << UINT(2);
    }
    CArchive aborted(out.ar.GetFile(), CArchive::store);
    aborted << UINT(3);
    aborted.Abort();
    EXPECT_EQ(out.Bytes(), Word(2) + Word(1));
}

TEST(CArchiveTest, DirectionAndSchema)
{
    LoadingArchive in(Word(5));
    EXPECT_TRUE(in.ar.IsLoading());
    EXPECT_FALSE(in.ar.IsStoring());
    const auto e = Raised<CArchiveException>([&] { in.ar << UINT(1); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->m_cause, CArchiveException::readOnly);
    EXPECT_EQ(in.ar.GetObjectSchema(), 0xFFFFFFFFU);
    in.ar.SetObjectSchema(0x80000002);
    EXPECT_EQ(in.ar.GetObjectSchema(), 0x80000002U);
    EXPECT_EQ(in.ar.GetObjectSchema(), 0xFFFFFFFFU);
}

class ArchiveTestPoint : public CObject
{
    DECLARE_SERIAL(ArchiveTestPoint)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_x << m_pOther;
        else
            m_pOther = (ar >> m_x).ReadObject(nullptr);
    }
    int m_x = 0;
    CObject* m_pOther = nullptr; // not owned
};
IMPLEMENT_SERIAL(ArchiveTestPoint, CObject, 1)

class ArchiveTestShape : public CObject
{
    DECLARE_SERIAL(ArchiveTestShape)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            ar << m_n;
            return;
        }
        m_nSchemaSeen = ar.GetObjectSchema();
        ar >> m_n;
    }
    UINT m_n = 0;
    UINT m_nSchemaSeen = 0;
};
IMPLEMENT_SERIAL(ArchiveTestShape, CObject, 0x80000003)

const std::string kPointClass = Bytes({0xFF, 0xFF, 1, 0, 16, 0}) + "ArchiveTestPoint";
const std::string kShapeClass = Bytes({0xFF, 0xFF, 3, 0, 16, 0}) + "ArchiveTestShape";

TEST(CArchiveObjectTest, ClassesAndObjectsAreWrittenOnceThenReferenced)
{
    ArchiveTestPoint a;
    a.m_x = 5;
    ArchiveTestPoint b;
    b.m_x = 6;
    b.m_pOther = &a;
    StoringArchive out;
    out.ar << static_cast<const CObject*>(&a) << static_cast<const CObject*>(&b)
           << static_cast<const CObject*>(&a) << static_cast<const CObject*>(nullptr);
    const std::string bytes = out.Bytes();
    EXPECT_EQ(bytes,
              kPointClass + Word(5) + Bytes({0, 0, 1, 0x80}) + Word(6) + Bytes({2, 0, 2, 0, 0, 0}));

    LoadingArchive in(bytes);
    ArchiveTestPoint sentinel;
    ArchiveTestPoint* pa = nullptr;
    ArchiveTestPoint* pb = nullptr;
    ArchiveTestPoint* third = nullptr;
    ArchiveTestPoint* fourth = &sentinel;
    in.ar >> pa >> pb >> third >> fourth;
    const std::unique_ptr<ArchiveTestPoint> ownA(pa), ownB(pb);
    ASSERT_NE(pa, nullptr);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(pa->m_x, 5);
    EXPECT_EQ(pa->m_pOther, nullptr);
    EXPECT_EQ(pb->m_x, 6);
    EXPECT_EQ(pb->m_pOther, pa);
    EXPECT_EQ(third, pa);
    EXPECT_EQ(fourth, nullptr);
}

TEST(CArchiveObjectTest, IndexesPastFifteenBitsUseTheBigTag)
{
    const std::size_t count = 0x8000; // objects take indexes 2 to 0x8001
    std::vector<ArchiveTestPoint> points(count);
    ArchiveTestShape shapes[2];
    shapes[0].m_n = 71;
    shapes[1].m_n = 72;
    // Back-references to the objects at indexes 2, 0x7FFE, 0x7FFF and 0x8001.
    const std::size_t again[] = {0, count - 4, count - 3, count - 1};
    StoringArchive out;
    for (ArchiveTestPoint& point : points)
        out.ar << static_cast<const CObject*>(&point);
    for (std::size_t i : again)
        out.ar << static_cast<const CObject*>(&points[i]);
    out.ar << static_cast<const CObject*>(&shapes[0]) << static_cast<const CObject*>(&shapes[1]);
    const std::string bytes = out.Bytes();
    const std::string tail = Bytes({2, 0, 0xFE, 0x7F, 0xFF, 0x7F}) + Word(0x7FFF) +
                             Bytes({0xFF, 0x7F}) + Word(0x8001) + kShapeClass + Word(71) +
                             Bytes({0xFF, 0x7F}) + Words({0x80008002, 72});
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

    LoadingArchive in(bytes);
    std::vector<CObject*> loaded(count + 6);
    for (CObject*& p : loaded)
        in.ar >> p;
    std::vector<std::unique_ptr<CObject>> owned(
        loaded.begin(), loaded.begin() + static_cast<std::ptrdiff_t>(count));
    owned.emplace_back(loaded[count + 4]);
    owned.emplace_back(loaded[count + 5]);
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(loaded[count + k], loaded[again[k]]);
    auto* shape = dynamic_cast<ArchiveTestShape*>(loaded[count + 5]);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->m_n, 72u);
    EXPECT_EQ(shape->m_nSchemaSeen, 3u);
}

TEST(CArchiveObjectTest, DamagedOrUnexpectedTagsAreRefused)
{
    struct Row
    {
        const char* proves;
        std::string bytes;
        int cause;
        const CRuntimeClass* requested;
    };
    const Row rows[] = {
        {"unknown class", Bytes({0xFF, 0xFF, 1, 0, 7, 0}) + "Nowhere", CArchiveException::badClass,
         nullptr},
        {"class name too long", Bytes({0xFF, 0xFF, 1, 0, 64, 0}) + std::string(64, 'A'),
         CArchiveException::badClass, nullptr},
        {"other schema of a fixed class", Bytes({0xFF, 0xFF, 2, 0, 16, 0}) + "ArchiveTestPoint",
         CArchiveException::badSchema, nullptr},
        {"object never read", Bytes({5, 0}), CArchiveException::badIndex, nullptr},
        {"class never read", Bytes({1, 0x80}), CArchiveException::badIndex, nullptr},
        {"class tag naming an object", kShapeClass + Word(1) + Bytes({2, 0x80}),
         CArchiveException::badIndex, nullptr},
        {"object tag naming a class", kShapeClass + Word(1) + Bytes({1, 0}),
         CArchiveException::badIndex, nullptr},
        {"class name cut", Bytes({0xFF, 0xFF, 1, 0, 16, 0}) + "Archive",
         CArchiveException::endOfFile, nullptr},
        {"another class than asked for", kPointClass + Word(1) + Bytes({0, 0}),
         CArchiveException::badClass, RUNTIME_CLASS(ArchiveTestShape)},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.proves);
        LoadingArchive in(row.bytes);
        std::vector<std::unique_ptr<CObject>> loaded;
        const auto e = Raised<CArchiveException>(
            [&]
            {
                for (;;)
                    loaded.emplace_back(in.ar.ReadObject(row.requested));
            });
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, row.cause);
    }
}

TEST(CArchiveObjectTest, VersionableClassReadsAnOlderSchema)
{
    LoadingArchive in(Bytes({0xFF, 0xFF, 1, 0, 16, 0}) + "ArchiveTestShape" + Word(9));
    ArchiveTestShape* shape = nullptr;
    in.ar >> shape;
    const std::unique_ptr<ArchiveTestShape> owner(shape);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->m_nSchemaSeen, 1u);
    EXPECT_EQ(shape->m_n, 9u);
}

} // namespace

namespace
{

// Counts the file size and position queries that reach the platform.
class QueryCountingOs : public FakeOs
{
public:
    int queries = 0;

    platform::Status FileSeek(platform::FileHandle file, std::int64_t offset,
                              platform::SeekOrigin origin, std::uint64_t& position) override
    {
        ++queries;
        return FakeOs::FileSeek(file, offset, origin, position);
    }
    platform::Status FileSize(platform::FileHandle file, std::uint64_t& size) override
    {
        ++queries;
        return FakeOs::FileSize(file, size);
    }
};

TEST(CArchiveTest, CanDeliverAsksTheFileOnlyBeyondTheBuffer)
{
    QueryCountingOs os;
    const platform::ScopedOs scope(os);
    LoadingArchive in(std::string(100, 'x'), 16);
    BYTE first = 0;
    in.ar >> first; // the buffer now holds 15 bytes
    os.queries = 0;
    EXPECT_TRUE(in.ar.CanDeliver(0));
    EXPECT_TRUE(in.ar.CanDeliver(15));
    EXPECT_EQ(os.queries, 0);

    EXPECT_TRUE(in.ar.CanDeliver(16));
    EXPECT_TRUE(in.ar.CanDeliver(99));
    EXPECT_FALSE(in.ar.CanDeliver(100));
    EXPECT_GT(os.queries, 0);
    EXPECT_EQ(in.ar.GetBytesRemaining(), 99u);

    in.ar.Close();
    EXPECT_TRUE(in.ar.CanDeliver(0));
    EXPECT_FALSE(in.ar.CanDeliver(1));

    StoringArchive out;
    EXPECT_FALSE(out.ar.CanDeliver(1)) << "a storing archive delivers nothing";
}

TEST(CArchiveTest, AStringLongerThanTheDataIsRefusedBeforeReading)
{
    // The length claims 40 code units; only 3 follow.
    for (const int bufferSize : {8, 4096})
    {
        SCOPED_TRACE(bufferSize);
        LoadingArchive in(Bytes({0xFF, 0xFE, 0xFF, 40, 'a', 0, 'b', 0, 'c', 0}), bufferSize);
        CString value(L"old");
        const auto e = Raised<CArchiveException>([&] { in.ar >> value; });
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        EXPECT_EQ(value, CString(L"old"));
        EXPECT_EQ(in.ar.GetBytesRemaining(), 6u) << "nothing of the payload was consumed";
    }
}

} // namespace
