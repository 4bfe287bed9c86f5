// POSIX: the program is started directly, in its folder, with no arguments.
#include "platform/process_start.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform
{
namespace
{

Status FromSpawnError(int error)
{
    switch (error)
    {
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
        return kErrorAccessDenied;
    case ENOMEM:
    case E2BIG:
        return kErrorNotEnoughMemory;
    case ETXTBSY:
        return kErrorSharingViolation;
    case ENOEXEC:
        return kErrorBadExeFormat;
    default:
        return static_cast<Status>(error) + 0x20000000L; // outside the Win32 range
    }
}

} // namespace

Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process)
{
    process = 0;
    std::string program;
    std::string folder;
    if (!EncodeFileName(file, program) || !EncodeFileName(directory, folder))
        return kErrorInvalidName;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return FromSpawnError(error);
    process = static_cast<ProcessHandle>(pid);
    return kSuccess;
}

void WaitForProgram(ProcessHandle process)
{
    if (process == 0)
        return;
    int status = 0;
    while (waitpid(static_cast<pid_t>(process), &status, 0) < 0 && errno == EINTR)
    {
    }
}

} // namespace platform
