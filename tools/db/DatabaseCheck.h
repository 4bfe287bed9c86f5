// What `lumbrix-db check` looks at: whether the library loads a database, and
// what in its structure would make a wizard built on it go wrong.
#pragma once

#include "DatabaseModel.h"

#include <string>
#include <vector>

namespace lumbrix_db
{

// How many panels the library holds at most.
constexpr std::size_t kLibraryPanelLimit = 32;

// Loads the file through OptionsManager; the library's own messages (those a
// failed load shows) are collected in order. True when the load succeeded.
bool LoadWithLibrary(const platform::XString& path, const platform::XString* streamName,
                     std::vector<std::string>& messages);

// One line per problem, in file order: more panels than the library holds,
// a panel number used twice, a name used twice in a panel, a next panel that
// names no panel or comes with no next identifiers, a next identifier that
// names no option of the next panel (as the library sees that panel: the
// first panel bearing the number, the last option bearing each name).
std::vector<std::string> FindStructuralProblems(const Database& database);

} // namespace lumbrix_db
