// Small text helpers shared by the dry run and the descriptor check.
#pragma once

#include <afx.h>
#include <platform/folder_trust.h>

#include <string>
#include <vector>

namespace brantel_check
{

inline std::string Utf8(platform::XStringView text)
{
    return platform::ToUtf8(text);
}
inline std::string Utf8(const CString& text)
{
    return platform::ToUtf8(text.Units());
}

// Why Brantel would start no installer from a folder.
inline std::string FolderTrustError(const platform::FolderTrust& trust)
{
    return "the folder " + Utf8(trust.folder) + " " + Utf8(trust.reason) +
           ": Brantel starts no installer from it (only administrators may be able to change "
           "the patch folder and every folder above it)";
}

// Text cut into the pieces that a separator ends; a last piece without its
// separator is kept.
std::vector<std::string> Split(const std::string& text, const std::string& separator);

// The entries of a run message: each is followed by a blank line, except the
// guard's message, which ends in a single line feed.
std::vector<std::string> LogEntries(const CString& message);

} // namespace brantel_check
