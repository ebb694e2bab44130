#include "tests/support/test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tagshelf::test {

TempDir::TempDir(std::string_view suffix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tagshelf-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    std::filesystem::path base(pattern);
    if (suffix.empty()) {
        path_ = base;
    } else {
        path_ = base / suffix;
        std::filesystem::create_directory(path_);
        base_ = base;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::path top = base_.empty() ? path_ : base_;
    // Give back write permission a test may have taken away, then remove all.
    for (auto it = std::filesystem::recursive_directory_iterator(
             top, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0700);
    }
    chmod(top.c_str(), 0700);
    std::filesystem::remove_all(top, ec);
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void writeText(const std::string& path, std::string_view text) {
    writeFile(path, Bytes(text.begin(), text.end()));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("cannot read " + path);
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::string readText(const std::string& path) {
    Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

int runUnprivileged(const std::function<int()>& check) {
    if (::geteuid() != 0) return check();
    pid_t pid = ::fork();
    if (pid < 0) return 98;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

}  // namespace tagshelf::test
