#include "catalogue/catalogue_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/text.h"

namespace tagshelf {

namespace {

constexpr std::size_t kHeaderSize = 100;

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

// The header of an SQLite database file, and a size that holds all its pages.
bool soundHeader(const unsigned char* h, std::uint64_t fileSize, bool journalBeside) {
    if (std::memcmp(h, "SQLite format 3", 16) != 0) return false;
    std::uint32_t pageSize = bigEndian(h + 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return false;
    // The page count in the header is valid when its version matches the change
    // counter. A file shorter than it is cut short, unless a journal beside it
    // (left by a crash) is still to be played back.
    const std::uint32_t pages = bigEndian(h + 28, 4);
    const bool countValid = bigEndian(h + 92, 4) == bigEndian(h + 24, 4);
    return !countValid || journalBeside || fileSize >= static_cast<std::uint64_t>(pages) * pageSize;
}

// The schema read through a read-only connection.
bool schemaReadable(const std::string& path) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
    // Only a file that is no database, or one whose pages are damaged, is
    // refused: a catalogue busy in another program is still one.
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
    unsigned char header[kHeaderSize];
    const ssize_t got = ::pread(fd, header, sizeof header, 0);
    ::close(fd);
    if (st.st_size == 0) return CatalogueFile::Usable;
    struct stat journal {};
    const bool journalBeside = ::stat((path + "-journal").c_str(), &journal) == 0;
    if (got != static_cast<ssize_t>(kHeaderSize) ||
        !soundHeader(header, static_cast<std::uint64_t>(st.st_size), journalBeside) ||
        !schemaReadable(path)) {
        return CatalogueFile::NotACatalogue;
    }
    return CatalogueFile::Usable;
}

std::string notACatalogueMessage(const std::string& path) {
    return "カタログファイル「" + pathForDisplay(path) +
           "」はTagShelfのカタログではありません（データベースでないか、読み込めません）。\n"
           "このファイルには何も書き込まずに終了します。";
}

}  // namespace tagshelf
