#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "cataloguing/folder_scan.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/music_folder.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> collect(const std::string& folder) {
    FileCollection c;
    subGetFiles(c, folder, true);
    return c.files;
}

TEST(FolderScan, SubfoldersComeFirstDepthFirstAndHiddenEntriesAreLeftOut) {
    MusicFolder t;
    std::string a = t.add("a.mp3"), b = t.add("sub/b.mp3"), c = t.add("sub/deeper/c.MP3");
    std::string d = t.add("z/d.Mp3"), e = t.add("e.mp3");
    for (const char* other : {"notes.txt", "a.mp3.bak", ".hidden.mp3", ".folder/inside.mp3"})
        t.add(other);
    fs::create_directories(t.dir("album.mp3"));  // a folder, not a file
    EXPECT_EQ(collect(t.root.str()), (std::vector<std::string>{c, b, d, a, e}));
    // The folder may be given with its trailing separator; without subfolders
    // only its own files count.
    FileCollection own;
    subGetFiles(own, t.root.str() + "/", false);
    EXPECT_EQ(own.files, (std::vector<std::string>{a, e}));
    EXPECT_EQ(a, t.root.str() + "/a.mp3");
}

TEST(FolderScan, LinksAreFollowedAndALoopIsScannedOnce) {
    MusicFolder t;
    std::string a = t.add("music/a.mp3");
    fs::create_directory_symlink(t.dir("music"), t.dir("music/again"));  // a loop
    fs::create_symlink(a, t.dir("music/link.mp3"));
    fs::create_symlink(t.dir("missing.mp3"), t.dir("music/dangling.mp3"));
    EXPECT_EQ(collect(t.dir("music")), (std::vector<std::string>{a, t.dir("music/link.mp3")}));
}

TEST(FolderScan, AFolderThatCannotBeReadIsCountedAndSkipped) {
    MusicFolder t;
    std::string a = t.add("open/a.mp3");
    t.add("closed/b.mp3");
    ::chmod(t.dir("closed").c_str(), 0);
    openUp(t.dir("open"));
    EXPECT_EQ(runUnprivileged([&] {
                  FileCollection c;
                  subGetFiles(c, t.root.str(), true);
                  return c.files == std::vector<std::string>{a} &&
                                 c.unreadableFolders ==
                                     std::vector<std::string>{t.dir("closed") + "/"}
                             ? 0
                             : 1;
              }),
              0);
}

TEST(DropRules, Mp3NamesAndFolderLikeNamesExpandInOrder) {
    // A lower-case ".mp3" is a file; a name whose fourth character from the end
    // (characters, not bytes) is not "." is a folder; anything else is ignored.
    for (const char* accepted : {"/m/song.mp3", "/m/readme", "/m/アルバム", "/m"})
        EXPECT_TRUE(isDropAccepted(accepted)) << accepted;
    for (const char* ignored : {"/m/SONG.MP3", "/m/notes.txt", "/m/曲.wav"})
        EXPECT_FALSE(isDropAccepted(ignored)) << ignored;
    MusicFolder t;
    std::string song = t.add("song.mp3"), inTree = t.add("album/x.mp3");
    t.add("SONG2.MP3");
    FileCollection c =
        collectDropped({t.dir("SONG2.MP3"), song, t.dir("album"), t.add("readme", raw("text")),
                        t.dir("no such folder"), song});
    EXPECT_EQ(c.files, (std::vector<std::string>{song, inTree, song}));
    EXPECT_TRUE(c.unreadableFolders.empty());
}

TEST(FolderScan, PseudoFileSystemsAreNotEnteredAndTheSearchCanBeCancelled) {
    FileCollection proc;
    subGetFiles(proc, "/proc", true);
    EXPECT_TRUE(proc.files.empty());
    EXPECT_TRUE(proc.unreadableFolders.empty());

    MusicFolder t;
    for (int i = 0; i < 5; ++i)
        t.add("d" + std::to_string(i) + "/x.mp3");
    ScriptedToolkit tk;
    tk.cancelSearchAfter = 3;
    auto progress = tk.beginProgress("x");
    FileCollection c;
    subGetFiles(c, t.root.str(), true, progress.get());
    EXPECT_TRUE(c.cancelled);
    EXPECT_EQ(c.files.size(), 1u);  // the third folder reached asked to stop
    EXPECT_TRUE(isHiddenOrSystem(0x02));
    EXPECT_TRUE(isHiddenOrSystem(0x04));
    EXPECT_FALSE(isHiddenOrSystem(0x01 | 0x10 | 0x20));  // read-only, folder, archive
}

}  // namespace
}  // namespace tagshelf::test
