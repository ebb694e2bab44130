// A write killed at any moment (before each file step, then at random) leaves the
// whole old or the whole new file at its path.
#include <chrono>
#include <random>

#include <gtest/gtest.h>

#include "tests/id3/write_scenarios.h"
#include "tests/support/kill_support.h"

namespace tagshelf {
namespace {

using namespace test;

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
    if (!s.link.empty()) {
        EXPECT_EQ(files.at(s.link), files.at("a.mp3"));
    }
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

TEST(KilledWrite, AtRandomMoments) {
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (const Scenario& s : scenarios(3 << 20)) {
        SCOPED_TRACE(s.name);
        fileops::FileSystem real;
        const auto start = std::chrono::steady_clock::now();
        const auto good = run(s, real, TempDir()).files;
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
        std::uniform_int_distribution<long> moment(0, took.count() * 3 / 2 + 1000);
        for (int i = 0; i < 12; ++i) {
            TempDir dir;
            prepare(s, dir);
            const auto delay = std::chrono::microseconds(moment(random));
            const ChildEnd end =
                runAndKill([&] { return writeScenario(s, dir).ok() ? 0 : 1; }, delay);
            SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " µs");
            if (!end.killed) {
                EXPECT_EQ(filesIn(dir), good);
            }
            expectSound(s, dir, good);
        }
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
}  // namespace tagshelf
