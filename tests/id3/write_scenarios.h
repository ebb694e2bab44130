// The kinds of tag write the failure and kill tests put through every step, and a
// file system that names each call and lets a test act before it.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>

#include "core/file_ops.h"
#include "id3/writer.h"
#include "tests/support/edit_fields.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {

// Names every call; `before` (given the 1-based number) fails it with ENOSPC by
// giving true, a write or copy after half its work. `noCopyRange`: no in-kernel copy.
class StepFileSystem : public fileops::FileSystem {
  public:
    bool noCopyRange = false;
    std::function<bool(std::size_t)> before;
    std::vector<std::string> names;

// A call that fails as a whole, or is passed on.
#define TAGSHELF_STEP(type, call, label, params, args)    \
    type call params override {                           \
        return fails(label) ? -1 : FileSystem::call args; \
    }
    TAGSHELF_STEP(int, open, "open", (const char* p, int flags, mode_t m), (p, flags, m))
    TAGSHELF_STEP(ssize_t, pread, "read", (int fd, void* b, std::size_t n, off_t at),
                  (fd, b, n, at))
    TAGSHELF_STEP(int, fsync, "fsync", (int fd), (fd))
    TAGSHELF_STEP(int, fstat, "fstat", (int fd, struct stat* st), (fd, st))
    TAGSHELF_STEP(int, lstat, "lstat", (const char* p, struct stat* st), (p, st))
    TAGSHELF_STEP(int, fchmod, "fchmod", (int fd, mode_t m), (fd, m))
    TAGSHELF_STEP(int, ftruncate, "truncate", (int fd, off_t n), (fd, n))
    TAGSHELF_STEP(int, renameNoReplace, "rename", (const char* a, const char* b), (a, b))
    TAGSHELF_STEP(int, rename, "rename", (const char* a, const char* b), (a, b))
    TAGSHELF_STEP(int, unlink, "unlink", (const char* p), (p))
#undef TAGSHELF_STEP

    int close(int fd) override {
        const bool fail = fails("close");  // the descriptor is released all the same
        FileSystem::close(fd);
        if (fail) errno = ENOSPC;
        return fail ? -1 : 0;
    }
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        if (!fails("write")) return FileSystem::pwrite(fd, buffer, count, offset);
        (void)FileSystem::pwrite(fd, buffer, count / 2, offset);
        errno = ENOSPC;
        return -1;
    }
    ssize_t copyFileRange(int in, off_t* inAt, int out, off_t* outAt, std::size_t n) override {
        if (noCopyRange) {
            errno = ENOSYS;
            return -1;
        }
        if (!fails("copy")) return FileSystem::copyFileRange(in, inAt, out, outAt, n);
        (void)FileSystem::copyFileRange(in, inAt, out, outAt, n / 2);
        errno = ENOSPC;
        return -1;
    }

  private:
    bool fails(const char* name) {
        names.emplace_back(name);
        if (!before || !before(names.size())) return false;
        errno = ENOSPC;
        return true;
    }
};

// One kind of write of a.mp3, into itself or into another file.
struct Scenario {
    const char* name;
    Bytes before;
    std::uint8_t newCode, oldCode;
    std::int64_t audioStart;
    EditFields fields;
    std::string target = "a.mp3";
    std::string link = "";  // a second name of a.mp3
};

inline std::vector<Scenario> scenarios(std::size_t audioBytes = (1 << 20) + 1000) {
    const Bytes audio = fakeAudio(audioBytes, 11);  // two copy buffers by default
    const Bytes v2 = Id3v2Builder(3).frame(frameV23("TIT2", sjisText("Old"))).padding(64).build();
    const std::int64_t afterV2 = static_cast<std::int64_t>(v2.size()) + 1;
    const Bytes v1 = id3v1Trailer({raw("Old"), {}, {}, {}, {}, std::uint8_t{1}, 3});
    const EditFields f = editFields("txtTitle=New|txtTIT2=New|txtTrack=2|cmbGenre=5|optEncode=1");
    return {
        {"rewrite", concat({v2, audio}), kID3v23, kID3v23, afterV2, f},
        {"in place", concat({audio, v1}), kID3v11, kID3v1, 1, f},
        {"appended", audio, kID3v1, kNoTag, 1, f},
        {"new file", concat({v2, audio}), kID3v11, kID3v23, afterV2, f, "b.mp3"},
        {"linked", concat({v2, audio}), kID3v22, kID3v23, afterV2, f, "a.mp3", "b.mp3"},
    };
}

struct Outcome {
    Status status;
    std::map<std::string, Bytes> files;  // every file in the folder afterwards
};

inline std::map<std::string, Bytes> filesIn(const TempDir& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        files[entry.path().filename().string()] = readFile(entry.path().string());
    return files;
}

// Lays out a.mp3 (and its second name) in `dir` as the scenario has it.
inline void prepare(const Scenario& s, const TempDir& dir) {
    writeFile(dir.file("a.mp3"), s.before);
    if (!s.link.empty()) ::link(dir.file("a.mp3").c_str(), dir.file(s.link).c_str());
}

inline Status writeScenario(const Scenario& s, const TempDir& dir) {
    return subWriteTag(dir.file(s.target), dir.file("a.mp3"), s.newCode, s.oldCode, s.audioStart,
                       {}, s.fields);
}

inline Outcome run(const Scenario& s, fileops::FileSystem& fs, const TempDir& dir) {
    prepare(s, dir);
    Outcome o;
    {
        fileops::ScopedFileSystem scoped(fs);
        o.status = writeScenario(s, dir);
    }
    o.files = filesIn(dir);
    return o;
}

// The folder as it was before the write.
inline std::map<std::string, Bytes> original(const Scenario& s) {
    std::map<std::string, Bytes> files{{"a.mp3", s.before}};
    if (!s.link.empty()) files[s.link] = s.before;
    return files;
}

}  // namespace tagshelf::test
