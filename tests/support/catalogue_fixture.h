// A program state in a fresh temporary program folder, with a scripted toolkit,
// for tests of everything that works on the catalogue.
#pragma once

#include <string>
#include <vector>

#include "app/toolkit.h"
#include "catalogue/catalogue_read.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "catalogue/state.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {

class CatalogueFixture {
  public:
    // A program folder ".../TagShelf" holding an empty catalogue file; with
    // `tables`, FileList and GENRE are created as a start does.
    explicit CatalogueFixture(bool tables = true) : dir("TagShelf"), state(toolkit) {
        state.gstrAppPath = dir.str();
        state.gstrDbName = "\\TagShelfList.mdb";
        writeText(dbPath(), "");
        if (tables) {
            Status s = fncCreateTable(state, "FileList");
            if (!s) throw std::runtime_error(s.error().description);
            fncCreateGenre(state);
        }
    }

    std::string dbPath() const { return dir.file("TagShelfList.mdb"); }

    // Appends a FileList row; the values go to the columns in table order
    // (Title … FilePath), missing ones as one space.
    void addRow(const std::vector<std::string>& values, const char* table = "FileList") {
        DbConnection conn;
        if (!openCatalogue(state, conn)) throw std::runtime_error("open");
        std::string sql = "INSERT INTO " + quoteIdentifier(table) +
                          " (Title, Artist, Album, Trak, Year, Day, Genre, GenreNo, Comment, "
                          "Encode, Version, FilePath) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)";
        Result<Statement> st = conn.prepare(sql);
        if (!st) throw std::runtime_error(st.error().description);
        for (int i = 0; i < 12; ++i) {
            st->bind(i + 1, i < static_cast<int>(values.size())
                                ? values[static_cast<std::size_t>(i)]
                                : std::string(" "));
        }
        if (Status s = st->run(); !s) throw std::runtime_error(s.error().description);
    }

    // Runs a query and gives the first column of every row.
    std::vector<std::string> column(const std::string& sql) {
        DbConnection conn;
        std::vector<std::string> out;
        if (!openCatalogue(state, conn)) return out;
        Result<Statement> st = conn.prepare(sql);
        if (!st) throw std::runtime_error(st.error().description);
        while (true) {
            Result<bool> row = st->step();
            if (!row || !*row) break;
            out.push_back(st->text(0));
        }
        return out;
    }

    TempDir dir;
    ScriptedToolkit toolkit;
    AppState state;
};

}  // namespace tagshelf::test
