// The writers never lose the file: whichever step fails, whatever is refused, the
// original bytes stay at the path with no file of ours beside them; a write killed
// before any of its file steps leaves the whole old or the whole new file at its
// path (a kill inside a step leaves what a kill before the next one leaves).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>

#include <gtest/gtest.h>

#include "tests/id3/write_scenarios.h"
#include "tests/support/kill_support.h"

namespace tagshelf::test {
namespace {

// Failures that need not stop the write: closing after the flush, checking a
// path, and every step once the new content is in place (after the rename, or
// after the copy of a linked file is deleted): the flush of the folder.
bool mayFailHarmlessly(const std::vector<std::string>& calls, std::size_t i) {
    const std::string& call = calls[i - 1];
    const auto done = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c == "rename" || c == "unlink";
    });
    return call == "close" || call == "lstat" || done < calls.begin() + static_cast<long>(i) - 1;
}

class EveryStepFails : public ::testing::TestWithParam<bool> {};

TEST_P(EveryStepFails, TheOriginalStaysAndNothingIsLeftBeside) {
    for (const Scenario& s : scenarios()) {
        SCOPED_TRACE(s.name);
        StepFileSystem counter;
        counter.noCopyRange = GetParam();
        const Outcome good = run(s, counter, TempDir());
        ASSERT_TRUE(good.status.ok());
        std::set<std::string> names{"a.mp3", s.target, s.link.empty() ? "a.mp3" : s.link};
        for (const auto& [name, bytes] : good.files)
            EXPECT_TRUE(names.erase(name)) << name;
        EXPECT_TRUE(names.empty());
        EXPECT_EQ(good.files.at("a.mp3"), good.files.at(s.link.empty() ? "a.mp3" : s.link));
        fileops::FileSystem real;  // with the in-kernel copy
        EXPECT_EQ(good.files, run(s, real, TempDir()).files);
        if (s.name == std::string_view("rewrite")) {
            // Permissions, flush, rename over the original, flush of the folder.
            const auto& n = counter.names;
            const auto sync = std::find(std::find(n.begin(), n.end(), "fchmod"), n.end(), "fsync");
            EXPECT_LT(std::find(std::find(sync, n.end(), "rename"), n.end(), "fsync"), n.end());
        }
        std::set<std::string> failed;
        for (std::size_t i = 1; i <= counter.names.size(); ++i) {
            const std::string& call = counter.names[i - 1];
            SCOPED_TRACE("call " + std::to_string(i) + ": " + call);
            StepFileSystem fs;
            fs.noCopyRange = GetParam();
            fs.before = [i](std::size_t call) { return call == i; };
            const Outcome o = run(s, fs, TempDir());
            const bool harmless = mayFailHarmlessly(counter.names, i);
            if (o.status.ok()) {
                EXPECT_TRUE(harmless);
                EXPECT_EQ(o.files, good.files);
                continue;
            }
            failed.insert(call);
            EXPECT_TRUE(harmless || o.status.error().number == ENOSPC);
            EXPECT_FALSE(o.status.error().step.empty());
            EXPECT_EQ(o.files, original(s));
        }
        for (std::size_t i = 1; i <= counter.names.size(); ++i) {
            const std::string& call = counter.names[i - 1];
            EXPECT_TRUE(mayFailHarmlessly(counter.names, i) || failed.count(call)) << call;
        }
        EXPECT_TRUE(failed.count("fsync"));
    }
}

INSTANTIATE_TEST_SUITE_P(CopyInKernelOrThroughBuffers, EveryStepFails, ::testing::Bool());

TEST(Refused, AnExistingTargetAPathThatIsNoFileAndAFileThatNoLongerEndsInATag) {
    const std::vector<Scenario> all = scenarios(1000);
    TempDir dir;
    const Bytes other = raw("someone else's"), audio = fakeAudio(4000, 3);
    writeFile(dir.file("a.mp3"), all[3].before);
    writeFile(dir.file("b.mp3"), other);
    writeFile(dir.file("audio.mp3"), audio);
    ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.mp3"));
    const struct {
        int scenario;
        std::uint8_t newCode;
        const char *source, *target;
        int error;
    } cases[] = {
        {3, kID3v1, "a.mp3", "b.mp3", EEXIST},
        {3, kID3v23, "a.mp3", "b.mp3", EEXIST},
        {3, kNoTag, "a.mp3", "b.mp3", EEXIST},
        {0, kID3v23, "pipe.mp3", "pipe.mp3", EINVAL},
        {2, kID3v1, "pipe.mp3", "pipe.mp3", EINVAL},
        {0, kID3v23, "folder.mp3", "folder.mp3", EISDIR},
        {2, kID3v1, "folder.mp3", "folder.mp3", EISDIR},
        {1, kID3v11, "audio.mp3", "audio.mp3", EINVAL},  // in place, but no trailer to replace
    };
    for (const auto& c : cases) {
        const Scenario& s = all[c.scenario];
        Status st = subWriteTag(dir.file(c.target), dir.file(c.source), c.newCode, s.oldCode,
                                s.audioStart, {}, s.fields);
        ASSERT_FALSE(st.ok()) << c.target << " " << int{c.newCode};
        EXPECT_EQ(st.error().number, c.error) << c.target << " " << int{c.newCode};
    }
    EXPECT_EQ(readFile(dir.file("a.mp3")), all[3].before);
    EXPECT_EQ(readFile(dir.file("b.mp3")), other);
    EXPECT_EQ(readFile(dir.file("audio.mp3")), audio);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
}

TEST(ReadOnly, AFolderOrFileTheUserMayNotChangeIsRefusedAndTheFileStays) {
    const struct {
        Scenario s;
        mode_t folder, file;
    } cases[] = {
        {scenarios()[0], 0555, 0666}, {scenarios()[3], 0555, 0666}, {scenarios()[0], 0777, 0444}};
    for (const auto& [s, folderMode, fileMode] : cases) {
        SCOPED_TRACE(testing::Message() << s.name << " " << std::oct << folderMode);
        TempDir dir;
        const std::string path = dir.file("a.mp3");
        prepare(s, dir);
        ::chmod(path.c_str(), fileMode);
        ::chmod(dir.str().c_str(), folderMode);
        const int result = runUnprivileged([&] {
            Status st = writeScenario(s, dir);
            return !st.ok() && st.error().number == EACCES ? 0 : 1;
        });
        ::chmod(dir.str().c_str(), 0700);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(filesIn(dir), original(s));
    }
}

TEST(Replaced, AFileReplacedWhileTheNewOneIsWrittenIsLeftAlone) {
    TempDir dir;
    StepFileSystem fs;
    const Bytes other = raw("another program's");
    fs.before = [&](std::size_t call) {
        // The check of the path just before the rename.
        if (fs.names[call - 1] == "lstat" &&
            std::filesystem::exists(dir.file(".a.mp3.tagshelf-new"))) {
            writeFile(dir.file("c.mp3"), other);
            ::rename(dir.file("c.mp3").c_str(), dir.file("a.mp3").c_str());
        }
        return false;
    };
    const Outcome o = run(scenarios()[0], fs, dir);
    EXPECT_FALSE(o.status.ok());
    EXPECT_EQ(o.files, (std::map<std::string, Bytes>{{"a.mp3", other}}));
}

// Only the file's names show, each old or new; a linked file keeps a hidden old copy.
void expectSound(const Scenario& s, const TempDir& dir, const std::map<std::string, Bytes>& good) {
    const auto files = filesIn(dir);
    bool oldKept = false;
    std::string partial;
    for (const auto& [name, bytes] : files) {
        if (name[0] == '.') {
            EXPECT_TRUE(name.starts_with(".a.mp3.tagshelf-") ||
                        name.starts_with("." + s.target + ".tagshelf-"))
                << name;
            oldKept = oldKept || bytes == s.before;
        } else if (!good.count(name)) {
            ADD_FAILURE() << "a file " << name;
        } else if (bytes != good.at(name) && bytes != s.before) {
            partial = name;
        }
    }
    ASSERT_TRUE(files.count("a.mp3"));
    EXPECT_TRUE(partial.empty() || (!s.link.empty() && oldKept)) << partial;
    EXPECT_EQ(files.at(s.link.empty() ? "a.mp3" : s.link), files.at("a.mp3"));
}

TEST(KilledWrite, AtEveryStep) {
    for (const Scenario& s : scenarios(300000)) {
        SCOPED_TRACE(s.name);
        fileops::FileSystem real;
        const auto good = run(s, real, TempDir()).files;
        std::size_t kills = 0;
        for (std::size_t step = 1;; ++step) {
            TempDir dir;
            prepare(s, dir);
            const ChildEnd end = runAndKill([&] {
                StepFileSystem fs;  // stops itself before call `step`
                fs.before = [step](std::size_t call) {
                    return call == step && (pauseHere(), false);
                };
                fileops::ScopedFileSystem scoped(fs);
                return writeScenario(s, dir).ok() ? 0 : 1;
            });
            if (!end.killed) {
                EXPECT_EQ(end.exitCode, 0);
                EXPECT_EQ(filesIn(dir), good);
                break;
            }
            SCOPED_TRACE("killed before call " + std::to_string(step));
            ++kills;
            expectSound(s, dir, good);
        }
        EXPECT_GE(kills, 5u);
    }
}

TEST(KilledWrite, WhatAKilledWriteLeftGoesWithTheNextOne) {
    for (const Scenario& s : {scenarios(1000)[0], scenarios(1000)[3]}) {
        fileops::FileSystem real;
        const auto good = run(s, real, TempDir()).files;
        TempDir dir;
        writeText(dir.file("." + s.target + ".tagshelf-new"), "left by a kill");
        EXPECT_EQ(run(s, real, dir).files, good) << s.name;
    }
}

}  // namespace
}  // namespace tagshelf::test
