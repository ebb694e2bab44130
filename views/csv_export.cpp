#include "views/csv_export.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/record_list.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"
#include "core/codepage.h"
#include "core/file_ops.h"

namespace tagshelf {

namespace {

using fileops::File;
using fileops::fileSystem;

void appendCsvValue(std::string& out, std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += value;
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// The file a path names: the target of a symbolic link, so that the link stays.
std::string resolvedPath(const std::string& path) {
    struct stat st {};
    if (fileSystem().lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&::free)> real(::realpath(path.c_str(), nullptr), &::free);
    return real ? std::string(real.get()) : path;
}

// Creates a new file beside `path` for the content; its name ends in ".part".
Result<File> createBeside(const std::string& path) {
    for (int n = 0;; ++n) {
        const std::string name = path + ".part" + (n ? std::to_string(n) : "");
        Result<File> file = File::open(name, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (file || file.error().number != EEXIST || n == 99) return file;
    }
}

// Writes `bytes` as the whole content of `givenPath`, replacing a file there in
// one rename once the new content is on disk. An existing file's permissions are
// kept.
Status replaceWholeFile(const std::string& givenPath, std::string_view bytes) {
    const std::string path = resolvedPath(givenPath);
    Result<File> file = createBeside(path);
    if (!file) return file.status();
    const std::string partName = file->path();
    Status s =
        file->writeAt({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, 0);
    struct stat existing {};
    if (s && fileSystem().lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        s = file->chmod(existing.st_mode & 07777);
    }
    if (s) s = file->sync();
    if (s) s = file->close();
    if (s && fileSystem().rename(partName.c_str(), path.c_str()) != 0) {
        s = systemError(errno, "rename " + partName);
    }
    if (!s) {
        (void)file->close();
        (void)fileSystem().unlink(partName.c_str());
        return s;
    }
    return fileops::syncFolder(fileops::folderOf(path));
}

}  // namespace

std::string csvValue(std::string_view value) {
    std::string out;
    appendCsvValue(out, value);
    return out;
}

Result<std::string> csvText(Catalogue& cat, std::string_view table) {
    DbConnection conn;
    if (Status s = openCatalogue(cat, conn); !s) return s.error();
    // The lines are made in the table's order and then put in title order, rows
    // with equal titles in table order: sorting small line references costs far
    // less than letting the database sort whole rows.
    Result<Statement> st = conn.prepare("SELECT " + columnList() + " FROM " +
                                        quoteIdentifier(table) + " ORDER BY rowid");
    if (!st) return st.error();
    int title = 0;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        if (kColumns[c].member == &Record::Title) title = static_cast<int>(c);
    }
    struct Line {
        std::size_t titleAt, titleLength, at, length;
    };
    std::vector<Line> lines;
    std::string titles;
    std::string body;
    for (;;) {
        Result<bool> row = st->step();
        if (!row) return row.error();
        if (!*row) break;
        const std::string_view t = st->view(title);
        Line& line = lines.emplace_back(Line{titles.size(), t.size(), body.size(), 0});
        titles += t;
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            if (c > 0) body += ',';
            appendCsvValue(body, st->view(static_cast<int>(c)));
        }
        body += "\r\n";
        line.length = body.size() - line.at;
    }
    const std::string_view allTitles = titles;
    std::stable_sort(lines.begin(), lines.end(), [&](const Line& a, const Line& b) {
        return allTitles.substr(a.titleAt, a.titleLength) <
               allTitles.substr(b.titleAt, b.titleLength);
    });
    std::string text;
    text.reserve(body.size() + 2);
    for (const Line& line : lines)
        text.append(body, line.at, line.length);
    text += "\r\n";
    return text;
}

bool subWriteCsv(Catalogue& cat, std::string_view table, const std::string& path,
                 CsvEncoding encoding) {
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return false;
    Result<std::string> text = csvText(cat, table);
    if (!text) {
        showDbError(cat, "ListSave_Click : ", text.error());
        return false;
    }
    const std::string bytes =
        encoding == CsvEncoding::Cp932 ? codepage::encode(*text) : std::move(*text);
    if (Status s = replaceWholeFile(path, bytes); !s) {
        cat.toolkit.notice("CSVファイルを保存できませんでした。\n" + path + "\n" +
                           s.error().description);
        return false;
    }
    return true;
}

void subCsvSave(Catalogue& cat, std::string_view table) {
    if (fncDbReadCount(cat, "FileList") < 1) return;
    std::optional<std::string> path = cat.toolkit.saveFileDialog(kCsvFilter);
    if (!path) return;
    subWriteCsv(cat, table, *path);
}

}  // namespace tagshelf
