// Running work in a child process that is killed with SIGKILL: where it stops
// itself (a pause seam raises SIGSTOP before a chosen step) or after a delay.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace tagshelf::test {

struct ChildEnd {
    bool killed = false;  // false: the child ended by itself first
    int exitCode = -1;    // when it ended by itself
};

// Runs `work` in a child, killed once it stops itself or `delay` has passed.
ChildEnd runAndKill(const std::function<int()>& work,
                    std::optional<std::chrono::microseconds> delay = std::nullopt);

// Stops this process until it is killed or continued: the pause seam.
void pauseHere();

}  // namespace tagshelf::test
