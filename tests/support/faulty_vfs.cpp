#include "tests/support/faulty_vfs.h"

#include <map>

namespace tagshelf::test {

FaultyVfs* FaultyVfs::current = nullptr;

namespace {

sqlite3_vfs* systemVfs() {
    return sqlite3_vfs_find("unix");
}

// Each file's system methods beside a copy with the counted calls in their place.
struct Methods {
    sqlite3_io_methods counted;
    const sqlite3_io_methods* real;
};
std::map<const sqlite3_io_methods*, Methods> methods;

const sqlite3_io_methods* real(sqlite3_file* f) {
    return reinterpret_cast<const Methods*>(f->pMethods)->real;
}

int xWrite(sqlite3_file* f, const void* buffer, int n, sqlite3_int64 at) {
    if (!FaultyVfs::current->fails()) return real(f)->xWrite(f, buffer, n, at);
    return FaultyVfs::current->error == SQLITE_FULL ? SQLITE_FULL : SQLITE_IOERR_WRITE;
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return FaultyVfs::current->fails() ? SQLITE_IOERR_TRUNCATE : real(f)->xTruncate(f, size);
}
int xSync(sqlite3_file*, int) {
    return FaultyVfs::current->fails() ? SQLITE_IOERR_FSYNC : SQLITE_OK;
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = systemVfs()->xOpen(systemVfs(), name, f, flags, outFlags);
    if (rc != SQLITE_OK || !f->pMethods) return rc;
    auto [it, added] = methods.try_emplace(f->pMethods, Methods{*f->pMethods, f->pMethods});
    if (added) {
        it->second.counted.xWrite = xWrite;
        it->second.counted.xTruncate = xTruncate;
        it->second.counted.xSync = xSync;
    }
    f->pMethods = &it->second.counted;
    return rc;
}

}  // namespace

FaultyVfs::FaultyVfs() {
    vfs_ = *systemVfs();
    vfs_.zName = "tagshelf-faulty";
    vfs_.pNext = nullptr;
    vfs_.xOpen = xOpen;
    current = this;
    sqlite3_vfs_register(&vfs_, 1);
}

FaultyVfs::~FaultyVfs() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(systemVfs(), 1);
    current = nullptr;
}

bool FaultyVfs::fails() {
    ++calls;
    if (before) before(calls);
    return failFrom != 0 && calls >= failFrom;
}

}  // namespace tagshelf::test
