// Options database files: the compound directory, the options archive, and a
// write that never leaves a half-written file under the target's name.
#include "DatabaseFile.h"

#include "platform/file_replace.h"

#include <lumbrix/OptionLocus.h>

#include <afx.h>
#include <platform/program.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

namespace lumbrix_db
{
namespace
{

std::string ExceptionText(CException* e)
{
    const CArchiveException* archive = dynamic_cast<const CArchiveException*>(e);
    if (archive != nullptr && archive->m_cause == CArchiveException::endOfFile)
        return "the data ends before this item is complete";
    return e->ErrorText().ToUtf8();
}

void StoreRecord(CArchive& ar, const OptionRecord& record)
{
    OptionLocus locus(record.id, L"", record.title, record.data1, record.data2, record.data3);
    // Set apart from the constructor so that a NUL inside a name survives.
    locus.m_strName = CString(record.name);
    locus.m_nNextPanel = record.nextPanel;
    locus.m_arrNextIDs.SetSize(static_cast<INT_PTR>(record.nextIds.size()));
    for (std::size_t i = 0; i < record.nextIds.size(); ++i)
        locus.m_arrNextIDs[static_cast<INT_PTR>(i)] = record.nextIds[i];
    locus.Serialize(ar);
}

void StoreArchive(CArchive& ar, const Database& database, const std::string* nameField)
{
    if (nameField != nullptr)
    {
        // One entry, and the stream right behind the directory.
        ar << static_cast<int>(1);
        ar << static_cast<int>(4 + kDirectoryEntrySize);
        ar.Write(nameField->data(), static_cast<UINT>(nameField->size()));
    }
    ar << static_cast<int>(database.panels.size());
    for (const PanelRecord& panel : database.panels)
    {
        ar << static_cast<UINT>(panel.number);
        ar << static_cast<UINT>(panel.options.size());
        for (const OptionRecord& record : panel.options)
            StoreRecord(ar, record);
    }
}

// The database's bytes, made in memory so that the file on disk is replaced
// whole or not at all.
std::string DatabaseBytes(const Database& database, const std::string* nameField)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    try
    {
        StoreArchive(ar, database, nameField);
        ar.Close();
    }
    catch (CException* e)
    {
        const std::string text = e->ErrorText().ToUtf8();
        e->Delete();
        ar.Abort();
        throw FileError("cannot write the database: " + text);
    }
    return file.GetData();
}

// Positions the file at the stream, the way the library finds it.
void SeekToStream(CFile& file, const platform::XString& streamName)
{
    const lumbrix_format::StreamSearch search = lumbrix_format::FindStream(file, streamName);
    if (search.found)
        return;
    if (!search.countWhole)
        throw FileError("the directory: the file is too short to hold one");
    if (search.entriesRead < search.entries)
        throw FileError("the directory: the file ends inside entry " +
                        std::to_string(search.entriesRead));
    const std::int32_t count = search.entries < 0 ? 0 : search.entries;
    throw FileError("the directory (" + std::to_string(count) +
                    (count == 1 ? " entry" : " entries") + ") names no internal stream \"" +
                    Utf8(streamName) + "\"");
}

OptionRecord LoadRecord(CArchive& ar)
{
    OptionLocus locus(0, L"", 0, 0, 0, 0);
    locus.Serialize(ar);
    OptionRecord record;
    record.id = locus.m_nID;
    record.name = locus.m_strName.Units();
    record.title = locus.m_nTitleID;
    record.data1 = locus.m_nData1;
    record.data2 = locus.m_nData2;
    record.data3 = locus.m_nData3;
    record.nextPanel = locus.m_nNextPanel;
    for (INT_PTR i = 0; i < locus.m_arrNextIDs.GetSize(); ++i)
        record.nextIds.push_back(locus.m_arrNextIDs[i]);
    return record;
}

void LoadArchive(CArchive& ar, Database& database, std::string& place)
{
    place = "the panel count";
    int panelCount = 0;
    ar >> panelCount;
    if (panelCount < 0)
        throw FileError("the panel count is negative (" + std::to_string(panelCount) + ")");
    for (std::size_t i = 0; i < static_cast<std::size_t>(panelCount); ++i)
    {
        place = PanelPlace(i);
        PanelRecord panel;
        UINT number = 0;
        UINT optionCount = 0;
        ar >> number >> optionCount;
        panel.number = number;
        // Records come one at a time: a count larger than the data runs into
        // the end of the file instead of into a huge allocation.
        for (std::size_t j = 0; j < optionCount; ++j)
        {
            place = OptionPlace(i, j);
            panel.options.push_back(LoadRecord(ar));
        }
        database.panels.push_back(std::move(panel));
    }
}

} // namespace

std::string StreamNameProblem(const platform::XString& name)
{
    if (name.empty())
        return "the stream name is empty";
    if (name.find(platform::XCHAR(0)) != platform::XString::npos)
        return "the stream name holds a NUL character";
    const std::string ansi = platform::TextToAnsi(name);
    if (platform::AnsiToText(ansi.data(), ansi.size()) != name)
        return "the stream name \"" + Utf8(name) +
               "\" has characters outside the ANSI code page, which the directory stores";
    if (ansi.size() >= kStreamNameFieldSize)
        return "the stream name is " + std::to_string(ansi.size()) +
               " bytes long in the ANSI code page; the directory holds at most " +
               std::to_string(kStreamNameFieldSize - 1);
    return std::string();
}

void WriteDatabaseFile(const platform::XString& path, const Database& database,
                       const platform::XString* streamName)
{
    std::string nameField;
    if (streamName != nullptr)
    {
        const std::string problem = StreamNameProblem(*streamName);
        if (!problem.empty())
            throw InputError(problem);
        nameField = platform::TextToAnsi(*streamName);
        nameField.resize(kStreamNameFieldSize, '\0');
    }
    if (database.panels.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw InputError("too many panels for one database");
    for (std::size_t i = 0; i < database.panels.size(); ++i)
    {
        if (database.panels[i].options.size() > std::numeric_limits<std::uint32_t>::max())
            throw InputError(PanelPlace(i) + ": too many options for one panel");
    }

    // A new file beside the old one, flushed, then put in place in one step;
    // a database kept behind a link has the link's target replaced, and the
    // old file's mode and owner stay.
    const std::string bytes = DatabaseBytes(database, streamName != nullptr ? &nameField : nullptr);
    platform::ReplaceOptions options;
    options.links = platform::LinkPolicy::ReplaceTarget;
    const platform::Status status =
        platform::ReplaceFileContent(path, bytes.data(), bytes.size(), options);
    if (status != platform::kSuccess)
    {
        // A missing folder means the new file could not even be made.
        const bool noFolder =
            status == platform::kErrorPathNotFound || status == platform::kErrorFileNotFound;
        CFileException error(CFileException::OsErrorToException(status), status, CString(path));
        throw FileError((noFolder ? "cannot create " : "cannot replace ") + Utf8(path) + ": " +
                        error.ErrorText().ToUtf8());
    }
}

Database ReadDatabaseFile(const platform::XString& path, const platform::XString* streamName)
{
    CFile file;
    CFileException openError;
    if (!file.Open(CString(path), CFile::modeRead | CFile::shareDenyNone, &openError))
        throw FileError("cannot open " + Utf8(path) + ": " + openError.ErrorText().ToUtf8());
    std::string place = "the directory";
    try
    {
        if (streamName != nullptr)
            SeekToStream(file, *streamName);
        Database database;
        CArchive ar(&file, CArchive::load);
        try
        {
            LoadArchive(ar, database, place);
        }
        catch (CException*)
        {
            ar.Abort();
            throw;
        }
        ar.Abort();
        return database;
    }
    catch (CException* e)
    {
        const std::string text = ExceptionText(e);
        e->Delete();
        throw FileError(place + ": " + text);
    }
}

} // namespace lumbrix_db
