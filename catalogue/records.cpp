#include "catalogue/records.h"

#include <cctype>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "core/text.h"

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

std::string columnList() {
    std::string out;
    for (const Column& c : kColumns) {
        if (!out.empty()) out += ", ";
        out += c.name;
    }
    return out;
}

std::string_view valueName(const Column& column) {
    return column.caption.empty() ? std::string_view("ジャンル番号") : column.caption;
}

std::optional<std::string> tooLongValue(const Record& r) {
    for (const Column& c : kColumns) {
        const std::size_t length = utf8Length(r.*c.member);
        if (length > static_cast<std::size_t>(c.maxLength)) {
            return std::string(valueName(c)) + "が長すぎます（" + std::to_string(length) +
                   "文字、最大" + std::to_string(c.maxLength) + "文字）";
        }
    }
    return std::nullopt;
}

const Record& RecordList::at(std::int64_t i) const {
    static const Record empty;
    if (i < 0 || static_cast<std::size_t>(i) >= entries.size()) return empty;
    return entries[static_cast<std::size_t>(i)];
}

std::int32_t fncDbReadCount(Catalogue& cat, std::string_view source) {
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return 0;
    std::string sql = isSelect(source) ? "SELECT count(*) FROM (" + std::string(source) + ")"
                                       : "SELECT count(*) FROM " + quoteIdentifier(source);
    Result<Statement> st = conn.prepare(sql);
    Result<bool> row = st ? st->step() : Result<bool>(st.error());
    if (!row) {
        showDbError(cat, "fncDbReadCount : ", row.error());
        return 0;
    }
    return *row ? static_cast<std::int32_t>(st->integer(0)) : 0;
}

void readRecord(const Statement& st, Record& r) {
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        st.textInto(static_cast<int>(c), r.*kColumns[c].member);
}

Status appendRecord(DbConnection& conn, std::string_view table, const Record& r) {
    // The statement's text is made once per table: appends come by the thousand.
    thread_local std::string lastTable;
    thread_local std::string sql;
    if (sql.empty() || table != lastTable) {
        lastTable = table;
        sql = "INSERT INTO " + quoteIdentifier(table) + " (" + columnList() + ") VALUES (";
        for (std::size_t c = 0; c < kColumns.size(); ++c)
            sql += c ? ", ?" : "?";
        sql += ")";
    }
    Result<Statement> st = conn.prepare(sql);
    if (!st) return st.status();
    // The record outlives the statement's run: its texts needn't be copied.
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        st->bindUncopied(static_cast<int>(c) + 1, r.*kColumns[c].member);
    return st->run();
}

Status updateRecord(DbConnection& conn, std::string_view table, std::string_view filePath,
                    const Record& r) {
    const std::string name = quoteIdentifier(table);
    std::string sql = "UPDATE " + name + " SET ";
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        sql += (c ? ", " : "") + std::string(kColumns[c].name) + " = ?";
    }
    sql +=
        " WHERE rowid = (SELECT rowid FROM " + name + " WHERE FilePath = ? ORDER BY rowid LIMIT 1)";
    Result<Statement> st = conn.prepare(sql);
    if (!st) return st.status();
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        st->bind(static_cast<int>(c) + 1, r.*kColumns[c].member);
    st->bind(static_cast<int>(kColumns.size()) + 1, filePath);
    if (Status s = st->run(); !s) return s;
    if (sqlite3_changes(conn.handle()) == 0) {
        // The number of the old engine's "no current record" error.
        return Error{3021, "カタログにこのファイルのレコードがありません。", "TagShelf", {}};
    }
    return {};
}

Status loadRecords(Catalogue& cat, std::string_view select, RecordList& list,
                   std::size_t expected) {
    DbConnection conn;
    if (Status s = openCatalogue(cat, conn); !s) return s;
    Result<Statement> st = conn.prepare(select);
    if (!st) return st.status();
    std::vector<Record>& entries = list.entries;
    entries.reserve(expected + 1);
    std::size_t n = 0;
    for (;;) {
        Result<bool> row = st->step();
        if (!row) return row.status();
        if (!*row) break;
        if (n == entries.size()) entries.emplace_back();
        readRecord(*st, entries[n++]);
    }
    entries.resize(n + 1);
    entries[n] = Record{};
    return {};
}

std::int32_t subDbRead(Catalogue& cat, RecordList& list) {
    std::int32_t count = fncDbReadCount(cat, "FileList");
    if (count == 0) return 0;
    // A read that fails leaves as many empty entries as rows were counted.
    auto blank = [&] { list.entries.assign(static_cast<std::size_t>(count) + 1, Record{}); };
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) {
        blank();
        return count;
    }
    // Another program may add rows after the count: the list keeps them all.
    if (Status s = loadRecords(cat, "SELECT " + columnList() + " FROM FileList ORDER BY rowid",
                               list, static_cast<std::size_t>(count));
        !s) {
        blank();
        showDbError(cat, "subDbRead : ", s.error());
    }
    return count;
}

}  // namespace tagshelf
