#include "cli/catalogue_option.h"

#include "catalogue/catalogue.h"
#include "catalogue/startup.h"
#include "core/toolkit.h"

namespace tagshelf::cli {

bool chooseCatalogue(Catalogue& cat, const std::optional<std::string>& given, std::ostream& err) {
    cat.gstrAppPath = currentDirectory();
    cat.legacyText = legacyTextFromIni(cat.gstrAppPath);
    if (given) {
        cat.fileOverride = *given;
        return true;
    }
    cat.gstrDbName = catalogueNameFromIni(cat.gstrAppPath);
    if (cat.gstrDbName.empty()) {
        err << "データベース名の取得に失敗しました\n"
               "tagshelf-cli: no TagShelf.ini naming a catalogue here; give --catalogue FILE\n";
        return false;
    }
    return true;
}

void printMessagesTo(ScriptedToolkit& toolkit, std::ostream& err) {
    toolkit.onMessage = [&err](const ScriptedToolkit::Message& m) {
        std::string line = m.prompt;
        if (m.error) {
            // An error as one readable line: procedure, number, description, source.
            std::string label = m.label.substr(0, m.label.find(" : "));
            line = label + ": error " + std::to_string(m.error->number) + ": " +
                   m.error->description + " (" + m.error->source + ")";
        }
        for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at)) {
            line.replace(at, 1, " | ");
        }
        err << line << '\n';
    };
}

}  // namespace tagshelf::cli
