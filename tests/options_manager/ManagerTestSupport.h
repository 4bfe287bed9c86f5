// What the manager tests share: a manager whose protected state the tests
// can read, an Os whose INI files live in memory and whose file operations
// can be made to fail, and the library's messages collected in order.
#pragma once

#include "lumbrix/OptionsManager.h"

#include "DatabaseBytes.h"
#include "FakeOs.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace manager_tests
{

using testing_support::FakeOs;
using testing_support::TempDir;

// Paths written with '|' where this platform's folder separator goes.
inline std::wstring P(const std::wstring& text)
{
    std::wstring out = text;
    for (wchar_t& c : out)
    {
        if (c == L'|')
            c = static_cast<wchar_t>(platform::kPathSeparator);
    }
    return out;
}

inline std::wstring S(const CString& text)
{
    return std::wstring(text.GetString());
}

using Texts = std::vector<std::wstring>;
using Numbers = std::vector<unsigned>;

template <typename Text>
::testing::AssertionResult Contains(const Text& text, const typename Text::value_type* part)
{
    if (text.find(part) != Text::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the text does not hold the expected part";
}

// The full path a file is reported under.
inline std::wstring FullPath(const std::wstring& path)
{
    return platform::ToWide(platform::CurrentOs().FullPath(platform::FromWide(path.c_str())));
}

class TestManager : public OptionsManager
{
public:
    using OptionsManager::OptionsManager;

    const wchar_t* HeaderFormat() const { return m_pszHeaderFormat; }
    const wchar_t* LastOption() const { return m_pszLastOption; }
    BOOL Compound() const { return m_bCompound; }
    std::wstring DatabasePath() const { return S(m_strDatabasePath); }
    std::wstring StreamName() const { return S(m_strStreamName); }
    std::wstring IniFilePath() const { return S(m_strIniFilePath); }
    int PanelCount() const { return m_nPanelCount; }
    CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>* Slot(int i) const
    {
        return m_pPanelMaps[i];
    }
    int FilledSlots() const
    {
        int n = 0;
        for (int i = 0; i < kMaxPanels; ++i)
            n += m_pPanelMaps[i] != nullptr ? 1 : 0;
        return n;
    }
    std::vector<unsigned> PanelNumbers() const
    {
        return std::vector<unsigned>(m_arrPanelNumbers.begin(), m_arrPanelNumbers.end());
    }
    const CUIntArray* NextIDs() const { return m_pNextIDs; }
    unsigned NextPanel() const { return m_nNextPanel; }

    using OptionsManager::LoadFromDisk;
    using OptionsManager::OptCompFunc;
    using OptionsManager::SeekToCompoundEntry;
    using OptionsManager::SortOptions;
};

// INI files in memory (names without regard to case, as the platform's),
// plus file operations that fail on request.
class ScriptedOs : public FakeOs
{
public:
    struct ProfileCall
    {
        bool sectionNull, keyNull, defaultNull;
        std::size_t bufferSize;
        std::wstring file;
    };
    std::vector<ProfileCall> reads;
    int writes = 0;
    bool writesFail = false;
    // Value text returned as is (e.g. with an embedded NUL), when set.
    std::map<std::wstring, std::wstring> rawValues;

    int fileOpens = 0;
    int fileReads = 0;
    int failReadsFrom = 0; // the n-th FileRead call and every later one fail
    platform::Status readFailure = platform::kErrorSharingViolation;
    bool statusByHandleFails = false;

    std::wstring Value(const std::wstring& file, const std::wstring& section,
                       const std::wstring& key) const
    {
        const auto f = m_files.find(file);
        if (f == m_files.end())
            return L"<none>";
        const auto s = f->second.find(testing_support::Lower(section));
        if (s == f->second.end())
            return L"<none>";
        const auto k = s->second.find(testing_support::Lower(key));
        return k == s->second.end() ? L"<none>" : k->second;
    }
    void Store(const std::wstring& file, const std::wstring& section, const std::wstring& key,
               const std::wstring& value)
    {
        m_files[file][testing_support::Lower(section)][testing_support::Lower(key)] = value;
    }

    platform::XString GetPrivateProfileText(const platform::XString* section,
                                            const platform::XString* key,
                                            const platform::XString* defaultText,
                                            std::size_t bufferSize,
                                            const platform::XString& fileName) override
    {
        const std::wstring file = testing_support::W(fileName);
        reads.push_back(
            {section == nullptr, key == nullptr, defaultText == nullptr, bufferSize, file});
        const std::wstring fallback =
            defaultText != nullptr ? testing_support::W(*defaultText) : std::wstring();
        std::wstring text = fallback;
        if (section != nullptr && key != nullptr)
        {
            const auto raw = rawValues.find(testing_support::W(*key));
            const std::wstring stored =
                Value(file, testing_support::W(*section), testing_support::W(*key));
            if (raw != rawValues.end())
                text = raw->second;
            else if (stored != L"<none>")
                text = stored;
        }
        if (text.size() > bufferSize - 1)
            text.resize(bufferSize - 1);
        return testing_support::X(text);
    }

    bool WritePrivateProfileText(const platform::XString* section, const platform::XString* key,
                                 const platform::XString* value,
                                 const platform::XString& fileName) override
    {
        ++writes;
        if (writesFail || section == nullptr)
            return false;
        auto& sections = m_files[testing_support::W(fileName)];
        const std::wstring sectionName = testing_support::Lower(testing_support::W(*section));
        if (key == nullptr)
            sections.erase(sectionName);
        else if (value == nullptr)
            sections[sectionName].erase(testing_support::Lower(testing_support::W(*key)));
        else
            sections[sectionName][testing_support::Lower(testing_support::W(*key))] =
                testing_support::W(*value);
        return true;
    }

    platform::Status FileOpenForReading(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override
    {
        ++fileOpens;
        return FakeOs::FileOpenForReading(path, mode, file);
    }
    platform::Status FileOpenForWriting(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override
    {
        ++fileOpens;
        return FakeOs::FileOpenForWriting(path, mode, file);
    }
    platform::Status FileRead(platform::FileHandle file, void* buffer, std::uint32_t count,
                              std::uint32_t& read) override
    {
        ++fileReads;
        if (failReadsFrom > 0 && fileReads >= failReadsFrom)
            return readFailure;
        return FakeOs::FileRead(file, buffer, count, read);
    }
    platform::Status FileStatusByHandle(platform::FileHandle file,
                                        platform::FileInfo& info) override
    {
        if (statusByHandleFails)
            return platform::kErrorAccessDenied;
        return FakeOs::FileStatusByHandle(file, info);
    }

private:
    std::map<std::wstring, std::map<std::wstring, std::map<std::wstring, std::wstring>>> m_files;
};

// The library's messages, in the order shown.
class MessageLog
{
public:
    MessageLog() { LumbrixSetMessageReceiver(&MessageLog::Receive, this); }
    ~MessageLog() { LumbrixSetMessageReceiver(nullptr, nullptr); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<std::wstring> texts;

private:
    static void Receive(const wchar_t* text, void* context)
    {
        static_cast<MessageLog*>(context)->texts.push_back(text);
    }
};

// A scripted Os, a temporary folder and the message log for each test.
class ManagerTest : public ::testing::Test
{
protected:
    ManagerTest() : m_scope(os) {}

    // Writes a database file into the temporary folder; returns its path.
    std::wstring Database(const std::wstring& name, const std::string& bytes)
    {
        dir.Write(name, bytes);
        return dir.File(name);
    }

    ScriptedOs os;
    TempDir dir;
    MessageLog messages;

private:
    platform::ScopedOs m_scope;
};

// Names the rows of a table-driven test after their "name" field.
struct CaseNameGenerator
{
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return info.param.name;
    }
};
constexpr CaseNameGenerator CaseName{};

inline std::vector<unsigned> Ids(const CTypedPtrArray<CObArray, OptionLocus*>& list)
{
    std::vector<unsigned> ids;
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
        ids.push_back(list.GetAt(i)->m_nID);
    return ids;
}

} // namespace manager_tests
