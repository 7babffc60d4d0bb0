#include "PosixProcessLauncher.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace
{

// The run-time errors a failed start raises: file not found, permission denied,
// or an invalid call for anything else.
int runTimeError(int error)
{
    switch (error)
    {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return 53;
    case EACCES:
    case EPERM:
    case ENOEXEC:
        return 70;
    default:
        return 5;
    }
}

} // namespace

std::variant<ProcessLauncher::Handle, int> PosixProcessLauncher::start(const QStringList& arguments, int windowStyle)
{
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return 53;
    std::vector<QByteArray> encoded;
    encoded.reserve(arguments.size());
    for (const QString& argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (windowStyle == 0)
    {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return runTimeError(error);
    return static_cast<Handle>(pid);
}

std::optional<int> PosixProcessLauncher::exitCode(Handle process)
{
    int status = 0;
    const pid_t result = waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    if (result == 0)
        return std::nullopt;
    if (result < 0)
        return 0; // not ours to wait for (already reaped): nothing to read
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status); // as a shell reports a killed program
    return std::nullopt;
}
