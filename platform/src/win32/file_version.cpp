// Win32: the version resource through the version functions.
//
// version.dll is not one of the DLLs that Windows always takes from the
// system folder, so it is loaded from there explicitly instead of being
// imported (a copy planted beside an elevated program must never load).
#include "platform/file_version.h"

#include "../pe_version.h"

#include <windows.h>

#include <vector>

namespace platform
{
namespace
{

using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

struct VersionApi
{
    GetSizeFn getSize = nullptr;
    GetInfoFn getInfo = nullptr;
    QueryFn query = nullptr;
};

template <typename Fn> Fn Function(HMODULE module, const char* name)
{
    // A FARPROC is cast to the function's real type, as GetProcAddress asks.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const VersionApi& Api()
{
    static const VersionApi api = [] {
        VersionApi loaded;
        HMODULE module = LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module != nullptr)
        {
            loaded.getSize = Function<GetSizeFn>(module, "GetFileVersionInfoSizeW");
            loaded.getInfo = Function<GetInfoFn>(module, "GetFileVersionInfoW");
            loaded.query = Function<QueryFn>(module, "VerQueryValueW");
        }
        return loaded;
    }();
    return api;
}

// Whether the image's version resource is whole and well formed in the file.
// Given a damaged or cut-short image the version functions can hand back
// stale memory as a version (seen under Wine), so such images are refused.
bool IsVersionResourceSound(const std::wstring& file)
{
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool sound = false;
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileSizeEx(handle, &size) && size.QuadPart >= 0)
    {
        const auto fileSize = static_cast<std::uint64_t>(size.QuadPart);
        const auto read =
            [handle, fileSize](std::uint64_t offset, unsigned char* buffer, std::uint64_t count)
        {
            if (offset > fileSize || count > fileSize - offset || count > MAXDWORD)
                return false;
            OVERLAPPED at = {};
            at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD got = 0;
            return ReadFile(handle, buffer, static_cast<DWORD>(count), &got, &at) && got == count;
        };
        std::uint32_t versionMS = 0;
        std::uint32_t versionLS = 0;
        sound = pe::FindFileVersion(read, versionMS, versionLS);
    }
    CloseHandle(handle);
    return sound;
}

} // namespace

bool ReadFileVersion(XStringView path, std::uint32_t& versionMS, std::uint32_t& versionLS)
{
    const VersionApi& api = Api();
    if (api.getSize == nullptr || api.getInfo == nullptr || api.query == nullptr)
        return false;
    const std::wstring file(path);
    if (!IsVersionResourceSound(file))
        return false;
    DWORD handle = 0;
    const DWORD size = api.getSize(file.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<unsigned char> block(size);
    if (!api.getInfo(file.c_str(), 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!api.query(block.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &length) ||
        info == nullptr || length < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != 0xFEEF04BD)
        return false;
    versionMS = info->dwFileVersionMS;
    versionLS = info->dwFileVersionLS;
    return true;
}

} // namespace platform
