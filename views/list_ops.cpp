#include "views/list_ops.h"

#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"
#include "core/toolkit.h"

namespace tagshelf {

namespace {

bool confirmed(Catalogue& cat, const std::string& question) {
    return cat.toolkit.messageBox(question, MsgButtons::YesNo, MsgIcon::Question, MsgAnswer::Yes) ==
           MsgAnswer::Yes;
}

}  // namespace

bool subDbDelete(Catalogue& cat, std::string_view key, std::string_view table) {
    if (fncDbReadCount(cat, table) == 0) return true;
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return false;
    Status done;
    if (!key.empty()) {
        Result<Statement> match =
            conn.prepare("SELECT 1 FROM " + quoteIdentifier(table) + " WHERE FilePath = ? LIMIT 1");
        Result<bool> found = match ? match->bind(1, key).step() : Result<bool>(match.error());
        if (!found) {
            showDbError(cat, "subDbDelete : ", found.error());
            return false;
        }
        if (!*found) return true;  // no row carries that path: nothing to ask about
        if (!confirmed(cat, std::string(key) + "のレコードを削除しますか？")) return true;
        Result<Statement> st =
            conn.prepare("DELETE FROM " + quoteIdentifier(table) + " WHERE FilePath = ?");
        done = st ? st->bind(1, key).run() : st.status();
    } else {
        if (table != "List" && !confirmed(cat, std::string(table) + "のテーブルを削除しますか？")) {
            return true;
        }
        done = conn.exec("DELETE FROM " + quoteIdentifier(table));
    }
    if (!done) showDbError(cat, "subDbDelete : ", done.error());
    return done.ok();
}

void subDbDropTable(Catalogue& cat, std::string_view table) {
    if (fncNoTable(cat, table)) return;
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return;
    if (Status s = conn.exec("DROP TABLE " + quoteIdentifier(table)); !s) {
        showDbError(cat, "subDbDropTable : ", s.error());
    }
}

}  // namespace tagshelf
