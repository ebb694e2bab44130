// Small helpers shared by the tests: a temporary folder removed at the end, and
// whole-file reads and writes of raw bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tagshelf::test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
  public:
    // Creates a fresh folder under the system's temporary folder; `suffix` is
    // appended to its name (a test may need a folder whose name ends in "TagShelf").
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

// Runs `check` without root's right to read and write anything: in a child process
// that has become the unprivileged user 65534 when the tests run as root, else in
// this process. Gives check's result (90 and up when the child failed itself).
// Folders the child must reach need permissions for others (see openUp).
int runUnprivileged(const std::function<int()>& check);

// Makes the folder and every folder above it up to the temporary folder
// reachable by other users (0755).
void openUp(const std::filesystem::path& folder);

// Bytes from a string literal's characters (which may hold "\0").
Bytes bytesOf(std::string_view s);

// A u8"" literal as a std::string.
inline std::string u8s(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

}  // namespace tagshelf::test
