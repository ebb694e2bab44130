#include "cli/catalogue_option.h"

#include "app/ini.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/toolkit.h"
#include "catalogue/state.h"

namespace tagshelf::cli {

bool chooseCatalogue(AppState& state, const std::optional<std::string>& given, std::ostream& err) {
    state.gstrAppPath = currentDirectory();
    if (given) {
        state.catalogueOverride = *given;
        return true;
    }
    state.gstrDbName = fncCleanText(fncGetIni(iniPath(state.gstrAppPath), "DATABASE", "NAME"));
    if (state.gstrDbName.empty()) {
        err << "データベース名の取得に失敗しました\n"
               "tagshelf-cli: no TagShelf.ini naming a catalogue here; give --catalogue FILE\n";
        return false;
    }
    return true;
}

void printMessagesTo(ScriptedToolkit& toolkit, std::ostream& err) {
    toolkit.onMessage = [&err](const ScriptedToolkit::Message& m) {
        std::string line = m.prompt;
        for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at)) {
            line.replace(at, 1, " | ");
        }
        err << line << '\n';
    };
}

}  // namespace tagshelf::cli
