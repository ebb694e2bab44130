#include "views/list_ops.h"

#include <string>

#include "app/toolkit.h"
#include "catalogue/catalogue_read.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "catalogue/state.h"

namespace tagshelf {

namespace {

bool confirmed(AppState& state, const std::string& question) {
    return state.toolkit.messageBox(question, MsgButtons::YesNo, MsgIcon::Question,
                                    MsgAnswer::Yes) == MsgAnswer::Yes;
}

}  // namespace

void subDbDelete(AppState& state, std::string_view key, std::string_view table) {
    if (fncDbReadCount(state, table) == 0) return;
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return;
    Status done;
    if (!key.empty()) {
        Result<Statement> match =
            conn.prepare("SELECT 1 FROM " + quoteIdentifier(table) + " WHERE FilePath = ? LIMIT 1");
        Result<bool> found = match ? match->bind(1, key).step() : Result<bool>(match.error());
        if (!found) {
            showDbError(state, "subDbDelete : ", found.error());
            return;
        }
        if (!*found) return;  // no row carries that path: nothing to ask about
        if (!confirmed(state, std::string(key) + "のレコードを削除しますか？")) return;
        Result<Statement> st =
            conn.prepare("DELETE FROM " + quoteIdentifier(table) + " WHERE FilePath = ?");
        done = st ? st->bind(1, key).run() : st.status();
    } else {
        if (table != "List" &&
            !confirmed(state, std::string(table) + "のテーブルを削除しますか？")) {
            return;
        }
        done = conn.exec("DELETE FROM " + quoteIdentifier(table));
    }
    if (!done) showDbError(state, "subDbDelete : ", done.error());
}

void subDbDropTable(AppState& state, std::string_view table) {
    if (fncNoTable(state, table)) return;
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return;
    if (Status s = conn.exec("DROP TABLE " + quoteIdentifier(table)); !s) {
        showDbError(state, "subDbDropTable : ", s.error());
    }
}

}  // namespace tagshelf
