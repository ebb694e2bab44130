#include "tests/support/kill_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace tagshelf::test {

ChildEnd runAndKill(const std::function<int()>& work,
                    std::optional<std::chrono::microseconds> delay) {
    const pid_t pid = ::fork();
    if (pid < 0) return {};
    if (pid == 0) ::_exit(work());
    const auto deadline = std::chrono::steady_clock::now() + delay.value_or(std::chrono::hours(1));
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WUNTRACED | (delay ? WNOHANG : 0));
        if (r == pid && !WIFSTOPPED(status))
            return {false, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
        if (r == pid || std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return {true, -1};
}

void pauseHere() {
    ::raise(SIGSTOP);
}

}  // namespace tagshelf::test
