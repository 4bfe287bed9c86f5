// The base of stand-ins that script the machine but keep files real: the
// file and profile operations of both sides go to the native system. Every
// other operation is left to the stand-in, which does not compile until it
// has decided each one.
#pragma once

#include "platform/os.h"

namespace testing_support
{

class RealFilesOs : public platform::Os
{
public:
    bool PathExists(platform::XStringView path) override { return Native().PathExists(path); }
    platform::Status FileOpenForReading(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override
    {
        return Native().FileOpenForReading(path, mode, file);
    }
    platform::Status FileRead(platform::FileHandle file, void* buffer, std::uint32_t count,
                              std::uint32_t& read) override
    {
        return Native().FileRead(file, buffer, count, read);
    }
    platform::Status FileSeek(platform::FileHandle file, std::int64_t offset,
                              platform::SeekOrigin origin, std::uint64_t& position) override
    {
        return Native().FileSeek(file, offset, origin, position);
    }
    platform::Status FileSize(platform::FileHandle file, std::uint64_t& size) override
    {
        return Native().FileSize(file, size);
    }
    platform::Status FileClose(platform::FileHandle file) override
    {
        return Native().FileClose(file);
    }
    platform::Status FileStatusByName(platform::XStringView path, platform::FileInfo& info) override
    {
        return Native().FileStatusByName(path, info);
    }
    platform::Status FileStatusByHandle(platform::FileHandle file,
                                        platform::FileInfo& info) override
    {
        return Native().FileStatusByHandle(file, info);
    }
    platform::XString FullPath(platform::XStringView path) override
    {
        return Native().FullPath(path);
    }
    platform::XString GetPrivateProfileText(const platform::XString* section,
                                            const platform::XString* key,
                                            const platform::XString* defaultText,
                                            std::size_t bufferSize,
                                            const platform::XString& fileName) override
    {
        return Native().GetPrivateProfileText(section, key, defaultText, bufferSize, fileName);
    }

    platform::Status FileOpenForWriting(platform::XStringView path,
                                        const platform::FileOpenMode& mode,
                                        platform::FileHandle& file) override
    {
        return Native().FileOpenForWriting(path, mode, file);
    }
    platform::Status FileWrite(platform::FileHandle file, const void* data,
                               std::uint32_t count) override
    {
        return Native().FileWrite(file, data, count);
    }
    platform::Status FileFlush(platform::FileHandle file) override
    {
        return Native().FileFlush(file);
    }
    platform::Status ReplaceFileContent(platform::XStringView path, const void* data,
                                        std::size_t size,
                                        const platform::ReplaceOptions& options) override
    {
        return Native().ReplaceFileContent(path, data, size, options);
    }
    bool WritePrivateProfileText(const platform::XString* section, const platform::XString* key,
                                 const platform::XString* value,
                                 const platform::XString& fileName) override
    {
        return Native().WritePrivateProfileText(section, key, value, fileName);
    }

private:
    static platform::Os& Native() { return platform::NativeOs(); }
};

} // namespace testing_support
