// A catalogue in a fresh temporary program folder, with a scripted toolkit.
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"
#include "core/toolkit.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {

class CatalogueFixture {
  public:
    // ".../TagShelf" with an empty catalogue file; `tables`: FileList and GENRE.
    explicit CatalogueFixture(bool tables = true) : dir("TagShelf"), cat(toolkit) {
        cat.gstrAppPath = dir.str();
        cat.gstrDbName = "\\TagShelfList.mdb";
        writeText(dbPath(), "");
        if (tables) {
            Status s = fncCreateTable(cat, "FileList");
            if (!s) throw std::runtime_error(s.error().description);
            fncCreateGenre(cat);
        }
    }

    std::string dbPath() const { return dir.file("TagShelfList.mdb"); }

    // Appends a row of values in column order (Title … FilePath), missing ones " ".
    void addRow(const std::vector<std::string>& values, const char* table = "FileList") {
        DbConnection conn;
        if (!openCatalogue(cat, conn)) throw std::runtime_error("open");
        Record r;
        for (std::size_t i = 0; i < kColumns.size(); ++i)
            r.*kColumns[i].member = i < values.size() ? values[i] : std::string(" ");
        if (Status s = appendRecord(conn, table, r); !s) {
            throw std::runtime_error(s.error().description);
        }
    }

    // The first column of every row a statement gives (none for one that changes the catalogue).
    std::vector<std::string> column(const std::string& sql) {
        DbConnection conn;
        std::vector<std::string> out;
        if (!openCatalogue(cat, conn)) return out;
        Result<Statement> st = conn.prepare(sql);
        if (!st) throw std::runtime_error(st.error().description);
        while (true) {
            Result<bool> row = st->step();
            if (!row) throw std::runtime_error(row.error().description);
            if (!*row) break;
            out.push_back(st->text(0));
        }
        return out;
    }

    TempDir dir;
    ScriptedToolkit toolkit;
    Catalogue cat;
};

}  // namespace tagshelf::test
