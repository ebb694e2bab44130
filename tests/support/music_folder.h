// A temporary music folder whose files are made on request.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/tag_builder.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {

class MusicFolder {
  public:
    // Writes the file (and its folders) and gives its full path.
    std::string add(const std::string& relative, const Bytes& bytes = fakeAudio(500)) {
        std::filesystem::path p = root.path() / relative;
        std::filesystem::create_directories(p.parent_path());
        writeFile(p.string(), bytes);
        return p.string();
    }
    // An MP3 file with an ID3v2.3 tag holding only a title.
    std::string addTitled(const std::string& relative, const std::string& title) {
        return add(relative,
                   concat({Id3v2Builder(3).frame(frameV23("TIT2", sjisText(title))).build(),
                           fakeAudio(800)}));
    }
    // `count` such files, "f0.mp3" … titled "t0" …; `per` files a folder "d0/" ….
    std::vector<std::string> addMany(int count, int per = 0) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            paths.push_back(addTitled(
                (per ? "d" + std::to_string(i / per) + "/" : "") + "f" + n + ".mp3", "t" + n));
        }
        return paths;
    }
    std::string dir(const std::string& relative) const { return (root.path() / relative).string(); }

    TempDir root;
};

}  // namespace tagshelf::test
