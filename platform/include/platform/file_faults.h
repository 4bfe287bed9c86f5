// Fault injection for tests: every call through which the platform layer
// changes a file (an open for writing, a write, a flush, the step that puts
// a new file in place) first asks the hook installed here, in the manner of
// SQLite's replaceable system calls. A status other than 0 fails that call
// with it, without the real call being made; a hook may also end the process
// right there, to leave what a crash leaves.
#pragma once

#include "platform/export.h"
#include "platform/status.h"

namespace platform
{

enum class FileCall
{
    OpenForWrite,
    Write,
    Flush,
    Replace,
};

using FileCallHook = Status (*)(FileCall call, void* context);

// Installs the hook (nullptr: none) for the whole process.
PLATFORM_API void SetFileCallHook(FileCallHook hook, void* context);
// What the hook says of the next call (0 when none is installed); the
// platform layer calls this before each such call.
PLATFORM_API Status CheckFileCall(FileCall call);

} // namespace platform
