#include "tests/support/faulty_vfs.h"

#include <cstring>

namespace tagshelf::test {

FaultyVfs* FaultyVfs::current = nullptr;

namespace {

struct File {
    sqlite3_file base;
    sqlite3_file* real;  // the system VFS's file, allocated just after this struct
};

sqlite3_vfs* systemVfs() {
    return sqlite3_vfs_find("unix");
}

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}

// The calls passed on unchanged.
#define PASS_ON(name, params, args)          \
    int name params {                        \
        return real(f)->pMethods->name args; \
    }
PASS_ON(xRead, (sqlite3_file * f, void* b, int n, sqlite3_int64 at), (real(f), b, n, at))
PASS_ON(xFileSize, (sqlite3_file * f, sqlite3_int64* size), (real(f), size))
PASS_ON(xLock, (sqlite3_file * f, int level), (real(f), level))
PASS_ON(xUnlock, (sqlite3_file * f, int level), (real(f), level))
PASS_ON(xCheckReservedLock, (sqlite3_file * f, int* out), (real(f), out))
PASS_ON(xFileControl, (sqlite3_file * f, int op, void* arg), (real(f), op, arg))
PASS_ON(xSectorSize, (sqlite3_file * f), (real(f)))
PASS_ON(xDeviceCharacteristics, (sqlite3_file * f), (real(f)))
PASS_ON(xClose, (sqlite3_file * f), (real(f)))
#undef PASS_ON

// The counted calls, which fail from FaultyVfs::failFrom on.
int xWrite(sqlite3_file* f, const void* buffer, int n, sqlite3_int64 at) {
    if (!FaultyVfs::current->fails()) return real(f)->pMethods->xWrite(real(f), buffer, n, at);
    return FaultyVfs::current->error == SQLITE_FULL ? SQLITE_FULL : SQLITE_IOERR_WRITE;
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return FaultyVfs::current->fails() ? SQLITE_IOERR_TRUNCATE
                                       : real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file*, int) {
    return FaultyVfs::current->fails() ? SQLITE_IOERR_FSYNC : SQLITE_OK;
}

// Version 1: no shared memory and no memory mapping, which the rollback
// journal does not need.
const sqlite3_io_methods kMethods = [] {
    sqlite3_io_methods m{};
    m.iVersion = 1;
    m.xClose = xClose;
    m.xRead = xRead;
    m.xWrite = xWrite;
    m.xTruncate = xTruncate;
    m.xSync = xSync;
    m.xFileSize = xFileSize;
    m.xLock = xLock;
    m.xUnlock = xUnlock;
    m.xCheckReservedLock = xCheckReservedLock;
    m.xFileControl = xFileControl;
    m.xSectorSize = xSectorSize;
    m.xDeviceCharacteristics = xDeviceCharacteristics;
    return m;
}();

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    std::memset(file->real, 0, static_cast<std::size_t>(systemVfs()->szOsFile));
    int rc = systemVfs()->xOpen(systemVfs(), name, file->real, flags, outFlags);
    file->base.pMethods = rc == SQLITE_OK ? &kMethods : nullptr;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
    return systemVfs()->xDelete(systemVfs(), name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return systemVfs()->xAccess(systemVfs(), name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return systemVfs()->xFullPathname(systemVfs(), name, n, out);
}

}  // namespace

FaultyVfs::FaultyVfs() {
    sqlite3_vfs* sys = systemVfs();
    vfs_ = *sys;
    vfs_.iVersion = 1;
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + sys->szOsFile;
    vfs_.zName = "tagshelf-faulty";
    vfs_.pNext = nullptr;
    vfs_.xOpen = xOpen;
    vfs_.xDelete = xDelete;
    vfs_.xAccess = xAccess;
    vfs_.xFullPathname = xFullPathname;
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
