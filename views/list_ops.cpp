#include "views/list_ops.h"

#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "catalogue/state.h"

namespace tagshelf {

void subDbDropTable(AppState& state, std::string_view table) {
    if (fncNoTable(state, table)) return;
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return;
    if (Status s = conn.exec("DROP TABLE " + quoteIdentifier(table)); !s) {
        showDbError(state, "subDbDropTable : ", s.error());
    }
}

}  // namespace tagshelf
