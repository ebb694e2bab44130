// The writers never lose the file: each file step of each kind of write is made
// to fail in turn (through the file layer), and after every failure the file's
// original bytes must be at its path with no backup or partial file beside it;
// the same holds in a folder the user may not change and when the file vanishes
// in the middle of a write.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#include <gtest/gtest.h>

#include "id3/file_ops.h"
#include "id3/writer.h"
#include "tests/id3/tag_builder.h"
#include "tests/id3/write_support.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::raw;
using test::readFile;

// One kind of write: the file it starts from and the write.
struct Scenario {
    const char* name;
    Bytes before;
    std::uint8_t newCode, oldCode;
    std::int64_t audioStart;
    EditFields fields;
    std::string target = "";  // another file to write; empty: the file itself
    std::string file = "a.mp3";

    // ID3v1 over ID3v1 or no tag changes the file itself.
    bool inPlace() const { return newCode <= kID3v11 && oldCode != kID3v23; }
    Status write(const std::string& target, const std::string& source) const {
        return subWriteTag(target, source, newCode, oldCode, audioStart, {}, fields);
    }
    // Writes `before` into the folder; gives the file's path and the target's.
    std::pair<std::string, std::string> lay(const test::TempDir& dir) const {
        test::writeFile(dir.file(file), before);
        return {dir.file(file), dir.file(target.empty() ? file : target)};
    }
};

std::vector<Scenario> scenarios() {
    const Bytes audio = test::fakeAudio(300'000, 11);
    const Bytes v2 = test::Id3v2Builder(3)
                         .frame(test::frameV23("TIT2", test::sjisText("Old")))
                         .padding(64)
                         .build();
    const std::int64_t afterV2 = static_cast<std::int64_t>(v2.size()) + 1;
    const Bytes v1 = test::id3v1Trailer({raw("Old"), {}, {}, raw("1999"), {}, std::uint8_t{1}, 3});
    EditFields v1f = test::v1Fields("New", 5);
    v1f.txtTrack = "2";
    const EditFields v2f = test::v2Fields("New", 1);
    return {
        {"Id3v23OverId3v23", concat({v2, audio}), kID3v23, kID3v23, afterV2, v2f},
        {"Id3v22OverId3v1", concat({audio, v1}), kID3v22, kID3v1, 1, v2f},
        {"Id3v1OverId3v23", concat({v2, audio}), kID3v1, kID3v23, afterV2, v1f},
        {"NoTagOverId3v23", concat({v2, audio}), kNoTag, kID3v23, afterV2, {}},
        {"Id3v11InPlace", concat({audio, v1}), kID3v11, kID3v11, 1, v1f},
        {"Id3v1Appended", audio, kID3v1, kNoTag, 1, v1f},
        {"Id3v23IntoNewFile", concat({v2, audio}), kID3v23, kID3v23, afterV2, v2f, "b.mp3"},
        {"Id3v1IntoNewFile", concat({v2, audio}), kID3v1, kID3v23, afterV2, v1f, "b.mp3"},
        {"NoTagWithoutADot", concat({v2, audio}), kNoTag, kID3v23, afterV2, {}, "", "song"},
    };
}

Scenario scenario(std::string_view name) {
    for (const Scenario& s : scenarios()) {
        if (s.name == name) return s;
    }
    throw std::invalid_argument(std::string(name));
}

// The outcome of one run of a scenario in a fresh folder.
struct Outcome {
    Status status;
    std::set<std::string> names;
    Bytes file;    // the file's bytes afterwards (empty when it is gone)
    Bytes target;  // the new file's bytes, for writes into another path
    bool fileExists = false;
    std::string failedCall;
};

Outcome runOnce(const Scenario& s, test::FailingFileSystem& fs) {
    test::TempDir dir;
    const auto [path, target] = s.lay(dir);
    Outcome run;
    {
        fileops::ScopedFileSystem scoped(fs);
        run.status = s.write(target, path);
    }
    run.failedCall = fs.failedCall;
    run.names = test::namesIn(dir.str());
    run.fileExists = std::filesystem::exists(path);
    if (run.fileExists) run.file = readFile(path);
    if (!s.target.empty() && std::filesystem::exists(target)) run.target = readFile(target);
    return run;
}

// A run without failure: the written file's bytes and the file system's record of
// the calls made.
Bytes goodRun(const Scenario& s, test::FailingFileSystem& counter) {
    const Outcome good = runOnce(s, counter);
    EXPECT_TRUE(good.status.ok()) << good.status.error().step;
    return s.target.empty() ? good.file : good.target;
}

std::set<std::string> namesAfterSuccess(const Scenario& s) {
    std::set<std::string> names{s.file};
    if (!s.target.empty()) names.insert(s.target);
    return names;
}

// Calls whose failure may leave the write to succeed: closing a file only read,
// or a file already flushed, and a name test that the next step repeats safely.
bool mayBeHarmless(const std::string& call) {
    return call == "close" || call == "lstat";
}

class EveryStepFails : public ::testing::TestWithParam<bool> {};

TEST_P(EveryStepFails, TheFileIsIntactAfterEachFailureAndCompleteAfterEachSuccess) {
    const bool noCopyRange = GetParam();
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        test::FailingFileSystem counter;
        counter.noCopyRange = noCopyRange;
        const Bytes expected = goodRun(s, counter);
        ASSERT_GT(counter.calls, 3);
        ASSERT_NE(expected, s.before);

        std::map<std::string, int> failuresByCall;
        for (int i = 1; i <= counter.calls; ++i) {
            test::FailingFileSystem fs;
            fs.noCopyRange = noCopyRange;
            fs.failAt = i;
            fs.error = ENOSPC;
            const Outcome run = runOnce(s, fs);
            SCOPED_TRACE("call " + std::to_string(i) + " (" + counter.names[i - 1] + ")");
            ASSERT_EQ(run.failedCall, counter.names[i - 1]);
            if (run.status.ok()) {
                EXPECT_TRUE(mayBeHarmless(run.failedCall));
                EXPECT_EQ(s.target.empty() ? run.file : run.target, expected);
                EXPECT_EQ(run.names, namesAfterSuccess(s));
                continue;
            }
            ++failuresByCall[run.failedCall];
            if (!mayBeHarmless(run.failedCall)) {
                EXPECT_EQ(run.status.error().number, ENOSPC);
            }
            EXPECT_FALSE(run.status.error().step.empty());
            EXPECT_FALSE(run.status.error().description.empty());
            EXPECT_TRUE(run.fileExists);
            EXPECT_EQ(run.file, s.before);
            EXPECT_EQ(run.names, std::set<std::string>{s.file});
        }
        // Every kind of step that changes something made the write fail; a
        // rewrite has each of these.
        for (const std::string& call : counter.names) {
            if (!mayBeHarmless(call)) {
                EXPECT_GT(failuresByCall[call], 0) << call;
            }
        }
        EXPECT_GT(failuresByCall["fsync"], 0);
        // An in-place write goes half through in its one write before it fails.
        if (s.inPlace()) {
            EXPECT_EQ(std::count(counter.names.begin(), counter.names.end(), "write"), 1);
        }
        if (s.name == std::string_view("Id3v23OverId3v23")) {
            for (const char* call : {"open", "rename", "write", "fstat", "fchmod", "unlink"}) {
                EXPECT_GT(failuresByCall[call], 0) << call;
            }
            EXPECT_EQ(failuresByCall["copy"] > 0, !noCopyRange);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(CopyInKernelOrThroughBuffers, EveryStepFails, ::testing::Bool());

TEST(StepOrder, TheNewFileAndItsFolderAreFlushedBeforeTheBackupIsDeleted) {
    for (const char* name : {"Id3v23OverId3v23", "Id3v1OverId3v23", "NoTagOverId3v23"}) {
        SCOPED_TRACE(name);
        test::FailingFileSystem fs;
        goodRun(scenario(name), fs);
        const auto& n = fs.names;
        const auto rename = std::find(n.begin(), n.end(), "rename");
        const auto unlink = std::find(n.begin(), n.end(), "unlink");
        ASSERT_NE(rename, n.end());
        ASSERT_NE(unlink, n.end());
        ASSERT_EQ(unlink, n.end() - 1);
        // The permissions are set, then the file and then the folder are flushed.
        const auto chmod = std::find(rename, unlink, "fchmod");
        const auto firstSync = std::find(rename, unlink, "fsync");
        ASSERT_NE(chmod, unlink);
        ASSERT_NE(firstSync, unlink);
        EXPECT_LT(chmod, firstSync);
        EXPECT_NE(std::find(firstSync + 1, unlink, "fsync"), unlink);
    }
}

TEST(StepFailures, AFailedRollBackReportsBothStepsAndKeepsTheBackup) {
    const Scenario s = scenario("Id3v23OverId3v23");
    test::TempDir dir;
    const auto [path, target] = s.lay(dir);
    // Fail the first flush, then the rename back.
    struct DoubleFailure : test::FailingFileSystem {
        int fsync(int) override {
            errno = EIO;
            return -1;
        }
        int rename(const char*, const char*) override {
            errno = EIO;
            return -1;
        }
    } fs;
    Status status;
    {
        fileops::ScopedFileSystem scoped(fs);
        status = s.write(target, path);
    }
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().description.find("back to"), std::string::npos)
        << status.error().description;
    // The original is not lost: it is in the backup.
    EXPECT_EQ(readFile(dir.file("a_old.mp3")), s.before);
}

// ---------------------------------------------------------------------------
// A folder or a file the user may not change.

TEST(ReadOnly, AFolderOrFileTheUserMayNotChangeIsRefusedAndTheFileStays) {
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        // A folder that others may enter (the unprivileged user must reach the
        // file) but where nobody but root may add, rename or remove names: the
        // in-place writes may still change the file itself, the others are refused.
        test::TempDir folder;
        const auto [path, target] = s.lay(folder);
        ::chmod(folder.str().c_str(), 0555);
        ::chmod(path.c_str(), 0666);
        int result = test::runUnprivileged([&, &path = path, &target = target] {
            Status status = s.write(target, path);
            if (s.inPlace()) return status.ok() ? 0 : 1;
            return status.ok() ? 2 : status.error().number == EACCES ? 0 : 3;
        });
        ::chmod(folder.str().c_str(), 0700);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(test::namesIn(folder.str()), std::set<std::string>{s.file});
        if (!s.inPlace()) {
            EXPECT_EQ(readFile(path), s.before);
        }
        if (!s.target.empty()) continue;

        // A file that may not be written is refused before anything happens.
        test::TempDir dir;
        const std::string file = s.lay(dir).first;
        ::chmod(dir.str().c_str(), 0777);
        ::chmod(file.c_str(), 0444);
        result = test::runUnprivileged([&] {
            Status status = s.write(file, file);
            return !status.ok() && status.error().number == EACCES ? 0 : 1;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(readFile(file), s.before);
        EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{s.file});
        EXPECT_EQ(test::modeOf(file), 0444u);
    }
}

// ---------------------------------------------------------------------------
// A file that vanishes.

TEST(VanishingFile, BeforeAnyStepNothingIsLeftBehindAndNothingHalfWritten) {
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        test::FailingFileSystem counter;
        const Bytes expected = goodRun(s, counter);
        for (int i = 1; i <= counter.calls; ++i) {
            SCOPED_TRACE("removed before call " + std::to_string(i));
            test::TempDir dir;
            const auto [path, target] = s.lay(dir);
            test::FailingFileSystem fs;
            fs.beforeCall = [&, &path = path](int call) {
                if (call == i) ::unlink(path.c_str());
            };
            Status status;
            {
                fileops::ScopedFileSystem scoped(fs);
                status = s.write(target, path);
            }
            for (const std::string& name : test::namesIn(dir.str())) {
                EXPECT_TRUE(name == s.file || name == s.target) << name;
            }
            if (status.ok()) {
                // Complete, or removed after it was complete.
                if (std::filesystem::exists(target)) {
                    EXPECT_EQ(readFile(target), expected);
                }
            } else {
                // Either the original is back, or it is simply gone, as removed.
                if (std::filesystem::exists(path)) {
                    EXPECT_EQ(readFile(path), s.before);
                }
                if (!s.target.empty()) {
                    EXPECT_FALSE(std::filesystem::exists(target));
                }
            }
        }
    }
}

TEST(VanishingFile, TheNewFileRemovedBeforeTheBackupIsDeletedBringsTheOriginalBack) {
    const Scenario s = scenario("Id3v23OverId3v23");
    test::TempDir dir;
    const std::string path = s.lay(dir).first;
    test::FailingFileSystem fs;
    bool removed = false;
    fs.beforeCall = [&](int call) {
        // Just before the backup is deleted, the new file disappears.
        if (!removed && fs.names[static_cast<std::size_t>(call - 1)] == "lstat" &&
            std::filesystem::exists(dir.file("a_old.mp3"))) {
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0 && st.st_size > 0 &&
                static_cast<std::size_t>(st.st_size) != s.before.size()) {
                ::unlink(path.c_str());
                removed = true;
            }
        }
    };
    Status status;
    {
        fileops::ScopedFileSystem scoped(fs);
        status = s.write(path, path);
    }
    ASSERT_TRUE(removed);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(readFile(path), s.before);
    EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{"a.mp3"});
}

}  // namespace
}  // namespace tagshelf
