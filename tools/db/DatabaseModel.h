// An options database as lumbrix-db holds it: every panel and every record in
// the order of the file, duplicates included, names as exact UTF-16.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumbrix_db
{

struct OptionRecord
{
    std::uint32_t id = 0;
    platform::XString name;
    std::uint32_t title = 0;
    std::uint32_t data1 = 0;
    std::uint32_t data2 = 0;
    std::uint32_t data3 = 0;
    std::uint32_t nextPanel = 0;
    std::vector<std::uint32_t> nextIds;

    friend bool operator==(const OptionRecord& a, const OptionRecord& b)
    {
        return a.id == b.id && a.name == b.name && a.title == b.title && a.data1 == b.data1 &&
               a.data2 == b.data2 && a.data3 == b.data3 && a.nextPanel == b.nextPanel &&
               a.nextIds == b.nextIds;
    }
};

struct PanelRecord
{
    std::uint32_t number = 0;
    std::vector<OptionRecord> options;

    friend bool operator==(const PanelRecord& a, const PanelRecord& b)
    {
        return a.number == b.number && a.options == b.options;
    }
};

struct Database
{
    std::vector<PanelRecord> panels;

    friend bool operator==(const Database& a, const Database& b) { return a.panels == b.panels; }
};

// Where a panel or a record sits, as the JSON form names it: "panels[2]",
// "panels[2].options[0]".
std::string PanelPlace(std::size_t panel);
std::string OptionPlace(std::size_t panel, std::size_t option);

// Text for messages.
std::string Utf8(const platform::XString& text);

// Input that the tool refuses (command line, JSON, stream name): exit code 2.
class InputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be read, written or represented: exit code 1.
class FileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace lumbrix_db
