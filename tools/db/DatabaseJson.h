// The JSON form of an options database:
//   {"panels":[{"panel":7,"options":[{"id":1,"name":"abc","title":100,"data1":0,
//     "data2":0,"data3":0,"next_panel":8,"next_ids":[2]}]}]}
#pragma once

#include "DatabaseModel.h"

#include <string>

namespace lumbrix_db
{

// Reads the JSON form. Every field is required, every number is an unsigned
// 32-bit number, unknown and repeated fields are refused. Throws InputError
// whose text names the place: "panels[0].options[3].id: expected an unsigned
// 32-bit number", or the line and column of a syntax error.
Database ParseDatabaseJson(const std::string& text);

// The canonical text: two-space indentation, one option per line, names in
// UTF-8, a line feed at the end. ParseDatabaseJson gives back the same
// database. Throws FileError for a name that is not valid UTF-16 (an unpaired
// surrogate), which no JSON text here could carry back.
std::string FormatDatabaseJson(const Database& database);

} // namespace lumbrix_db
