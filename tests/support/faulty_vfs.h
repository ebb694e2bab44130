// The default SQLite VFS while it lives: counts the writes, flushes and truncations
// of every file, fails them from a chosen one on or runs a hook before each.
// Flushes are not made: a killed process loses nothing the system holds.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <functional>

namespace tagshelf::test {

class FaultyVfs {
  public:
    FaultyVfs();
    ~FaultyVfs();
    FaultyVfs(const FaultyVfs&) = delete;
    FaultyVfs& operator=(const FaultyVfs&) = delete;

    std::size_t calls = 0;                    // writes, flushes and truncations so far
    std::size_t failFrom = 0;                 // the first call that fails (1-based); 0: none
    int error = SQLITE_FULL;                  // what a failing call gives
    std::function<void(std::size_t)> before;  // runs before each counted call

    // Counts one call; true when it must fail.
    bool fails();

    static FaultyVfs* current;

  private:
    sqlite3_vfs vfs_{};
};

}  // namespace tagshelf::test
