// Options databases built byte by byte, plain or compound, so that tests can
// state exactly what a file holds, damaged files included.
#pragma once

#include <afx.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace database_bytes
{

// Little-endian bytes.
inline std::string Word(std::uint32_t value)
{
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    return out;
}

inline std::string Byte(unsigned value)
{
    return std::string(1, static_cast<char>(value & 0xFF));
}

// The framework's string length with its escapes, as its own archive writes
// it (one form for every writer and reader of these files).
inline std::string StringLength(std::size_t length, bool unicode)
{
    class Collected : public CFile
    {
    public:
        std::string bytes;
        void Write(const void* data, UINT count) override
        {
            bytes.append(static_cast<const char*>(data), count);
        }
    };
    Collected file;
    {
        CArchive ar(&file, CArchive::store);
        AfxWriteStringLength(ar, length, unicode ? TRUE : FALSE);
        ar.Close();
    }
    return file.bytes;
}

// A name in the framework's Unicode string form, from UTF-8 (characters of
// the Basic Multilingual Plane).
inline std::string UnicodeName(const std::string& utf8)
{
    std::vector<unsigned> units;
    for (std::size_t i = 0; i < utf8.size();)
    {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;
        unsigned unit = length == 1 ? b : length == 2 ? b & 0x1Fu : b & 0x0Fu;
        for (std::size_t k = 1; k < length; ++k)
            unit = (unit << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        units.push_back(unit);
        i += length;
    }
    std::string out = StringLength(units.size(), true);
    for (const unsigned unit : units)
        out += Byte(unit) + Byte(unit >> 8);
    return out;
}

// A name in the one-byte form (characters of the ANSI code page).
inline std::string AnsiName(const std::string& bytes)
{
    return StringLength(bytes.size(), false) + bytes;
}

struct Record
{
    std::uint32_t id = 0;
    std::string name;
    std::uint32_t titleId = 0;
    std::uint32_t nextPanel = 0;
    std::vector<std::uint32_t> nextIds;
    std::uint32_t data1 = 0;
    std::uint32_t data2 = 0;
    std::uint32_t data3 = 0;
};

inline Record Option(std::uint32_t id, const std::string& name, std::uint32_t titleId = 0,
                     std::uint32_t nextPanel = 0, std::vector<std::uint32_t> nextIds = {})
{
    Record record;
    record.id = id;
    record.name = name;
    record.titleId = titleId;
    record.nextPanel = nextPanel;
    record.nextIds = std::move(nextIds);
    return record;
}

// The serialized body of one option record (schema 2).
inline std::string RecordBytes(const Record& r)
{
    std::string out = Word(0x80000002) + Word(r.id) + UnicodeName(r.name) + Word(r.titleId) +
                      Word(r.data1) + Word(r.data2) + Word(r.nextPanel) + Word(r.data3) +
                      Word(static_cast<std::uint32_t>(r.nextIds.size()));
    for (const std::uint32_t id : r.nextIds)
        out += Word(id);
    return out;
}

struct Panel
{
    std::uint32_t number = 0;
    std::vector<Record> records;
};

inline std::string PanelBytes(const Panel& panel)
{
    std::string out = Word(panel.number) + Word(static_cast<std::uint32_t>(panel.records.size()));
    for (const Record& record : panel.records)
        out += RecordBytes(record);
    return out;
}

// The options archive: the panel count, then each panel.
inline std::string Archive(const std::vector<Panel>& panels)
{
    std::string out = Word(static_cast<std::uint32_t>(panels.size()));
    for (const Panel& panel : panels)
        out += PanelBytes(panel);
    return out;
}

// One entry of a compound directory: the offset and a name field of 256
// bytes, NUL-padded (a name of 256 bytes has no NUL).
struct Entry
{
    std::int32_t offset = 0;
    std::string name;
};

inline std::string EntryBytes(const Entry& entry)
{
    std::string field = entry.name.substr(0, 256);
    field.resize(256, '\0');
    return Word(static_cast<std::uint32_t>(entry.offset)) + field;
}

inline std::string Directory(const std::vector<Entry>& entries)
{
    std::string out = Word(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& entry : entries)
        out += EntryBytes(entry);
    return out;
}

// Size of a directory of n entries, where the first stream may begin.
inline std::int32_t DirectorySize(std::size_t entries)
{
    return static_cast<std::int32_t>(4 + 260 * entries);
}

// A compound file whose only stream, named name, holds the archive.
inline std::string Compound(const std::string& name, const std::string& archive)
{
    return Directory({{DirectorySize(1), name}}) + archive;
}

} // namespace database_bytes
