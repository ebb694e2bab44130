// A SQLite VFS over the system's own that the tests put in place as the default
// while it lives: it counts the writes, flushes and truncations of every database
// and journal file, and can make them fail from a chosen one on (a full disk or
// an I/O error) or run a hook before each (a pause seam for kill tests). Flushes
// are counted but not made: a killed process loses nothing that the system holds
// for the file, and these tests cut no power.
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
