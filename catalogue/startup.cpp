#include "catalogue/startup.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_file.h"
#include "catalogue/schema.h"
#include "core/ini.h"
#include "core/process_check.h"
#include "core/text.h"

namespace tagshelf {

std::string iniPath(const std::string& appPath) {
    if (!appPath.empty() && appPath.back() == '/') return appPath + kIniFileName;
    return appPath + "/" + kIniFileName;
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string catalogueNameFromIni(const std::string& appPath) {
    return fncCleanText(fncGetIni(iniPath(appPath), "DATABASE", "NAME"));
}

LegacyText legacyTextFromIni(const std::string& appPath) {
    return legacyTextFromName(fncCleanText(fncGetIni(iniPath(appPath), "APP", "LEGACYTEXT")));
}

StartResult fncStartup(Catalogue& cat, const std::string& currentDir, const std::string& procRoot) {
    if (fncProcessCheck(cat.toolkit, procRoot)) return StartResult::AlreadyRunning;

    cat.gstrAppPath = currentDir;
    const std::string ini = iniPath(cat.gstrAppPath);

    // A first start in the program's own folder writes the configuration.
    static const std::string folderName = "TagShelf";
    const std::string& folder = cat.gstrAppPath;
    bool inProgramFolder =
        folder.size() >= folderName.size() &&
        folder.compare(folder.size() - folderName.size(), folderName.size(), folderName) == 0;
    if (fncGetIni(ini, "APP", "PATH").empty() && inProgramFolder) {
        fncPutIni(ini, "APP", "PATH", folder);
        fncPutIni(ini, "DATABASE", "NAME", kDefaultDbName);
        fncPutIni(ini, "APP", "LEGACYTEXT", legacyTextName(LegacyText::Auto));
    }

    cat.gstrDbName = catalogueNameFromIni(folder);
    cat.legacyText = legacyTextFromIni(folder);
    if (cat.gstrDbName.empty()) {
        cat.toolkit.notice("データベース名の取得に失敗しました");
        return StartResult::NoDatabaseName;
    }
    // A file that is not a catalogue is left exactly as it is: one message, and
    // nothing is created in it.
    if (fncCatalogueFileKind(cat.path()) == CatalogueFile::NotACatalogue) {
        cat.toolkit.notice(notACatalogueMessage(cat.path()));
        return StartResult::NotACatalogue;
    }
    subCreateTables(cat);
    return StartResult::Run;
}

}  // namespace tagshelf
