// The floor for loading a database: the whole file read into memory at once
// and every record decoded into one flat array of plain structs. No map, no
// objects of the framework; what any loader of this format has to do at least.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bench
{

struct FlatRecord
{
    std::uint32_t panel = 0; // the panel number the record belongs to
    std::uint32_t id = 0;
    std::u16string name;
    std::uint32_t titleId = 0;
    std::uint32_t data1 = 0;
    std::uint32_t data2 = 0;
    std::uint32_t nextPanel = 0;
    std::uint32_t data3 = 0;
    std::vector<std::uint32_t> nextIds;
};

// Reads the database that starts at offset in the file (0 for a plain file,
// the stream's offset in a compound one). Throws std::runtime_error on a
// file that cannot be read or ends inside a record.
std::vector<FlatRecord> DecodeFlat(const std::filesystem::path& path, std::uint64_t offset);

} // namespace bench
