// The floor decoder of the load benchmarks. It is a second reader of the
// database format (the records, the string lengths with their escapes) on
// purpose, and stays one: it measures what any loader
// of these bytes has to do at least, without the framework's archive and
// strings, so the library's loads are compared against it. Not a reader for
// anything else; the library and lumbrix-db share the one real reader.
#include "FlatDecoder.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace bench
{

namespace
{

class Cursor
{
public:
    Cursor(const unsigned char* data, std::size_t size) : m_at(data), m_end(data + size) {}

    void Need(std::size_t n) const
    {
        if (static_cast<std::size_t>(m_end - m_at) < n)
            throw std::runtime_error("database ends inside a record");
    }
    std::uint32_t Number(std::size_t bytes)
    {
        Need(bytes);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value |= static_cast<std::uint32_t>(m_at[i]) << (8 * i);
        m_at += bytes;
        return value;
    }
    std::uint32_t Word() { return Number(4); }

    // The framework's string form: a one-byte or Unicode length with its escapes.
    std::u16string Text()
    {
        std::size_t charSize = 1;
        std::uint32_t length = Number(1);
        if (length == 0xFF)
        {
            length = Number(2);
            if (length == 0xFFFE)
            {
                charSize = 2;
                length = Number(1);
                if (length == 0xFF)
                    length = Number(2);
            }
            if (length == 0xFFFF)
                length = Word();
        }
        Need(static_cast<std::size_t>(length) * charSize);
        std::u16string text(length, u'\0');
        for (std::uint32_t i = 0; i < length; ++i)
        {
            text[i] = charSize == 2 ? static_cast<char16_t>(m_at[2 * i] | (m_at[2 * i + 1] << 8))
                                    : static_cast<char16_t>(m_at[i]);
        }
        m_at += static_cast<std::size_t>(length) * charSize;
        return text;
    }

private:
    const unsigned char* m_at;
    const unsigned char* m_end;
};

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::vector<FlatRecord> DecodeFlat(const std::filesystem::path& path, std::uint64_t offset)
{
    const std::uintmax_t size = std::filesystem::file_size(path);
    if (offset > size)
        throw std::runtime_error("offset past the end of the file");
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw std::runtime_error("cannot open the database");
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size]);
    if (std::fread(bytes.get(), 1, size, file.get()) != size)
        throw std::runtime_error("cannot read the database");

    Cursor in(bytes.get() + offset, static_cast<std::size_t>(size - offset));
    std::vector<FlatRecord> records;
    const std::uint32_t nPanels = in.Word();
    for (std::uint32_t p = 0; p < nPanels; ++p)
    {
        const std::uint32_t number = in.Word();
        const std::uint32_t nOptions = in.Word();
        for (std::uint32_t k = 0; k < nOptions; ++k)
        {
            FlatRecord record;
            record.panel = number;
            const std::uint32_t schemaWord = in.Word();
            record.id = in.Word();
            record.name = in.Text();
            record.titleId = in.Word();
            record.data1 = in.Word();
            record.data2 = in.Word();
            record.nextPanel = in.Word();
            if ((schemaWord & 0x7FFFFFFF) >= 2)
                record.data3 = in.Word();
            const std::uint32_t nNext = in.Word();
            in.Need(static_cast<std::size_t>(nNext) * 4);
            record.nextIds.resize(nNext);
            for (std::uint32_t i = 0; i < nNext; ++i)
                record.nextIds[i] = in.Word();
            records.push_back(std::move(record));
        }
    }
    return records;
}

} // namespace bench
