// The version resource read straight from the PE image, through one open
// handle: the file that is checked is the file that is read.
//
// Only the few structures on the way to the fixed file information are read,
// each with its bounds checked against the file (pe_version), so a damaged or
// hostile image gives "no version" and never a read outside its bytes.
#include "platform/file_version.h"

#include "pe_version.h"
#include "platform/file.h"

namespace platform
{
namespace
{

// An image opened as Brantel opens what it reads: a regular file with a
// single name, reached without a link on the way, never blocking.
class ImageFile
{
public:
    explicit ImageFile(XStringView path)
    {
        FileOpenMode mode;
        mode.noLinks = true;
        if (FileOpen(path, mode, m_file) != kSuccess)
            m_file = kInvalidFile;
        else if (FileSize(m_file, m_size) != kSuccess)
            m_size = 0;
    }
    ~ImageFile()
    {
        if (m_file != kInvalidFile)
            FileClose(m_file);
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    bool Read(std::uint64_t offset, unsigned char* buffer, std::uint64_t count) const
    {
        if (m_file == kInvalidFile || offset > m_size || count > m_size - offset ||
            count > 0xFFFFFFFFULL)
            return false;
        std::uint64_t position = 0;
        std::uint32_t read = 0;
        return FileSeek(m_file, static_cast<std::int64_t>(offset), SeekOrigin::Begin, position) ==
                   kSuccess &&
               FileRead(m_file, buffer, static_cast<std::uint32_t>(count), read) == kSuccess &&
               read == count;
    }

private:
    FileHandle m_file = kInvalidFile;
    std::uint64_t m_size = 0;
};

} // namespace

bool ReadFileVersion(XStringView path, std::uint32_t& versionMS, std::uint32_t& versionLS)
{
    if (path.empty())
        return false;
    const ImageFile file(path);
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
    if (!pe::FindFileVersion(
            [&file](std::uint64_t offset, unsigned char* buffer, std::uint64_t count)
            { return file.Read(offset, buffer, count); },
            ms, ls))
        return false;
    versionMS = ms;
    versionLS = ls;
    return true;
}

} // namespace platform
