#include "views/sort.h"

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"

namespace tagshelf {

std::string fncFieldName(std::string_view caption) {
    for (const Column& c : kColumns) {
        if (!c.caption.empty() && c.caption == caption) return std::string(c.name);
    }
    return {};
}

std::string captionOf(std::string_view captionOrField) {
    for (const Column& c : kColumns) {
        if (!c.caption.empty() && (c.caption == captionOrField || c.name == captionOrField)) {
            return std::string(c.caption);
        }
    }
    return {};
}

bool fncDbSortRead(Catalogue& cat, std::string_view table, std::string_view field,
                   RecordList& list) {
    if (fncDbReadCount(cat, table) == 0) return false;
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return false;
    std::string order = "rowid";
    for (const Column& c : kColumns) {
        if (c.name == field) order = std::string(c.name) + " COLLATE BINARY, rowid";
    }
    const std::string select =
        "SELECT " + columnList() + " FROM " + quoteIdentifier(table) + " ORDER BY " + order;
    if (Status s = loadRecords(cat, select, list); !s) {
        showDbError(cat, "fncDbSortRead : ", s.error());
        return false;
    }
    return true;
}

}  // namespace tagshelf
