#include "catalogue/catalogue_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/text.h"

namespace tagshelf {

namespace {

// The schema read through a read-only connection. SQLite itself tells a file
// that is no database, and a database cut short (shorter than its header says).
bool schemaReadable(const std::string& path) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
    // Only a file that is no database, or one whose pages are damaged, is
    // refused: a catalogue busy in another program is still one, and so is one
    // with a journal that a crash left to be played back.
    return (rc & 0xFF) != SQLITE_NOTADB && (rc & 0xFF) != SQLITE_CORRUPT;
}

}  // namespace

CatalogueFile fncCatalogueFileKind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? CatalogueFile::Missing
                                                   : CatalogueFile::NotACatalogue;
    }
    if (!S_ISREG(st.st_mode)) return CatalogueFile::NotACatalogue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return CatalogueFile::NotACatalogue;
    ::close(fd);
    // An empty file becomes a catalogue when the tables are made.
    if (st.st_size > 0 && !schemaReadable(path)) return CatalogueFile::NotACatalogue;
    return CatalogueFile::Usable;
}

std::string notACatalogueMessage(const std::string& path) {
    return "カタログファイル「" + pathForDisplay(path) +
           "」はTagShelfのカタログではありません（データベースでないか、読み込めません）。\n"
           "このファイルには何も書き込まずに終了します。";
}

}  // namespace tagshelf
