// Files of the tests as names the platform layer takes and as bytes.
#pragma once

#include "platform/text.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testing_support
{

// A path as the platform layer names files (on POSIX its bytes, kept).
inline platform::XString Name(const std::filesystem::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    return platform::DecodeFileName(path.string());
#endif
}

inline std::string Content(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void Put(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace testing_support
