// Small text helpers shared by the dry run and the descriptor check.
#pragma once

#include <afx.h>

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

// Text cut into the pieces that a separator ends; a last piece without its
// separator is kept.
std::vector<std::string> Split(const std::string& text, const std::string& separator);

// The entries of a run message: each is followed by a blank line, except the
// guard's message, which ends in a single line feed.
std::vector<std::string> LogEntries(const CString& message);

} // namespace brantel_check
