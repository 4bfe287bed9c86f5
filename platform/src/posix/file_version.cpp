// POSIX: the version resource read straight from the PE image.
//
// Only the few structures on the way to the fixed file information are read,
// each with its bounds checked against the file (pe_version), so a damaged or
// hostile image gives "no version" and never a read outside its bytes.
#include "platform/file_version.h"

#include "../pe_version.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{
namespace
{

// An open regular file; reads are exact or fail, and never go past its end.
class ImageFile
{
public:
    explicit ImageFile(const std::string& name)
    {
        // Non-blocking, so a FIFO planted under the name cannot stall the open.
        m_fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat st;
        if (m_fd >= 0 && fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0)
            m_size = static_cast<std::uint64_t>(st.st_size);
        else
            m_size = 0;
    }
    ~ImageFile()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    bool Read(std::uint64_t offset, unsigned char* buffer, std::uint64_t count) const
    {
        if (m_fd < 0 || offset > m_size || count > m_size - offset)
            return false;
        std::uint64_t done = 0;
        while (done < count)
        {
            const ssize_t got = pread(m_fd, buffer + done, static_cast<std::size_t>(count - done),
                                      static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += static_cast<std::uint64_t>(got);
        }
        return true;
    }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

} // namespace

bool ReadFileVersion(XStringView path, std::uint32_t& versionMS, std::uint32_t& versionLS)
{
    const std::string name = ToUtf8(path);
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    const ImageFile file(name);
    return pe::FindFileVersion(
        [&file](std::uint64_t offset, unsigned char* buffer, std::uint64_t count)
        { return file.Read(offset, buffer, count); },
        versionMS, versionLS);
}

} // namespace platform
