#include "cli/catalogue_option.h"

#include "app/ini.h"
#include "app/startup.h"
#include "app/text.h"
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

}  // namespace tagshelf::cli
