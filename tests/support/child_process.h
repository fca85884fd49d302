#pragma once
// Runs part of a test in a forked child: as another user, or in a mount namespace of its own
// with a small or read-only file system. The child reports through a pipe what went wrong.

#include <functional>
#include <string>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tengun::testing {

/// What `body` returned in the child: empty when all held, "skip: why" when the child could
/// not set itself up, else what failed. A child that dies reports how.
inline std::string in_child(const std::function<std::string()>& body)
{
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) {
        return "pipe failed";
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        return "fork failed";
    }
    if (pid == 0) {
        ::close(pipe_fds[0]);
        const std::string report = body();
        std::size_t done = 0;
        while (done < report.size()) {
            const ssize_t n = ::write(pipe_fds[1], report.data() + done, report.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    std::string report;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) {
        return "the child died (signal " + std::to_string(WTERMSIG(status)) + "): " + report;
    }
    return report;
}

/// The unprivileged user the permission tests run as ("nobody").
inline constexpr uid_t test_user = 65534;
inline constexpr gid_t test_group = 65534;

/// In the child: becomes test_user (groups dropped); false when it cannot.
inline bool become_test_user()
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(test_group, test_group, test_group) == 0 &&
           ::setresuid(test_user, test_user, test_user) == 0;
}

} // namespace tengun::testing
