#include "ProcessRunner.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "platform/text.h"

namespace testing_support
{
namespace
{

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

#ifdef _WIN32
// What failed and the system's code for it, for a start that went wrong.
std::runtime_error Failure(const char* what)
{
    return std::runtime_error(std::string(what) + " failed with error " +
                              std::to_string(GetLastError()));
}

// CreateProcessW, tried again while it fails with ERROR_INTERNAL_ERROR.
// Under Wine that code means the new process vanished before it had
// started (its loader ended while the machine was busy; seen about once in
// a few thousand starts): nothing of the program ran, so starting it again
// is safe. Any other failure is final.
BOOL StartProcess(const std::wstring& program, std::wstring& line, BOOL inherit,
                  const wchar_t* folder, STARTUPINFOW& startup, PROCESS_INFORMATION& info)
{
    for (int attempt = 1;; ++attempt)
    {
        if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, inherit, 0, nullptr,
                           folder, &startup, &info))
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
            return FALSE;
        Sleep(100);
    }
}

std::wstring Quote(const std::wstring& arg)
{
    std::wstring out = L"\"";
    for (wchar_t c : arg)
    {
        if (c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring CommandLine(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
    std::wstring line = Quote(program);
    for (const std::wstring& arg : arguments)
        line += L" " + Quote(arg);
    return line;
}

// A temporary file holding the input, positioned at its start, inheritable,
// and deleted once its last handle is closed.
HANDLE InputFile(const std::string& input, SECURITY_ATTRIBUTES& security)
{
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"qin", 0, name) == 0)
        throw Failure("GetTempFileNameW for the input");
    const HANDLE file =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw Failure("CreateFileW for the input");
    DWORD written = 0;
    if (!input.empty() &&
        (!WriteFile(file, input.data(), static_cast<DWORD>(input.size()), &written, nullptr) ||
         written != input.size()))
    {
        const std::runtime_error error = Failure("WriteFile for the input");
        CloseHandle(file);
        throw error;
    }
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return file;
}
#else
std::string Narrow(const std::wstring& text)
{
    return platform::ToUtf8(platform::FromWide(text.c_str(), text.size()));
}

// A temporary file holding the input, positioned at its start, already
// unlinked, above the standard descriptors and closed on exec (the child's
// copy on descriptor 0 is not).
int InputFile(const std::string& input)
{
    std::string name = (std::filesystem::temp_directory_path() / "quenvia-input-XXXXXX").string();
    const int created = mkstemp(name.data());
    if (created < 0)
        throw std::runtime_error("mkstemp failed for the input");
    unlink(name.c_str());
    const int file = fcntl(created, F_DUPFD_CLOEXEC, 3);
    close(created);
    if (file < 0)
        throw std::runtime_error("fcntl failed for the input");
    std::size_t done = 0;
    while (done < input.size())
    {
        const ssize_t wrote = write(file, input.data() + done, input.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
        {
            close(file);
            throw std::runtime_error("write failed for the input");
        }
        done += static_cast<std::size_t>(wrote);
    }
    lseek(file, 0, SEEK_SET);
    return file;
}
#endif

} // namespace

#ifdef _WIN32

RunResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::wstring& workingFolder,
                     const std::map<std::string, std::string>& environment,
                     const std::optional<std::string>& input)
{
    for (const auto& entry : environment)
        SetEnvironmentVariableA(entry.first.c_str(), entry.second.c_str());
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    const HANDLE inputFile = input ? InputFile(*input, security) : nullptr;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0))
        throw Failure("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = inputFile != nullptr ? inputFile : GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    std::wstring line = CommandLine(program, arguments);
    const auto start = std::chrono::steady_clock::now();
    if (!StartProcess(program, line, TRUE, workingFolder.c_str(), startup, info))
    {
        const std::runtime_error error = Failure("CreateProcessW");
        if (inputFile != nullptr)
            CloseHandle(inputFile);
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        throw error;
    }
    CloseHandle(writeEnd);
    // The child holds its own handle; the file goes when both are closed.
    if (inputFile != nullptr)
        CloseHandle(inputFile);
    RunResult result;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        result.output.append(buffer, got);
    WaitForSingleObject(info.hProcess, INFINITE);
    result.seconds = Since(start);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    CloseHandle(readEnd);
    for (const auto& entry : environment)
        SetEnvironmentVariableA(entry.first.c_str(), nullptr);
    return result;
}

BackgroundProgram::BackgroundProgram(const std::wstring& program,
                                     const std::vector<std::wstring>& arguments)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring line = CommandLine(program, arguments);
    if (!StartProcess(program, line, FALSE, nullptr, startup, info))
        throw Failure("CreateProcessW");
    CloseHandle(info.hThread);
    m_process = reinterpret_cast<long long>(info.hProcess);
    Sleep(500); // let it appear in the process list
}

BackgroundProgram::~BackgroundProgram()
{
    HANDLE process = reinterpret_cast<HANDLE>(m_process);
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

std::wstring ExecutableFolder()
{
    wchar_t path[4096];
    const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
    std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L'\\'));
}

#else

RunResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::wstring& workingFolder,
                     const std::map<std::string, std::string>& environment,
                     const std::optional<std::string>& input)
{
    const int inputFile = input ? InputFile(*input) : -1;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    const std::string path = Narrow(program);
    std::vector<std::string> args = {path};
    for (const std::wstring& arg : arguments)
        args.push_back(Narrow(arg));
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
    {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (environment.count(name) == 0)
            env.push_back(entry);
    }
    for (const auto& entry : environment)
        env.push_back(entry.first + "=" + entry.second);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    if (inputFile >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFile, 0);
    const std::string folder = Narrow(workingFolder);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (inputFile >= 0)
        close(inputFile);
    if (error != 0)
    {
        close(pipeEnds[0]);
        throw std::runtime_error("posix_spawn failed with error " + std::to_string(error));
    }
    RunResult result;
    char buffer[4096];
    for (;;)
    {
        const ssize_t got = read(pipeEnds[0], buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    result.seconds = Since(start);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

BackgroundProgram::BackgroundProgram(const std::wstring& program,
                                     const std::vector<std::wstring>& arguments)
{
    const std::string path = Narrow(program);
    std::vector<std::string> args = {path};
    for (const std::wstring& arg : arguments)
        args.push_back(Narrow(arg));
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0)
        throw std::runtime_error("posix_spawn failed with error " + std::to_string(error));
    m_process = pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

BackgroundProgram::~BackgroundProgram()
{
    const pid_t pid = static_cast<pid_t>(m_process);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

std::wstring ExecutableFolder()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string full(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    full = full.substr(0, full.rfind('/'));
    return platform::ToWide(platform::FromUtf8(full));
}

#endif

} // namespace testing_support
