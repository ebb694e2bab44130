// A temporary folder removed at the end, whole-file reads and writes, and more.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tagshelf::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

class TempDir {
  public:
    // A fresh folder; `suffix` names a folder inside it (e.g. "TagShelf").
    explicit TempDir(std::string_view suffix = "");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
    std::filesystem::path base_;  // the folder created, when path_ is inside it
};

void writeFile(const std::string& path, const Bytes& bytes);
void writeText(const std::string& path, std::string_view text);
Bytes readFile(const std::string& path);
std::string readText(const std::string& path);

// Runs `check` without root's rights (as user 65534 in a child process when root)
// and gives its result, 90 and up when the child failed itself.
int runUnprivileged(const std::function<int()>& check);

// A u8"" literal as a std::string.
inline std::string u8s(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

}  // namespace tagshelf::test
