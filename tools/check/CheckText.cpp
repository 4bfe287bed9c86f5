// Small text helpers shared by the dry run and the descriptor check.
#include "CheckText.h"

namespace brantel_check
{

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t end = text.find(separator, start);
        if (end == std::string::npos)
        {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    return pieces;
}

std::vector<std::string> LogEntries(const CString& message)
{
    std::vector<std::string> entries = Split(Utf8(message), "\n\n");
    if (!entries.empty() && !entries.back().empty() && entries.back().back() == '\n')
        entries.back().pop_back();
    return entries;
}

} // namespace brantel_check
