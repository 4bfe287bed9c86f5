// Replacing a whole file the way a database does: the new content goes to a
// new file beside the old one, is flushed, and is put in place in one step.
// A failure at any step leaves the old file whole and removes the new one.
#pragma once

#include "platform/export.h"
#include "platform/status.h"
#include "platform/text.h"

#include <cstddef>
#include <functional>

namespace platform
{

enum class LinkPolicy
{
    // A link anywhere on the path (a folder on the way or the file itself),
    // or a file with more than one name, is refused with 5 (what an elevated
    // program writes).
    Refuse,
    // A link named by the path is followed and its target replaced; the link
    // stays (what a user's own tool writes).
    ReplaceTarget,
};

struct ReplaceOptions
{
    LinkPolicy links = LinkPolicy::Refuse;
    // Called with the new file complete and flushed, right before it takes the
    // old one's place; false stops the replace with kErrorFileChanged (1006) and
    // leaves the old file as it is.
    std::function<bool()> beforeReplace;
};

// Makes data the whole content of the file at path (created when missing).
// The new file is named "<name>.new-<process id>" in the same folder; one
// that a process which has ended left behind is removed by the next replace.
// The old file's mode and owner (Windows: attributes and security) are kept.
// Success only once the new content is in place and flushed, folder included.
PLATFORM_API Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                                       const ReplaceOptions& options = {});

} // namespace platform
