// Linux: the program is started directly, in its folder, with no arguments.
#include "platform/process_start.h"

#include "descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform
{
namespace
{

Status FromErrno(int error)
{
    switch (error)
    {
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case ELOOP: // a link where the program or its folder should be
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

using posix::Descriptor;

// The environment of the started program: fixed, nothing of our caller's
// (PATH, LD_PRELOAD and the like decide what a program loads and runs).
char kPath[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
char* kEnvironment[] = {kPath, nullptr};

} // namespace

Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process)
{
    process = 0;
    std::string program;
    std::string folder;
    if (!EncodeFileName(file, program) || !EncodeFileName(directory, folder) || program.empty())
        return kErrorInvalidName;

    // The program is opened once, never through a link, and that very file
    // is what runs: the name is not looked up again.
    Descriptor image(open(program.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (image.Get() < 0)
        return FromErrno(errno);
    struct stat info;
    if (fstat(image.Get(), &info) != 0)
        return FromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return kErrorAccessDenied;
    Descriptor workingFolder(
        folder.empty() ? -1
                       : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.empty() && workingFolder.Get() < 0)
        return FromErrno(errno);

    // The child reports a failed start through a pipe that closes on exec.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return FromErrno(errno);
    char* argv[] = {program.data(), nullptr};
    const pid_t pid = fork();
    if (pid < 0)
    {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return FromErrno(error);
    }
    if (pid == 0)
    {
        int error = 0;
        if (workingFolder.Get() >= 0 && fchdir(workingFolder.Get()) != 0)
            error = errno;
        else
        {
            // A script's interpreter opens the script as /dev/fd/N: the image
            // stays open across the exec in the child alone.
            fcntl(image.Get(), F_SETFD, 0);
            fexecve(image.Get(), argv, kEnvironment);
            error = errno;
        }
        while (write(report[1], &error, sizeof(error)) < 0 && errno == EINTR)
        {
        }
        _exit(127);
    }
    close(report[1]);
    int error = 0;
    ssize_t count = 0;
    while ((count = read(report[0], &error, sizeof(error))) < 0 && errno == EINTR)
    {
    }
    close(report[0]);
    if (count == static_cast<ssize_t>(sizeof(error)))
    {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        return FromErrno(error);
    }
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
