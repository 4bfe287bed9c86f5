// Peak memory of one database load, measured in a fresh process: this
// program starts itself again with a child command, which loads once and
// reports how far its resident set's high-water mark rose above where it
// stood before the load.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench
{

// The first argument that makes this program a measuring child.
const char kPeakChildArgument[] = "--peak-child";

// Runs the child with the arguments after kPeakChildArgument; returns the
// growth of its peak resident set in bytes. Throws std::runtime_error when
// the child fails or reports nothing.
std::uint64_t MeasurePeakGrowth(const std::vector<std::string>& arguments);

// The child side. Commands:
//   lumbrix <database> [stream]   OptionsManager::LoadDB, plain or compound
//   floor <database> <offset>     the flat decoder
// Prints "growth <bytes>" and returns 0, or prints an error and returns 1.
int RunPeakChild(int argc, char** argv);

} // namespace bench
