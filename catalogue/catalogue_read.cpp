#include "catalogue/catalogue_read.h"

#include <cctype>
#include <string>

#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "catalogue/state.h"

namespace tagshelf {

namespace {

bool isSelect(std::string_view source) {
    std::size_t i = source.find_first_not_of(" \t\r\n");
    if (i == std::string_view::npos || source.size() - i < 6) return false;
    for (std::size_t k = 0; k < 6; ++k) {
        if (std::toupper(static_cast<unsigned char>(source[i + k])) != "SELECT"[k]) return false;
    }
    return true;
}

}  // namespace

std::int32_t fncDbReadCount(AppState& state, std::string_view source) {
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return 0;
    std::string sql = isSelect(source) ? "SELECT count(*) FROM (" + std::string(source) + ")"
                                       : "SELECT count(*) FROM " + quoteIdentifier(source);
    Result<Statement> st = conn.prepare(sql);
    Result<bool> row = st ? st->step() : Result<bool>(st.error());
    if (!row) {
        showDbError(state, "fncDbReadCount : ", row.error());
        return 0;
    }
    return *row ? static_cast<std::int32_t>(st->integer(0)) : 0;
}

void subDbRead(AppState& state) {
    state.glngRecordCount = fncDbReadCount(state, "FileList");
    if (state.glngRecordCount == 0) return;
    state.records.entries.assign(static_cast<std::size_t>(state.glngRecordCount) + 1, Record{});
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return;
    Result<Statement> st = conn.prepare(
        "SELECT Title, Artist, Album, Trak, Year, Day, GenreNo, Genre, Comment, Version, "
        "Encode, FilePath FROM FileList ORDER BY rowid");
    if (!st) {
        showDbError(state, "subDbRead : ", st.error());
        return;
    }
    auto& entries = state.records.entries;
    for (std::size_t i = 0;; ++i) {
        Result<bool> row = st->step();
        if (!row) {
            showDbError(state, "subDbRead : ", row.error());
            return;
        }
        if (!*row) break;
        // Another program may have added rows since the count: keep them all.
        if (i + 1 >= entries.size()) entries.resize(i + 2);
        Record& r = entries[i];
        // A NULL (a value another program left out) reads as the empty text.
        r.Title = st->text(0);
        r.Artist = st->text(1);
        r.Album = st->text(2);
        r.Trak = st->text(3);
        r.Year = st->text(4);
        r.Day = st->text(5);
        r.GenreNo = st->text(6);
        r.Genre = st->text(7);
        r.Comment = st->text(8);
        r.Version = st->text(9);
        r.Encode = st->text(10);
        r.FilePath = st->text(11);
    }
}

void subListClear(AppState& state) {
    state.glngRecordCount = 0;
    state.records.entries.clear();
}

}  // namespace tagshelf
