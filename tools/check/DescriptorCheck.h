// The descriptor check: a patch descriptor read exactly as Brantel reads
// brantel.dat, with what Brantel would refuse, and what works but is risky,
// told in a patch author's words.
#pragma once

#include "platform/os.h"

#include <string>
#include <vector>

namespace brantel_check
{

struct Finding
{
    enum class Severity
    {
        Error,  // Brantel refuses the descriptor
        Warning // Brantel accepts it, but it is risky
    };
    Severity severity = Severity::Error;
    int line = 0;                 // 1 for the first line; 0 for the file as a whole
    std::string message;          // UTF-8
    std::vector<std::string> log; // errors: the entries Brantel logs for the refusal
};

struct DescriptorReport
{
    std::vector<Finding> findings;
    bool accepted = false;
    // What Brantel stores when it accepts the descriptor.
    std::string patchInfo;
    std::string patchFile;
    std::string patchVersion;
    std::vector<std::string> previousVersions;
};

// Reads the descriptor at path as Brantel would read it as brantel.dat beside
// itself (the installer is looked for in the same folder), on a read-only
// view of os.
DescriptorReport CheckDescriptor(platform::Os& os, const platform::XString& path);

} // namespace brantel_check
