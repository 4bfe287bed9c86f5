// Win32: whether a folder may hold a program run with administrator rights,
// from each folder's owner and access list as the system reports them.
#include "platform/folder_trust.h"

#include "handles.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace platform
{
namespace
{

const wchar_t* const kTrustedInstaller =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Rights that let the holder replace what the folder holds or take the
// folder over. Write and append are adding files and folders: harmless above
// the folder (the root of a drive lets every user add a folder), fatal in it.
const ACCESS_MASK kChangeAbove = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
const ACCESS_MASK kChangeIn = kChangeAbove | FILE_WRITE_DATA | FILE_APPEND_DATA;

using win32::Handle;

// The accounts a trusted folder may belong to, and that may hold rights on it.
class TrustedAccounts
{
public:
    TrustedAccounts()
    {
        HANDLE token = nullptr;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        {
            DWORD size = 0;
            GetTokenInformation(token, TokenUser, nullptr, 0, &size);
            m_user.resize(size);
            if (size == 0 || !GetTokenInformation(token, TokenUser, m_user.data(), size, &size))
                m_user.clear();
            CloseHandle(token);
        }
        PSID installer = nullptr;
        if (ConvertStringSidToSidW(kTrustedInstaller, &installer))
        {
            m_installer.assign(static_cast<BYTE*>(installer),
                               static_cast<BYTE*>(installer) + GetLengthSid(installer));
            LocalFree(installer);
        }
    }

    bool Holds(PSID sid) const
    {
        if (sid == nullptr || !IsValidSid(sid))
            return false;
        if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
            IsWellKnownSid(sid, WinLocalSystemSid))
            return true;
        if (!m_installer.empty() && EqualSid(sid, const_cast<BYTE*>(m_installer.data())))
            return true;
        if (!m_user.empty())
        {
            const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(m_user.data());
            if (EqualSid(sid, user->User.Sid))
                return true;
        }
        return false;
    }

private:
    std::vector<BYTE> m_user;
    std::vector<BYTE> m_installer;
};

FolderTrust Untrusted(const std::wstring& folder, const char* reason)
{
    FolderTrust trust;
    trust.folder = folder;
    trust.reason = Ascii(reason);
    return trust;
}

// Null when the folder passes; otherwise why not.
const char* CheckOne(const std::wstring& folder, bool bLast, const TrustedAccounts& accounts)
{
    Handle handle(CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (handle.Get() == INVALID_HANDLE_VALUE)
        return "cannot be examined";
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.Get(), &info))
        return "cannot be examined";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return "is a link (a reparse point)";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return "is not a folder";

    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle.Get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return "cannot be examined";
    const char* reason = nullptr;
    if (!accounts.Holds(owner))
        reason = "is owned by another account";
    else if (dacl == nullptr)
        reason = "may be changed by every account (it has no access list)";
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    for (DWORD i = 0; reason == nullptr && i < dacl->AceCount; ++i)
    {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace))
        {
            reason = "cannot be examined";
            break;
        }
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(ace);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue; // applies only to what is created in it later
        if (header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
            header->AceType == SYSTEM_AUDIT_ACE_TYPE || header->AceType == SYSTEM_ALARM_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
            header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
        {
            reason = "grants rights this check cannot read";
            break;
        }
        // Both allowed types hold the mask and then the account.
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        ACCESS_MASK mask = allowed->Mask;
        MapGenericMask(&mask, &mapping);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        // CREATOR OWNER grants nothing on the folder itself; OWNER RIGHTS
        // goes to its owner, checked above.
        if (IsWellKnownSid(sid, WinCreatorOwnerSid) ||
            IsWellKnownSid(sid, WinCreatorOwnerRightsSid))
            continue;
        if ((mask & (bLast ? kChangeIn : kChangeAbove)) != 0 && !accounts.Holds(sid))
            reason = "may be changed by other accounts";
    }
    LocalFree(descriptor);
    return reason;
}

// The length of the root of an absolute path ("C:\" or "\\server\share\"),
// 0 when the path is not absolute.
std::size_t RootLength(const std::wstring& path)
{
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')))
        return 3;
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' &&
        path[2] != L'.')
    {
        const std::size_t server = path.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2)
            return 0;
        const std::size_t share = path.find(L'\\', server + 1);
        if (share == server + 1)
            return 0;
        return share == std::wstring::npos ? path.size() : share + 1;
    }
    return 0;
}

} // namespace

FolderTrust CheckFolderTrust(XStringView folder)
{
    std::wstring path(folder);
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    const std::size_t root = RootLength(path);
    if (root == 0 || path.find(L'/') != std::wstring::npos)
        return Untrusted(path, "is not an absolute path");
    // Every folder from the root down to the folder itself.
    std::vector<std::wstring> chain;
    chain.push_back(path.substr(0, root));
    for (std::size_t end = path.find(L'\\', root);; end = path.find(L'\\', end + 1))
    {
        const std::wstring prefix = path.substr(0, end);
        const std::wstring name = prefix.substr(prefix.find_last_of(L'\\') + 1);
        if (prefix.size() > root && (name.empty() || name == L"." || name == L".."))
            return Untrusted(path, "is not an absolute path");
        if (prefix.size() > root)
            chain.push_back(prefix);
        if (end == std::wstring::npos)
            break;
    }
    const TrustedAccounts accounts;
    for (std::size_t i = 0; i < chain.size(); ++i)
        if (const char* reason = CheckOne(chain[i], i + 1 == chain.size(), accounts))
            return Untrusted(chain[i], reason);
    FolderTrust trust;
    trust.trusted = true;
    return trust;
}

} // namespace platform
