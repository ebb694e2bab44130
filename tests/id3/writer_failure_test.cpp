// The writers never lose the file: each file step of each kind of write is made
// to fail in turn, and after every failure the original bytes must be at the path
// with no backup or partial file beside it; the same holds for a refused target,
// in a folder the user may not change and when the new file vanishes.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "core/file_ops.h"
#include "id3/writer.h"
#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::readFile;

// Records the kind of every call and makes call number `failAt` (1-based; 0:
// none) fail with ENOSPC; a failing write or copy first does half its work, as a
// full disk does. With `noCopyRange` the in-kernel copy is reported unsupported
// (and not counted). `beforeCall` runs before each counted call with its number.
class FailingFileSystem : public fileops::FileSystem {
  public:
    std::size_t failAt = 0;
    bool noCopyRange = false;
    std::function<void(std::size_t)> beforeCall;
    std::vector<std::string> names;

    int open(const char* path, int flags, mode_t mode) override {
        return fails("open") ? -1 : FileSystem::open(path, flags, mode);
    }
    int close(int fd) override {
        const bool fail = fails("close");  // the descriptor is released all the same
        FileSystem::close(fd);
        if (fail) errno = ENOSPC;
        return fail ? -1 : 0;
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override {
        return fails("read") ? -1 : FileSystem::pread(fd, buffer, count, offset);
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
    int fsync(int fd) override { return fails("fsync") ? -1 : FileSystem::fsync(fd); }
    int fstat(int fd, struct stat* st) override {
        return fails("fstat") ? -1 : FileSystem::fstat(fd, st);
    }
    int lstat(const char* path, struct stat* st) override {
        return fails("lstat") ? -1 : FileSystem::lstat(path, st);
    }
    int fchmod(int fd, mode_t mode) override {
        return fails("fchmod") ? -1 : FileSystem::fchmod(fd, mode);
    }
    int renameNoReplace(const char* from, const char* to) override {
        return fails("rename") ? -1 : FileSystem::renameNoReplace(from, to);
    }
    int unlink(const char* path) override {
        return fails("unlink") ? -1 : FileSystem::unlink(path);
    }

  private:
    bool fails(const char* name) {
        names.emplace_back(name);
        if (beforeCall) beforeCall(names.size());
        if (names.size() != failAt) return false;
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
};

std::vector<Scenario> scenarios() {
    const Bytes audio = test::fakeAudio((1 << 20) + 1000, 11);  // two copy buffers
    const Bytes v2 = test::Id3v2Builder(3)
                         .frame(test::frameV23("TIT2", test::sjisText("Old")))
                         .padding(64)
                         .build();
    const std::int64_t afterV2 = static_cast<std::int64_t>(v2.size()) + 1;
    const Bytes v1 = test::id3v1Trailer({test::raw("Old"), {}, {}, {}, {}, std::uint8_t{1}, 3});
    EditFields f;
    f.txtTitle = f.txtTIT2 = "New";
    f.txtTrack = "2";
    f.cmbGenre = 5;
    f.optEncode = 1;
    return {
        {"rewrite", concat({v2, audio}), kID3v23, kID3v23, afterV2, f},
        {"in place", concat({audio, v1}), kID3v11, kID3v1, 1, f},
        {"appended", audio, kID3v1, kNoTag, 1, f},
        {"new file", concat({v2, audio}), kID3v11, kID3v23, afterV2, f, "b.mp3"},
    };
}

struct Outcome {
    Status status;
    std::set<std::string> names;  // in the folder afterwards
    Bytes file, target;           // a.mp3 and the target afterwards (empty: gone)
};

Outcome run(const Scenario& s, fileops::FileSystem& fs, const test::TempDir& dir) {
    const std::string path = dir.file("a.mp3"), target = dir.file(s.target);
    test::writeFile(path, s.before);
    Outcome o;
    {
        fileops::ScopedFileSystem scoped(fs);
        o.status = subWriteTag(target, path, s.newCode, s.oldCode, s.audioStart, {}, s.fields);
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        o.names.insert(entry.path().filename().string());
    if (std::filesystem::exists(path)) o.file = readFile(path);
    if (std::filesystem::exists(target)) o.target = readFile(target);
    return o;
}

bool mayFailHarmlessly(const std::string& call) {
    return call == "close" || call == "lstat";
}

class EveryStepFails : public ::testing::TestWithParam<bool> {};

TEST_P(EveryStepFails, TheOriginalStaysAndNothingIsLeftBeside) {
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        FailingFileSystem counter;
        counter.noCopyRange = GetParam();
        const Outcome good = run(s, counter, test::TempDir());
        ASSERT_TRUE(good.status.ok());
        const std::set<std::string> after{"a.mp3", s.target};
        ASSERT_EQ(good.names, after);
        fileops::FileSystem real;  // with the in-kernel copy
        EXPECT_EQ(good.target, run(s, real, test::TempDir()).target);
        if (s.name == std::string_view("rewrite")) {
            // Permissions, then the flush of the file and of its folder, all before
            // the backup goes.
            const auto& n = counter.names;
            const auto chmod = std::find(n.begin(), n.end(), "fchmod");
            ASSERT_LT(chmod, n.end());
            EXPECT_EQ(std::count(chmod, n.end(), "fsync"), 2);
            EXPECT_EQ(n.back(), "unlink");
        }

        std::set<std::string> failed;
        for (std::size_t i = 1; i <= counter.names.size(); ++i) {
            const std::string& call = counter.names[i - 1];
            SCOPED_TRACE("call " + std::to_string(i) + ": " + call);
            FailingFileSystem fs;
            fs.noCopyRange = GetParam();
            fs.failAt = i;
            const Outcome o = run(s, fs, test::TempDir());
            if (o.status.ok()) {
                EXPECT_TRUE(mayFailHarmlessly(call));
                EXPECT_EQ(o.target, good.target);
                EXPECT_EQ(o.names, after);
                continue;
            }
            failed.insert(call);
            EXPECT_TRUE(mayFailHarmlessly(call) || o.status.error().number == ENOSPC);
            EXPECT_EQ(o.file, s.before);
            EXPECT_EQ(o.names, std::set<std::string>{"a.mp3"});
        }
        for (const std::string& call : counter.names)
            EXPECT_TRUE(mayFailHarmlessly(call) || failed.count(call)) << call;
        EXPECT_TRUE(failed.count("fsync"));
    }
}

INSTANTIATE_TEST_SUITE_P(CopyInKernelOrThroughBuffers, EveryStepFails, ::testing::Bool());

TEST(Refused, AnExistingDifferentTarget) {
    const Scenario s = scenarios()[3];
    for (std::uint8_t code : {kID3v1, kID3v23, kNoTag}) {
        test::TempDir dir;
        test::writeFile(dir.file("b.mp3"), test::raw("someone else's"));
        fileops::FileSystem real;
        Scenario other = s;
        other.newCode = code;
        const Outcome o = run(other, real, dir);
        ASSERT_FALSE(o.status.ok()) << int{code};
        EXPECT_EQ(o.status.error().number, EEXIST);
        EXPECT_EQ(o.file, s.before);
        EXPECT_EQ(o.target, test::raw("someone else's"));
    }
}

TEST(Refused, APathThatIsNotARegularFile) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.mp3"));
    for (const char* name : {"pipe.mp3", "folder.mp3"}) {
        for (const Scenario& s : {scenarios()[0], scenarios()[2]}) {
            Status st = subWriteTag(dir.file(name), dir.file(name), s.newCode, s.oldCode, 1, {},
                                    s.fields);
            ASSERT_FALSE(st.ok()) << name;
            EXPECT_EQ(st.error().number, name[0] == 'p' ? EINVAL : EISDIR) << name;
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ReadOnly, AFolderOrFileTheUserMayNotChangeIsRefusedAndTheFileStays) {
    const struct {
        Scenario s;
        mode_t folder, file;
    } cases[] = {
        {scenarios()[0], 0555, 0666}, {scenarios()[3], 0555, 0666}, {scenarios()[0], 0777, 0444}};
    for (const auto& [s, folderMode, fileMode] : cases) {
        SCOPED_TRACE(testing::Message() << s.name << " " << std::oct << folderMode);
        test::TempDir dir;
        const std::string path = dir.file("a.mp3"), target = dir.file(s.target);
        test::writeFile(path, s.before);
        ::chmod(path.c_str(), fileMode);
        ::chmod(dir.str().c_str(), folderMode);
        const int result = test::runUnprivileged([&] {
            Status st = subWriteTag(target, path, s.newCode, s.oldCode, s.audioStart, {}, s.fields);
            return !st.ok() && st.error().number == EACCES ? 0 : 1;
        });
        ::chmod(dir.str().c_str(), 0700);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(readFile(path), s.before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

TEST(Vanishing, TheNewFileRemovedBeforeTheBackupIsDeletedBringsTheOriginalBack) {
    test::TempDir dir;
    FailingFileSystem fs;
    fs.beforeCall = [&](std::size_t call) {
        // The check of the path just before the backup is deleted.
        if (fs.names[call - 1] == "lstat" && std::filesystem::exists(dir.file("a_old.mp3")))
            ::unlink(dir.file("a.mp3").c_str());
    };
    const Scenario s = scenarios()[0];
    const Outcome o = run(s, fs, dir);
    EXPECT_FALSE(o.status.ok());
    EXPECT_EQ(o.file, s.before);
    EXPECT_EQ(o.names, std::set<std::string>{"a.mp3"});
}

}  // namespace
}  // namespace tagshelf
