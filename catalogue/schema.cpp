#include "catalogue/schema.h"

#include <cctype>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/records.h"

namespace tagshelf {

namespace {

std::string trimmedUpper(std::string_view s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(' ');
    std::string out(s.substr(b, e - b + 1));
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string quoteIdentifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}

bool fncNoTable(Catalogue& cat, std::string_view name) {
    DbConnection conn;
    if (!openCatalogue(cat, conn)) return false;
    Result<Statement> st = conn.prepare("SELECT type, name FROM sqlite_master");
    if (!st) return false;
    for (;;) {
        Result<bool> row = st->step();
        if (!row) return false;
        if (!*row) break;
        std::string tableName = st->text(1);
        // The engine's own tables (sqlite_…) are system tables, not ours.
        if (trimmedUpper(st->text(0)) == "TABLE" && tableName.rfind("sqlite_", 0) != 0 &&
            tableName == name) {
            return false;
        }
    }
    return true;
}

// The statements that make a table with the FileList columns and its index.
std::string createTableSql(std::string_view table) {
    std::string sql = "CREATE TABLE " + quoteIdentifier(table) + " (";
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const std::string column(kColumns[i].name);
        if (i > 0) sql += ", ";
        sql += column + " TEXT CHECK (length(" + column +
               ") <= " + std::to_string(kColumns[i].maxLength) + ")";
    }
    return sql + ")";
}

// Catalogue rows are looked up by their path, so the path gets an index. List,
// emptied and filled again by every search, is looked up by path only after an
// edit: there an index would cost more to keep up than it saves ("" for none).
std::string createIndexSql(std::string_view table) {
    if (table == "List") return {};
    return "CREATE INDEX " + quoteIdentifier(std::string(table) + "_FilePath") + " ON " +
           quoteIdentifier(table) + " (FilePath)";
}

Status fncCreateTable(Catalogue& cat, std::string_view name) {
    if (!fncNoTable(cat, name)) return {};
    DbConnection conn;
    if (Status s = openCatalogue(cat, conn); !s) return s;
    return conn.atomically([&]() -> Status {
        if (Status s = conn.exec(createTableSql(name)); !s) return s;
        const std::string index = createIndexSql(name);
        return index.empty() ? Status() : conn.exec(index);
    });
}

namespace {

// True when `name` is a table of exactly the FileList columns whose definition is
// not today's.
Result<bool> madeByAnEarlierBuild(DbConnection& conn, std::string_view name) {
    Result<Statement> stored =
        conn.prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?");
    if (!stored) return stored.status();
    Result<bool> found = stored->bind(1, name).step();
    if (!found) return found.status();
    if (!*found || stored->text(0) == createTableSql(name)) return false;
    Result<Statement> info =
        conn.prepare("SELECT group_concat(name, ', ') FROM pragma_table_info(?)");
    if (!info) return info.status();
    Result<bool> row = info->bind(1, name).step();
    if (!row) return row.status();
    return *row && info->text(0) == columnList();
}

}  // namespace

Status subMigrateTable(Catalogue& cat, std::string_view name) {
    DbConnection conn;
    // A catalogue that can't be opened has nothing to bring up to date; the
    // steps after this one report it.
    if (!openCatalogue(cat, conn)) return {};
    Result<bool> earlier = madeByAnEarlierBuild(conn, name);
    if (!earlier || !*earlier) return earlier.status();
    const std::string table = quoteIdentifier(name);
    const std::string fresh = quoteIdentifier(std::string(name) + "_tagshelf_new");
    std::string create = createTableSql(name);
    create.replace(0, std::string("CREATE TABLE " + table).size(), "CREATE TABLE " + fresh);
    return conn.atomically([&]() -> Status {
        for (const std::string& sql :
             {create, "INSERT INTO " + fresh + " SELECT " + columnList() + " FROM " + table,
              "DROP TABLE " + table, "ALTER TABLE " + fresh + " RENAME TO " + table,
              createIndexSql(name)}) {
            if (sql.empty()) continue;
            if (Status s = conn.exec(sql); !s) return s;
        }
        return Status{};
    });
}

bool subCreateTables(Catalogue& cat) {
    bool made = true;
    // A catalogue made by an earlier build is brought to today's columns first.
    for (const char* table : {"FileList", "List"}) {
        if (Status s = subMigrateTable(cat, table); !s) {
            cat.toolkit.showError("subMigrateTable : ", s.error());
        }
    }
    if (Status s = fncCreateTable(cat, "FileList"); !s) {
        cat.toolkit.showError("fncCreateTable : ", s.error());
        cat.toolkit.notice("テーブルの作成に失敗しました（FileList）");
        made = false;
    }
    if (!fncCreateGenre(cat)) cat.toolkit.notice("テーブルの作成に失敗しました（Genre）");
    return made;
}

}  // namespace tagshelf
