#include "core/process_check.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <fstream>

#include "core/toolkit.h"

namespace tagshelf {

namespace {

bool isNumeric(const char* s) {
    if (!*s) return false;
    for (; *s; ++s) {
        if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    }
    return true;
}

std::string baseName(std::string path) {
    // A running executable that was replaced or removed reads "… (deleted)".
    static const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        path.resize(path.size() - deleted.size());
    }
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The executable's file name: from the exe link, or from comm when the link can't
// be read.
std::string executableName(const std::string& dir) {
    char buffer[4096];
    ssize_t n = ::readlink((dir + "/exe").c_str(), buffer, sizeof buffer - 1);
    if (n > 0) return baseName(std::string(buffer, static_cast<std::size_t>(n)));
    std::ifstream comm(dir + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// A process that has ended but not been waited for yet (a zombie) still has its
// folder; its state in stat, after the name in parentheses, is Z (or X).
bool hasEnded(const std::string& dir) {
    std::ifstream in(dir + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t close = stat.rfind(") ");
    if (close == std::string::npos || close + 2 >= stat.size()) return false;
    return stat[close + 2] == 'Z' || stat[close + 2] == 'X';
}

}  // namespace

bool isProgramName(const std::string& name) {
    return name == "TagShelf" || name.rfind("TagShelf.", 0) == 0;
}

bool fncProcessCheck(Toolkit& toolkit, const std::string& procRoot) {
    DIR* dir = ::opendir(procRoot.c_str());
    if (!dir) {
        toolkit.notice("スナップショットの取得は失敗");
        return true;
    }
    uid_t me = ::getuid();
    int entries = 0;
    int count = 0;
    while (dirent* e = ::readdir(dir)) {
        if (!isNumeric(e->d_name)) continue;
        std::string path = procRoot + "/" + e->d_name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) continue;  // the process has ended
        ++entries;
        if (st.st_uid != me) continue;
        if (isProgramName(executableName(path)) && !hasEnded(path)) ++count;
    }
    ::closedir(dir);
    if (entries == 0) {
        toolkit.notice("プロセスエントリの取得は失敗");
        return true;
    }
    return count >= 2;
}

}  // namespace tagshelf
