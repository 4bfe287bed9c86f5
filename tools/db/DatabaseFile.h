// Options database files, plain or compound, written and read record by record
// with the library's own OptionLocus serialization.
#pragma once

#include "CompoundDirectory.h"
#include "DatabaseModel.h"

#include <filesystem>
#include <string>

namespace lumbrix_db
{

// Size of one compound directory entry (the offset and the name field), and
// of its name field: the library's.
using lumbrix_format::kDirectoryEntrySize;
using lumbrix_format::kStreamNameFieldSize;

// Why a compound directory cannot hold this stream name (its single-byte
// ANSI form must give the same text back and fit its field with a NUL), or
// the empty text when it can.
std::string StreamNameProblem(const platform::XString& name);

// Writes the database as a plain file, or, with a stream name, as a compound
// file whose only stream holds it. The bytes go to a temporary file beside
// the target, which replaces the target only once complete; on any failure
// the target is left as it was. Throws InputError (stream name, sizes) or
// FileError.
void WriteDatabaseFile(const platform::XString& path, const Database& database,
                       const platform::XString* streamName);

// Reads every panel and record in file order. With a stream name, the
// directory is searched as the library searches it (first entry whose name
// matches regardless of case). Throws FileError naming the place that failed.
Database ReadDatabaseFile(const platform::XString& path, const platform::XString* streamName);

} // namespace lumbrix_db
