// tagshelf-cli list [--catalogue FILE] [--table FileList|List]: prints the rows of a
// catalogue table in their stored order, one JSON object per row.
#include <optional>
#include <ostream>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"
#include "cli/catalogue_option.h"
#include "cli/commands.h"
#include "cli/tag_json.h"
#include "core/toolkit.h"

namespace tagshelf::cli {
namespace {

void printListHelp(std::ostream& os) {
    os << "usage: tagshelf-cli list " << kArguments_list << "\n"
       << "\n"
          "Prints every row of the table (FileList, the catalogue, by default; List, the\n"
          "last search result) in its stored order, one JSON object per line with the\n"
          "twelve columns Title, Artist, Album, Trak, Year, Day, Genre, GenreNo, Comment,\n"
          "Encode, Version, FilePath, values exactly as stored (an empty value is one\n"
          "space).\n"
          "\n"
       << kCatalogueOptionHelp;
}

}  // namespace

int cmd_list(const Invocation& call) {
    std::optional<std::string> catalogue;
    std::string table = "FileList";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        std::string_view arg = call.args[i];
        if (arg == "--help" || arg == "-h") {
            printListHelp(call.out);
            return kExitOk;
        }
        if ((arg == "--catalogue" || arg == "--table") && i + 1 < call.args.size()) {
            (arg == "--catalogue" ? catalogue.emplace() : table) = std::string(call.args[++i]);
            continue;
        }
        call.err << "usage: tagshelf-cli list " << kArguments_list << '\n';
        return kExitUsage;
    }
    if (table != "FileList" && table != "List") {
        call.err << "tagshelf-cli list: --table is FileList or List\n";
        return kExitUsage;
    }

    ScriptedToolkit toolkit;
    printMessagesTo(toolkit, call.err);
    Catalogue cat(toolkit);
    if (!chooseCatalogue(cat, catalogue, call.err)) return kExitFailure;

    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return kExitFailure;
    std::string sql =
        "SELECT " + columnList() + " FROM " + quoteIdentifier(table) + " ORDER BY rowid";
    Result<Statement> st = conn.prepare(sql);
    if (!st) {
        call.err << "tagshelf-cli list: " << st.error().description << '\n';
        return kExitFailure;
    }
    for (;;) {
        Result<bool> row = st->step();
        if (!row) {
            call.err << "tagshelf-cli list: " << row.error().description << '\n';
            return kExitFailure;
        }
        if (!*row) break;
        Record record;
        readRecord(*st, record);
        Json line = toJson(record);
        // A value another program left out shows as null.
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            if (st->isNull(static_cast<int>(c))) line[std::string(kColumns[c].name)] = nullptr;
        }
        call.out << jsonLine(line) << '\n';
    }
    return kExitOk;
}

}  // namespace tagshelf::cli
