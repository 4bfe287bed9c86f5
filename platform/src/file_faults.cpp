// The file-call hook that fault-injection tests install.
#include "platform/file_faults.h"

#include <atomic>

namespace platform
{
namespace
{

std::atomic<FileCallHook> g_function{nullptr};
std::atomic<void*> g_context{nullptr};

} // namespace

void SetFileCallHook(FileCallHook hook, void* context)
{
    g_function.store(nullptr);
    g_context.store(context);
    g_function.store(hook);
}

Status CheckFileCall(FileCall call)
{
    const FileCallHook hook = g_function.load();
    return hook != nullptr ? hook(call, g_context.load()) : kSuccess;
}

} // namespace platform
