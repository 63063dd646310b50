#include "platform/qt/posixprocessrunner.h"

#include <QElapsedTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
constexpr int PollMs = 10;
constexpr qint64 ExitWaitMs = 2000;

// Closes a descriptor when it goes out of scope: every path closes every descriptor.
struct Fd {
    int fd = -1;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};
// Waits for a child when it goes out of scope, however the scope ends: a command still running then (its
// output already complete, or the wait unwound because the window closes) is ended, never left a zombie.
struct Child {
    pid_t pid = -1;
    bool reaped = false;
    ~Child() {
        if (pid <= 0 || reaped)
            return;
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    bool exited() {
        int status = 0;
        reaped = reaped || ::waitpid(pid, &status, WNOHANG) == pid;
        return reaped;
    }
};
} // namespace

ProcessRunner::Outcome PosixProcessRunner::run(const QStringList& arguments, bool captureOutput,
                                               bool captureErrors, const std::function<void()>& betweenReads,
                                               const std::function<void(const QByteArray&)>& onChunk) {
    if (arguments.isEmpty())
        return Outcome::StartFailed;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return Outcome::PipeFailed;
    Fd readEnd{ends[0]}, writeEnd{ends[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // A stream that is not captured goes nowhere, as from a hidden console window.
    if (captureOutput)
        posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (captureErrors)
        posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<QByteArray> storage;
    std::vector<char*> argv;
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    argv.reserve(storage.size() + 1);
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    Child child;
    const int spawned = ::posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset(); // the pipe ends when the child has closed its copies
    if (spawned != 0) {
        child.pid = -1;
        return Outcome::StartFailed;
    }

    // The window keeps answering while the command is silent: a read waits for output at most a moment.
    char buffer[1024];
    for (;;) {
        betweenReads();
        pollfd ready{readEnd.fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, PollMs);
        if (polled == 0 || (polled < 0 && errno == EINTR))
            continue;
        const ssize_t n = ::read(readEnd.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        onChunk(QByteArray(buffer, n));
    }
    // The output is complete. A command that closed it but goes on running is waited for only a while,
    // with the window answering; after that it is ended.
    QElapsedTimer waited;
    waited.start();
    while (!child.exited() && waited.elapsed() < ExitWaitMs) {
        betweenReads();
        ::poll(nullptr, 0, PollMs);
    }
    return Outcome::Finished;
}
