// Option records read from an archive over bytes someone else wrote: bare
// record bodies as the database holds them, or class-tagged objects as the
// framework's archive reads them. Every record that loads must store and
// load again unchanged.
#include "FuzzSupport.h"

#include "lumbrix/OptionLocus.h"

#include <afx.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace
{

using fuzzing::Require;

const wchar_t kInput[] = L"input.rec";
const wchar_t kStored[] = L"stored.rec";
const int kBufferSize = 512;

fuzzing::MemoryFileOs& Os()
{
    static fuzzing::MemoryFileOs os;
    static const platform::ScopedOs scope(os);
    return os;
}

void Store(OptionLocus& record)
{
    CFile file(kStored, CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    record.Serialize(ar);
    ar.Close();
    file.Close();
}

std::unique_ptr<OptionLocus> Reload()
{
    CFile file(kStored, CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    auto record = std::make_unique<OptionLocus>(0, L"", 0, 0, 0, 0);
    record->Serialize(ar);
    ar.Close();
    return record;
}

void CheckRoundTrip(OptionLocus& record)
{
    Store(record);
    const std::unique_ptr<OptionLocus> again = Reload();
    Require(again->m_nID == record.m_nID && again->m_strName == record.m_strName &&
                again->m_nTitleID == record.m_nTitleID && again->m_nData1 == record.m_nData1 &&
                again->m_nData2 == record.m_nData2 && again->m_nNextPanel == record.m_nNextPanel &&
                again->m_nData3 == record.m_nData3,
            "a stored record loads with the same fields");
    Require(again->m_arrNextIDs.GetSize() == record.m_arrNextIDs.GetSize(),
            "a stored record loads with as many next identifiers");
    for (INT_PTR i = 0; i < record.m_arrNextIDs.GetSize(); ++i)
        Require(again->m_arrNextIDs[i] == record.m_arrNextIDs[i],
                "a stored record loads with the same next identifiers");
}

// Records one after the other until the data runs out or breaks.
void ReadBodies(CArchive& ar, std::vector<std::unique_ptr<OptionLocus>>& loaded)
{
    for (;;)
    {
        auto record = std::make_unique<OptionLocus>(0, L"", 0, 0, 0, 0);
        record->Serialize(ar);
        loaded.push_back(std::move(record));
    }
}

// Class-tagged objects; a reference to an object read before gives that
// object again, which is owned once.
void ReadObjects(CArchive& ar, std::vector<std::unique_ptr<OptionLocus>>& loaded,
                 std::set<CObject*>& seen)
{
    for (;;)
    {
        CObject* object = ar.ReadObject(RUNTIME_CLASS(OptionLocus));
        if (object == nullptr || !seen.insert(object).second)
            continue;
        Require(object->IsKindOf(RUNTIME_CLASS(OptionLocus)), "objects are of the class asked for");
        loaded.emplace_back(static_cast<OptionLocus*>(object));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::MemoryFileOs& os = Os();
    if (size == 0)
        return 0;
    const bool tagged = (data[0] & 1) != 0;
    os.Put(platform::ToUtf8(platform::FromWide(kInput)), data + 1, size - 1);

    std::vector<std::unique_ptr<OptionLocus>> loaded;
    std::set<CObject*> seen;
    {
        CFile file(kInput, CFile::modeRead | CFile::shareDenyNone);
        BYTE buffer[kBufferSize];
        CArchive ar(&file, CArchive::load, kBufferSize, buffer);
        try
        {
            if (tagged)
                ReadObjects(ar, loaded, seen);
            else
                ReadBodies(ar, loaded);
        }
        catch (CException* e)
        {
            e->Delete();
        }
        ar.Close();
    }
    for (const std::unique_ptr<OptionLocus>& record : loaded)
        CheckRoundTrip(*record);
    return 0;
}
