#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fuzzing
{

void Broken(const char* promise)
{
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

void MemoryFileOs::Put(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    m_files[name].assign(reinterpret_cast<const char*>(data), size);
}

MemoryFileOs::Open* MemoryFileOs::Find(platform::FileHandle file)
{
    const auto found = m_open.find(file);
    return found == m_open.end() ? nullptr : &found->second;
}

platform::Status MemoryFileOs::FileOpenForReading(platform::XStringView path,
                                                  const platform::FileOpenMode& mode,
                                                  platform::FileHandle& file)
{
    if (platform::OpensForWriting(mode))
        return platform::kErrorInvalidParameter;
    return OpenFile(path, mode, file);
}

platform::Status MemoryFileOs::FileOpenForWriting(platform::XStringView path,
                                                  const platform::FileOpenMode& mode,
                                                  platform::FileHandle& file)
{
    if (!platform::OpensForWriting(mode))
        return platform::kErrorInvalidParameter;
    return OpenFile(path, mode, file);
}

platform::Status MemoryFileOs::OpenFile(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file)
{
    const std::string name = platform::ToUtf8(path);
    const auto found = m_files.find(name);
    if (found == m_files.end())
    {
        if (!mode.create)
            return platform::kErrorFileNotFound;
        m_files[name];
    }
    else if (mode.create && mode.truncate)
    {
        found->second.clear();
    }
    file = m_next++;
    m_open[file] = Open{name, 0};
    return platform::kSuccess;
}

platform::Status MemoryFileOs::FileRead(platform::FileHandle file, void* buffer,
                                        std::uint32_t count, std::uint32_t& read)
{
    read = 0;
    Open* open = Find(file);
    if (open == nullptr)
        return platform::kErrorInvalidHandle;
    const std::string& bytes = m_files[open->name];
    if (open->position < bytes.size())
    {
        const std::uint64_t left = bytes.size() - open->position;
        read = static_cast<std::uint32_t>(left < count ? left : count);
        bytes.copy(static_cast<char*>(buffer), read, static_cast<std::size_t>(open->position));
        open->position += read;
    }
    return platform::kSuccess;
}

platform::Status MemoryFileOs::FileWrite(platform::FileHandle file, const void* data,
                                         std::uint32_t count)
{
    Open* open = Find(file);
    if (open == nullptr)
        return platform::kErrorInvalidHandle;
    std::string& bytes = m_files[open->name];
    const auto at = static_cast<std::size_t>(open->position);
    if (bytes.size() < at + count)
        bytes.resize(at + count);
    bytes.replace(at, count, static_cast<const char*>(data), count);
    open->position += count;
    return platform::kSuccess;
}

platform::Status MemoryFileOs::FileSeek(platform::FileHandle file, std::int64_t offset,
                                        platform::SeekOrigin origin, std::uint64_t& position)
{
    Open* open = Find(file);
    if (open == nullptr)
        return platform::kErrorInvalidHandle;
    std::int64_t base = 0;
    if (origin == platform::SeekOrigin::Current)
        base = static_cast<std::int64_t>(open->position);
    else if (origin == platform::SeekOrigin::End)
        base = static_cast<std::int64_t>(m_files[open->name].size());
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        return platform::kErrorNegativeSeek;
    open->position = static_cast<std::uint64_t>(base + offset);
    position = open->position;
    return platform::kSuccess;
}

platform::Status MemoryFileOs::FileSize(platform::FileHandle file, std::uint64_t& size)
{
    Open* open = Find(file);
    if (open == nullptr)
        return platform::kErrorInvalidHandle;
    size = m_files[open->name].size();
    return platform::kSuccess;
}

platform::Status MemoryFileOs::FileFlush(platform::FileHandle file)
{
    return Find(file) != nullptr ? platform::kSuccess : platform::kErrorInvalidHandle;
}

platform::Status MemoryFileOs::FileClose(platform::FileHandle file)
{
    return m_open.erase(file) != 0 ? platform::kSuccess : platform::kErrorInvalidHandle;
}

platform::Status MemoryFileOs::FileStatusByName(platform::XStringView path,
                                                platform::FileInfo& info)
{
    const auto found = m_files.find(platform::ToUtf8(path));
    if (found == m_files.end())
        return platform::kErrorFileNotFound;
    info = platform::FileInfo();
    info.size = found->second.size();
    return platform::kSuccess;
}

platform::Status MemoryFileOs::FileStatusByHandle(platform::FileHandle file,
                                                  platform::FileInfo& info)
{
    Open* open = Find(file);
    if (open == nullptr)
        return platform::kErrorInvalidHandle;
    info = platform::FileInfo();
    info.size = m_files[open->name].size();
    return platform::kSuccess;
}

bool MemoryFileOs::PathExists(platform::XStringView path)
{
    return m_files.count(platform::ToUtf8(path)) != 0;
}

InputFile::InputFile(const char* name)
{
    namespace fs = std::filesystem;
    std::random_device random;
    for (;;)
    {
        const fs::path folder =
            fs::temp_directory_path() / ("quenvia-fuzz-" + std::to_string(random()));
        if (fs::create_directory(folder))
        {
            m_folder = folder.string();
            m_path = (folder / name).string();
            return;
        }
    }
}

InputFile::~InputFile()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

void InputFile::Write(const std::uint8_t* data, std::size_t size) const
{
    std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Require(out.good(), "the input file can be written");
}

std::wstring InputFile::WidePath() const
{
    return platform::ToWide(XPath());
}

} // namespace fuzzing
