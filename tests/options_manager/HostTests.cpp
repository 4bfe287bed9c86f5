// A host application of Lumbrix, linked as hosts link it: against the
// library and the shared framework library, nothing of either in the
// program itself. One framework in the process: one class record per class,
// one module list of registered classes, one message handler, one set of
// exception types.
#include <afxwin.h>

#include <lumbrix/OptionsManager.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// Classes of the host's own, registered by the host.
class HostNote : public CObject
{
    DECLARE_DYNAMIC(HostNote)
};
IMPLEMENT_DYNAMIC(HostNote, CObject)

class HostOption : public OptionLocus
{
    DECLARE_SERIAL(HostOption)

public:
    void Serialize(CArchive& ar) override
    {
        OptionLocus::Serialize(ar);
        if (ar.IsStoring())
            ar << m_nColour;
        else
            ar >> m_nColour;
    }
    UINT m_nColour = 0;
};
IMPLEMENT_SERIAL(HostOption, OptionLocus, 1)

namespace
{

class HostTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / (std::string("lumbrix-host-") + test->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    CString Path(const char* name) const { return CString((m_folder / name).wstring().c_str()); }

    // A plain database of one panel written by the host through its own
    // archive: the panel count, the panel's number and record count, then
    // each record's body.
    void WriteDatabase(const CString& path, UINT nPanel, const std::vector<OptionLocus*>& records)
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << static_cast<int>(1) << nPanel << static_cast<UINT>(records.size());
        for (OptionLocus* pLocus : records)
            pLocus->Serialize(ar);
        ar.Close();
    }

    fs::path m_folder;
};

TEST_F(HostTest, RecordsOfTheLibraryAndOfTheHostShareTheClassRecords)
{
    OptionLocus shared(1, L"Shared", 2, 3, 4, 5);
    const CString path = Path("one.db");
    WriteDatabase(path, 7, {&shared});
    OptionsManager manager(path, nullptr);
    ASSERT_TRUE(manager.LoadDB());
    OptionLocus* pLibraryRecord = manager.RetrieveOption(7, CString(L"Shared"));
    ASSERT_NE(pLibraryRecord, nullptr);

    HostNote note;
    HostOption option;
    CObject* const pLibraryObject = pLibraryRecord;
    CObject* const pNote = &note;
    CObject* const pOption = &option;

    // The record the library made is a CObject to the host as well.
    EXPECT_TRUE(pLibraryObject->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_TRUE(pLibraryObject->IsKindOf(RUNTIME_CLASS(OptionLocus)));
    EXPECT_FALSE(pLibraryObject->IsKindOf(RUNTIME_CLASS(HostOption)));
    EXPECT_EQ(pLibraryObject->GetRuntimeClass(), RUNTIME_CLASS(OptionLocus));
    EXPECT_EQ(RUNTIME_CLASS(OptionLocus)->m_pBaseClass, RUNTIME_CLASS(CObject));

    EXPECT_TRUE(pNote->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(pNote->IsKindOf(RUNTIME_CLASS(OptionLocus)));
    EXPECT_TRUE(pOption->IsKindOf(RUNTIME_CLASS(OptionLocus)));
    EXPECT_EQ(RUNTIME_CLASS(HostOption)->m_pBaseClass, RUNTIME_CLASS(OptionLocus));

    EXPECT_EQ(DYNAMIC_DOWNCAST(OptionLocus, pLibraryObject), pLibraryRecord);
    EXPECT_EQ(DYNAMIC_DOWNCAST(HostOption, pLibraryObject), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(HostNote, pLibraryObject), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(OptionLocus, pNote), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(HostNote, pNote), &note);
    EXPECT_EQ(DYNAMIC_DOWNCAST(OptionLocus, pOption), &option);
    EXPECT_EQ(DYNAMIC_DOWNCAST(OptionLocus, static_cast<CObject*>(nullptr)), nullptr);
    EXPECT_EQ(STATIC_DOWNCAST(OptionLocus, pLibraryObject), pLibraryRecord);
    EXPECT_EQ(STATIC_DOWNCAST(HostOption, pOption), &option);
    ASSERT_KINDOF(OptionLocus, pLibraryRecord);
    ASSERT_KINDOF(CObject, pNote);
}

TEST_F(HostTest, OnlyTheHostsClassesAreFoundByName)
{
    // The library's start-up kept OptionLocus in its own record and joined
    // no chain: the module's list is the host's.
    EXPECT_EQ(CRuntimeClass::FromName("HostOption"), RUNTIME_CLASS(HostOption));
    EXPECT_EQ(CRuntimeClass::FromName("OptionLocus"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("HostNote"), nullptr); // not serializable: not registered

    // So a class-tagged record of the host's comes back, and one of the
    // library's is refused, by whoever's archive reads it.
    const CString path = Path("tagged.bin");
    {
        HostOption option;
        option.m_nID = 9;
        option.m_strName = L"Tagged";
        option.m_nColour = 0xC0FFEE;
        OptionLocus locus(3, L"Locus", 0, 0, 0, 0);
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << &option << &locus;
        ar.Close();
    }
    CFile file(path, CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    std::unique_ptr<CObject> loaded(ar.ReadObject(RUNTIME_CLASS(OptionLocus)));
    auto* pOption = DYNAMIC_DOWNCAST(HostOption, loaded.get());
    ASSERT_NE(pOption, nullptr);
    EXPECT_EQ(pOption->m_nID, 9U);
    EXPECT_EQ(pOption->m_strName, CString(L"Tagged"));
    EXPECT_EQ(pOption->m_nColour, 0xC0FFEEU);
    try
    {
        delete ar.ReadObject(RUNTIME_CLASS(OptionLocus));
        ADD_FAILURE() << "a class the module does not know was created";
    }
    catch (CArchiveException* e)
    {
        EXPECT_EQ(e->m_cause, CArchiveException::badClass);
        e->Delete();
    }
}

TEST_F(HostTest, RecordsCrossBetweenTheHostsArchivesAndTheLibrary)
{
    // Host to library: records the host made and stored through its own
    // archive, loaded by the manager.
    OptionLocus first(1, L"First", 10, 11, 12, 13);
    first.m_nNextPanel = 8;
    first.m_arrNextIDs.Add(4);
    first.m_arrNextIDs.Add(5);
    HostOption second;
    second.m_nID = 2;
    second.m_strName = L"Second \u00E9";
    const CString path = Path("host.db");
    WriteDatabase(path, 7, {&first, &second});

    OptionsManager manager(path, nullptr);
    CTypedPtrArray<CObArray, OptionLocus*>* pList = manager.LoadNextPanelOptions(7, nullptr);
    ASSERT_NE(pList, nullptr);
    ASSERT_EQ(pList->GetSize(), 2);
    const OptionLocus* pFirst = pList->GetAt(0);
    EXPECT_EQ(pFirst->m_strName, first.m_strName);
    EXPECT_EQ((std::vector<UINT>{pFirst->m_nID, pFirst->m_nTitleID, pFirst->m_nData1,
                                 pFirst->m_nData2, pFirst->m_nData3, pFirst->m_nNextPanel}),
              (std::vector<UINT>{1, 10, 11, 12, 13, 8}));
    EXPECT_EQ(std::vector<UINT>(pFirst->m_arrNextIDs.begin(), pFirst->m_arrNextIDs.end()),
              (std::vector<UINT>{4, 5}));
    EXPECT_EQ(pList->GetAt(1)->m_strName, second.m_strName);

    // Library to host: a record the library made, stored by its own code
    // into the host's archive and loaded by the host into a record of its own.
    const CString copyPath = Path("copy.bin");
    {
        CFile file(copyPath, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        pList->GetAt(0)->Serialize(ar);
        ar.Close();
    }
    OptionLocus copy;
    CFile file(copyPath, CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    copy.Serialize(ar);
    EXPECT_EQ(copy.m_strName, first.m_strName);
    EXPECT_EQ(copy.m_nData3, 13U);
    EXPECT_EQ(std::vector<UINT>(copy.m_arrNextIDs.begin(), copy.m_arrNextIDs.end()),
              (std::vector<UINT>{4, 5}));
}

TEST_F(HostTest, TheFrameworksExceptionsAreCaughtByTypeOnEitherSide)
{
    // A record body whose identifier count is negative as a size: the
    // library's Serialize raises the invalid-argument exception.
    const CString path = Path("negative.bin");
    {
        OptionLocus locus(1, L"X", 0, 0, 0, 0);
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        locus.Serialize(ar);
        ar.Close();
    }
    {
        CFile file(path, CFile::modeReadWrite);
        file.Seek(-4, CFile::end);
        const UINT negative = 0x80000000U;
        file.Write(&negative, 4);
    }
    bool caught = false;
    try
    {
        CFile file(path, CFile::modeRead);
        CArchive ar(&file, CArchive::load);
        OptionLocus locus;
        locus.Serialize(ar);
    }
    catch (CInvalidArgException* e)
    {
        caught = e->IsKindOf(RUNTIME_CLASS(CObject)) != FALSE;
        e->Delete();
    }
    EXPECT_TRUE(caught);

    // A body cut short: the archive's end-of-file exception, by its base type.
    {
        const BYTE cut[] = {0x02, 0x00, 0x00, 0x80, 0x01, 0x00};
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        file.Write(cut, sizeof cut);
    }
    caught = false;
    try
    {
        CFile file(path, CFile::modeRead);
        CArchive ar(&file, CArchive::load);
        OptionLocus locus;
        locus.Serialize(ar);
    }
    catch (CException* e)
    {
        auto* pArchiveError = dynamic_cast<CArchiveException*>(e);
        caught = pArchiveError != nullptr && pArchiveError->m_cause == CArchiveException::endOfFile;
        e->Delete();
    }
    EXPECT_TRUE(caught);
}

TEST_F(HostTest, TheLibrarysMessagesReachTheHostsHandler)
{
    struct Received
    {
        std::vector<CString> texts;
    } received;
    AfxSetMessageHandler([](const CString& text, void* context)
                         { static_cast<Received*>(context)->texts.push_back(text); },
                         &received);
    OptionsManager manager(Path("missing.db"), nullptr);
    EXPECT_FALSE(manager.LoadDB());
    AfxMessageBox(L"from the host");
    AfxSetMessageHandler(nullptr, nullptr);

    ASSERT_EQ(received.texts.size(), 2U);
    EXPECT_NE(received.texts[0].Find(L"missing.db"), -1) << received.texts[0].ToUtf8();
    EXPECT_EQ(received.texts[1], CString(L"from the host"));
}

} // namespace
