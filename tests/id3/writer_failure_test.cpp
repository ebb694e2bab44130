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

// One kind of write: the file it starts from and the call that writes it.
struct Scenario {
    const char* name;
    Bytes before;
    std::string file = "a.mp3";
    std::string target;  // empty: the file itself
    std::function<Status(const std::string& target, const std::string& source)> write;
};

Bytes someAudio() {
    return test::fakeAudio(300'000, 11);
}

Bytes oldV2Tag() {
    return test::Id3v2Builder(3)
        .frame(test::frameV23("TIT2", test::sjisText("Old")))
        .padding(64)
        .build();
}

std::vector<Scenario> scenarios() {
    const Bytes audio = someAudio();
    const Bytes v2 = oldV2Tag();
    const std::int64_t afterV2 = static_cast<std::int64_t>(v2.size()) + 1;
    const Bytes v1 = test::id3v1Trailer({raw("Old"), {}, {}, raw("1999"), {}, std::uint8_t{1}, 3});
    EditFields v1Fields = test::v1Fields("New", 5);
    v1Fields.txtTrack = "2";
    const EditFields v2Fields = test::v2Fields("New", 1);
    return {
        {"Id3v23OverId3v23", concat({v2, audio}), "a.mp3", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v23, kID3v23, afterV2, {}, v2Fields);
         }},
        {"Id3v22OverId3v1", concat({audio, v1}), "a.mp3", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v22, kID3v1, 1, {}, v2Fields);
         }},
        {"Id3v1OverId3v23", concat({v2, audio}), "a.mp3", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v1, kID3v23, afterV2, {}, v1Fields);
         }},
        {"NoTagOverId3v23", concat({v2, audio}), "a.mp3", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kNoTag, kID3v23, afterV2, {}, {});
         }},
        {"Id3v11InPlace", concat({audio, v1}), "a.mp3", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v11, kID3v11, 1, {}, v1Fields);
         }},
        {"Id3v1Appended", audio, "a.mp3", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v1, kNoTag, 1, {}, v1Fields);
         }},
        {"Id3v23IntoNewFile", concat({v2, audio}), "a.mp3", "b.mp3",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v23, kID3v23, afterV2, {}, v2Fields);
         }},
        {"Id3v1IntoNewFile", concat({v2, audio}), "a.mp3", "b.mp3",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kID3v1, kID3v23, afterV2, {}, v1Fields);
         }},
        {"NoTagWithoutADot", concat({v2, audio}), "song", "",
         [=](const std::string& t, const std::string& s) {
             return subWriteTag(t, s, kNoTag, kID3v23, afterV2, {}, {});
         }},
    };
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

Outcome runOnce(const Scenario& s, test::FailingFileSystem* fs) {
    test::TempDir dir;
    const std::string path = dir.file(s.file);
    test::writeFile(path, s.before);
    const std::string target = s.target.empty() ? path : dir.file(s.target);
    Outcome run;
    if (fs) {
        fileops::ScopedFileSystem scoped(*fs);
        run.status = s.write(target, path);
        run.failedCall = fs->failedCall;
    } else {
        run.status = s.write(target, path);
    }
    run.names = test::namesIn(dir.str());
    run.fileExists = std::filesystem::exists(path);
    if (run.fileExists) run.file = readFile(path);
    if (!s.target.empty() && std::filesystem::exists(target)) run.target = readFile(target);
    return run;
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
        // A run without failure: the expected result and the number of calls.
        test::FailingFileSystem counter;
        counter.noCopyRange = noCopyRange;
        const Outcome good = runOnce(s, &counter);
        ASSERT_TRUE(good.status.ok()) << good.status.error().step;
        ASSERT_GT(counter.calls, 3);
        const Bytes expected = s.target.empty() ? good.file : good.target;
        ASSERT_NE(expected, s.before);

        std::map<std::string, int> failuresByCall;
        for (int i = 1; i <= counter.calls; ++i) {
            test::FailingFileSystem fs;
            fs.noCopyRange = noCopyRange;
            fs.failAt = i;
            const Outcome run = runOnce(s, &fs);
            SCOPED_TRACE("call " + std::to_string(i) + " (" + counter.names[i - 1] + ")");
            ASSERT_EQ(run.failedCall, counter.names[i - 1]);
            if (run.status.ok()) {
                EXPECT_TRUE(mayBeHarmless(run.failedCall));
                EXPECT_EQ(s.target.empty() ? run.file : run.target, expected);
                EXPECT_EQ(run.names, namesAfterSuccess(s));
                continue;
            }
            ++failuresByCall[run.failedCall];
            EXPECT_FALSE(run.status.error().step.empty());
            EXPECT_FALSE(run.status.error().description.empty());
            EXPECT_TRUE(run.fileExists);
            EXPECT_EQ(run.file, s.before);
            EXPECT_EQ(run.names, std::set<std::string>{s.file});
        }
        // Every kind of step that changes something made the write fail.
        for (const std::string& call : counter.names) {
            if (!mayBeHarmless(call)) {
                EXPECT_GT(failuresByCall[call], 0) << call;
            }
        }
        EXPECT_GT(failuresByCall["fsync"], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(CopyInKernelOrThroughBuffers, EveryStepFails, ::testing::Bool());

TEST(StepFailures, RenameFsyncAndUnlinkOfARewriteEachFailAndRollBack) {
    const Scenario s = scenarios()[0];
    test::FailingFileSystem counter;
    ASSERT_TRUE(runOnce(s, &counter).status.ok());
    std::set<std::string> failed;
    for (int i = 1; i <= counter.calls; ++i) {
        test::FailingFileSystem fs;
        fs.failAt = i;
        const Outcome run = runOnce(s, &fs);
        if (!run.status.ok()) {
            failed.insert(run.failedCall);
            EXPECT_EQ(run.file, s.before) << run.failedCall;
        }
    }
    for (const char* call :
         {"open", "rename", "write", "copy", "fstat", "fchmod", "fsync", "unlink"}) {
        EXPECT_TRUE(failed.count(call)) << call;
    }
}

TEST(StepOrder, TheNewFileAndItsFolderAreFlushedBeforeTheBackupIsDeleted) {
    for (std::size_t which : {0u, 2u, 3u}) {
        const Scenario s = scenarios()[which];
        SCOPED_TRACE(s.name);
        test::FailingFileSystem fs;
        ASSERT_TRUE(runOnce(s, &fs).status.ok());
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
    const Scenario s = scenarios()[0];
    test::TempDir dir;
    const std::string path = dir.file("a.mp3");
    test::writeFile(path, s.before);
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
        status = s.write(path, path);
    }
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().description.find("back to"), std::string::npos)
        << status.error().description;
    // The original is not lost: it is in the backup.
    EXPECT_EQ(readFile(dir.file("a_old.mp3")), s.before);
}

TEST(StepFailures, APartialInPlaceWriteIsUndone) {
    // The in-place cases: the write goes half through before it fails.
    for (int which : {4, 5}) {
        const Scenario s = scenarios()[static_cast<std::size_t>(which)];
        SCOPED_TRACE(s.name);
        test::FailingFileSystem counter;
        ASSERT_TRUE(runOnce(s, &counter).status.ok());
        int writes = 0;
        for (int i = 1; i <= counter.calls; ++i) {
            if (counter.names[i - 1] != "write") continue;
            ++writes;
            test::FailingFileSystem fs;
            fs.failAt = i;
            fs.error = ENOSPC;
            const Outcome run = runOnce(s, &fs);
            ASSERT_FALSE(run.status.ok());
            EXPECT_EQ(run.status.error().number, ENOSPC);
            EXPECT_EQ(run.file, s.before);
        }
        EXPECT_EQ(writes, 1);
    }
}

// ---------------------------------------------------------------------------
// A folder the user may not change.

TEST(ReadOnlyFolder, RewritesAndNewFilesAreRefusedAndTheFileStays) {
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        test::TempDir dir;
        const std::string path = dir.file(s.file);
        test::writeFile(path, s.before);
        const std::string target = s.target.empty() ? path : dir.file(s.target);
        // Others may enter the folder (the unprivileged user must reach the file)
        // but nobody but root may add, rename or remove names in it.
        ::chmod(dir.str().c_str(), 0555);
        ::chmod(path.c_str(), 0666);
        const bool inPlace = std::string(s.name).find("InPlace") != std::string::npos ||
                             std::string(s.name).find("Appended") != std::string::npos;
        const int result = test::runUnprivileged([&] {
            Status status = s.write(target, path);
            if (inPlace) return status.ok() ? 0 : 1;  // the file itself may be changed
            if (status.ok()) return 2;
            return status.error().number == EACCES ? 0 : 3;
        });
        ::chmod(dir.str().c_str(), 0700);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{s.file});
        if (!inPlace) {
            EXPECT_EQ(readFile(path), s.before);
        }
    }
}

TEST(ReadOnlyFile, IsRefusedBeforeAnythingHappens) {
    for (const Scenario& s : scenarios()) {
        if (!s.target.empty()) continue;
        SCOPED_TRACE(s.name);
        test::TempDir dir;
        const std::string path = dir.file(s.file);
        test::writeFile(path, s.before);
        ::chmod(dir.str().c_str(), 0777);
        ::chmod(path.c_str(), 0444);
        const int result = test::runUnprivileged([&] {
            Status status = s.write(path, path);
            return !status.ok() && status.error().number == EACCES ? 0 : 1;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(readFile(path), s.before);
        EXPECT_EQ(test::namesIn(dir.str()), std::set<std::string>{s.file});
        EXPECT_EQ(test::modeOf(path), 0444u);
    }
}

// ---------------------------------------------------------------------------
// A file that vanishes.

TEST(VanishingFile, BeforeAnyStepNothingIsLeftBehindAndNothingHalfWritten) {
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        test::FailingFileSystem counter;
        const Outcome good = runOnce(s, &counter);
        ASSERT_TRUE(good.status.ok());
        const Bytes expected = s.target.empty() ? good.file : good.target;
        for (int i = 1; i <= counter.calls; ++i) {
            SCOPED_TRACE("removed before call " + std::to_string(i));
            test::TempDir dir;
            const std::string path = dir.file(s.file);
            test::writeFile(path, s.before);
            const std::string target = s.target.empty() ? path : dir.file(s.target);
            test::FailingFileSystem fs;
            fs.beforeCall = [&](int call) {
                if (call == i) ::unlink(path.c_str());
            };
            Status status;
            {
                fileops::ScopedFileSystem scoped(fs);
                status = s.write(target, path);
            }
            const std::set<std::string> names = test::namesIn(dir.str());
            for (const std::string& name : names) {
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
    const Scenario s = scenarios()[0];
    test::TempDir dir;
    const std::string path = dir.file("a.mp3");
    test::writeFile(path, s.before);
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
