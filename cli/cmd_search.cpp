// tagshelf-cli search TEXT [--catalogue FILE] [--sort CAPTION-OR-FIELD]: the
// records the window's search shows, in its order, one JSON object per line.
#include <optional>
#include <ostream>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/catalogue_option.h"
#include "cli/commands.h"
#include "cli/tag_json.h"
#include "core/toolkit.h"
#include "views/list_presenter.h"
#include "views/sort.h"

namespace tagshelf::cli {
namespace {

void printSearchHelp(std::ostream& os) {
    os << "usage: tagshelf-cli search " << kArguments_search << "\n"
       << "\n"
          "Searches the catalogue as the window's \"検索\" does: the records in which\n"
          "Title, Artist, Album, Trak, Year, Day, Genre, Comment, Encode or Version\n"
          "contains TEXT (literally; ASCII letters in either case), the title hits first,\n"
          "then the artist hits not yet listed, and so on. Prints them one JSON object\n"
          "per line as `list` does, and keeps them in the table List as the window does.\n"
          "\n"
          "  --sort COLUMN     sort the hits by a column, given by its header caption\n"
          "                    (アルバム) or its name (Album), as after \"ソート\"\n"
       << kCatalogueOptionHelp
       << "\n"
          "exit status: 0 with hits, 1 without (or when the catalogue can't be read).\n";
}

}  // namespace

int cmd_search(const Invocation& call) {
    std::optional<std::string> catalogue;
    std::optional<std::string> text;
    std::string sortColumn;
    bool options = true;
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        std::string_view arg = call.args[i];
        if (options && (arg == "--help" || arg == "-h")) {
            printSearchHelp(call.out);
            return kExitOk;
        }
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--catalogue" || arg == "--sort") &&
                   i + 1 < call.args.size()) {
            (arg == "--catalogue" ? catalogue.emplace() : sortColumn) = std::string(call.args[++i]);
        } else if (!text && !arg.empty() && (!options || !arg.starts_with("--"))) {
            text = std::string(arg);
        } else {
            call.err << "usage: tagshelf-cli search " << kArguments_search << '\n';
            return kExitUsage;
        }
    }
    const std::string caption = captionOf(sortColumn);
    if (!text || (!sortColumn.empty() && caption.empty())) {
        call.err << "usage: tagshelf-cli search " << kArguments_search << '\n';
        return kExitUsage;
    }

    ScriptedToolkit toolkit;
    printMessagesTo(toolkit, call.err);
    Catalogue cat(toolkit);
    if (!chooseCatalogue(cat, catalogue, call.err)) return kExitFailure;
    ListPresenter list(cat);
    if (!caption.empty()) list.sort(caption);
    list.search(*text);
    if (!list.searchMode()) return kExitFailure;
    for (std::int64_t row = 1; row <= list.count(); ++row)
        call.out << jsonLine(toJson(*list.recordAt(row))) << '\n';
    return kExitOk;
}

}  // namespace tagshelf::cli
