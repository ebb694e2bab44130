// tagshelf-cli export FILE [--catalogue FILE] [--search TEXT] [--encoding
// cp932|utf-8]: the CSV file "CSVへ保存" writes.
#include <optional>
#include <ostream>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/catalogue_option.h"
#include "cli/commands.h"
#include "core/toolkit.h"
#include "views/list_presenter.h"

namespace tagshelf::cli {
namespace {

void printExportHelp(std::ostream& os) {
    os << "usage: tagshelf-cli export " << kArguments_export << "\n"
       << "\n"
          "Writes the catalogue (or, with --search, the records that search shows) to\n"
          "FILE as \"CSVへ保存\" does: one line per record in title order, the twelve\n"
          "columns Title, Artist, Album, Trak, Year, Day, Genre, GenreNo, Comment, Encode,\n"
          "Version, FilePath, no header, CR LF line ends and one empty line at the end.\n"
          "A value holding a comma, a double quote or a line break is quoted. FILE is\n"
          "replaced in one step once the whole content is written.\n"
          "\n"
          "  --search TEXT     export the records a search for TEXT finds\n"
          "  --encoding ENC    cp932 (the default: characters code page 932 can't hold\n"
          "                    become \"?\") or utf-8\n"
       << kCatalogueOptionHelp;
}

}  // namespace

int cmd_export(const Invocation& call) {
    std::optional<std::string> catalogue;
    std::optional<std::string> search;
    std::optional<std::string> file;
    std::string encoding = "cp932";
    bool options = true;
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        std::string_view arg = call.args[i];
        if (options && (arg == "--help" || arg == "-h")) {
            printExportHelp(call.out);
            return kExitOk;
        }
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--catalogue" || arg == "--search" || arg == "--encoding") &&
                   i + 1 < call.args.size()) {
            std::string value(call.args[++i]);
            if (arg == "--catalogue") catalogue = value;
            if (arg == "--search") search = value;
            if (arg == "--encoding") encoding = value;
        } else if (!file && !arg.empty() && (!options || !arg.starts_with("--"))) {
            file = std::string(arg);
        } else {
            call.err << "usage: tagshelf-cli export " << kArguments_export << '\n';
            return kExitUsage;
        }
    }
    if (!file || (encoding != "cp932" && encoding != "utf-8") || (search && search->empty())) {
        call.err << "usage: tagshelf-cli export " << kArguments_export << '\n';
        return kExitUsage;
    }

    ScriptedToolkit toolkit;
    printMessagesTo(toolkit, call.err);
    Catalogue cat(toolkit);
    if (!chooseCatalogue(cat, catalogue, call.err)) return kExitFailure;
    ListPresenter list(cat);
    if (search) {
        list.search(*search);
        if (!list.searchMode()) return kExitFailure;
    }
    const CsvEncoding enc = encoding == "cp932" ? CsvEncoding::Cp932 : CsvEncoding::Utf8;
    return list.writeCsv(*file, enc) ? kExitOk : kExitFailure;
}

}  // namespace tagshelf::cli
