#include "views/search.h"

#include <algorithm>
#include <unordered_set>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/record_list.h"
#include "catalogue/records.h"

namespace tagshelf {

namespace {

char lowerAsciiChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// tagshelf_search_hit(text, column, ...): 1 when a column contains the text as
// the search matches it. SQLite applies it to each row, so the rows without a
// hit (most of them) never come out of the query.
void searchHit(sqlite3_context* context, int argc, sqlite3_value** argv) {
    // The bytes of a text as stored: unlike sqlite3_value_text, sqlite3_value_blob
    // needn't copy a text read from the file to add a terminating NUL.
    const auto textOf = [&](int i) {
        const void* p = sqlite3_value_blob(argv[i]);
        return p ? std::string_view(static_cast<const char*>(p),
                                    static_cast<std::size_t>(sqlite3_value_bytes(argv[i])))
                 : std::string_view();
    };
    const std::string_view needle = argc > 0 ? textOf(0) : std::string_view();
    bool hit = false;
    for (int i = 1; i < argc && !hit; ++i)
        hit = containsFolded(textOf(i), needle);
    sqlite3_result_int(context, hit ? 1 : 0);
}

}  // namespace

std::vector<std::size_t> searchedColumns() {
    std::vector<std::size_t> passes;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        const auto member = kColumns[c].member;
        if (member != &Record::GenreNo && member != &Record::FilePath) passes.push_back(c);
    }
    return passes;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAsciiChar);
    return out;
}

bool containsFolded(std::string_view value, std::string_view lowerNeedle) {
    const std::size_t n = lowerNeedle.size();
    if (n == 0) return true;
    if (value.size() < n) return false;
    const char first = lowerNeedle[0];
    const char firstUpper =
        first >= 'a' && first <= 'z' ? static_cast<char>(first - 'a' + 'A') : first;
    // UTF-8 never starts a character inside another, so a byte match is a
    // character match.
    for (std::size_t i = 0; i + n <= value.size(); ++i) {
        if (value[i] != first && value[i] != firstUpper) continue;
        std::size_t k = 1;
        while (k < n && lowerAsciiChar(value[i + k]) == lowerNeedle[k])
            ++k;
        if (k == n) return true;
    }
    return false;
}

std::int32_t fncDbSearch(Catalogue& cat, std::string_view text, RecordList& hits) {
    if (fncDbReadCount(cat, "FileList") < 1) return 0;
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return 0;

    // One walk over the table in its stored order finds, for every row, the
    // first pass that would list it; the rows listed by pass p are then those
    // found at p, in table order. The text never becomes part of SQL.
    const std::vector<std::size_t> passes = searchedColumns();
    const std::string needle = lowerAscii(text);
    std::vector<std::vector<Record>> found(passes.size());
    // The filter leaves out rows without a hit before they become result rows;
    // without it (it could not be defined) every row comes out. Either way the
    // passes below decide.
    std::string sql = "SELECT " + columnList() + " FROM FileList";
    if (sqlite3_create_function_v2(conn.handle(), "tagshelf_search_hit", -1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
                                   searchHit, nullptr, nullptr, nullptr) == SQLITE_OK) {
        sql += " WHERE tagshelf_search_hit(?";
        for (std::size_t c : passes)
            sql += ", " + std::string(kColumns[c].name);
        sql += ")";
    }
    Result<Statement> st = conn.prepare(sql + " ORDER BY rowid");
    if (!st) {
        showDbError(cat, "fncDbSearch : ", st.error());
        return 0;
    }
    if (sql.find('?') != std::string::npos) st->bind(1, needle);
    for (;;) {
        Result<bool> row = st->step();
        if (!row) {
            showDbError(cat, "fncDbSearch : ", row.error());
            return 0;
        }
        if (!*row) break;
        for (std::size_t p = 0; p < passes.size(); ++p) {
            if (containsFolded(st->view(static_cast<int>(passes[p])), needle)) {
                readRecord(*st, found[p].emplace_back());
                break;
            }
        }
    }

    // A path already listed is not listed again (another program may have
    // stored one path twice).
    std::vector<Record> entries;
    std::unordered_set<std::string> listed;
    for (std::vector<Record>& pass : found) {
        for (Record& r : pass) {
            if (listed.insert(r.FilePath).second) entries.push_back(std::move(r));
        }
    }
    const auto n = static_cast<std::int32_t>(entries.size());
    entries.emplace_back();  // the spare entry after the last hit
    hits.entries = std::move(entries);
    return n;
}

bool fncInWk(Catalogue& cat, std::string_view table, const RecordList& list, std::int32_t count) {
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return false;
    Status s = conn.atomically([&]() -> Status {
        for (std::int32_t i = 0; i < count; ++i) {
            if (Status row = appendRecord(conn, table, list.at(i)); !row) return row;
        }
        return {};
    });
    if (!s) showDbError(cat, "fncInWk : ", s.error());
    return s.ok();
}

}  // namespace tagshelf
