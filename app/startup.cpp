#include "app/startup.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

#include "app/ini.h"
#include "app/process_check.h"
#include "app/text.h"
#include "catalogue/schema.h"
#include "catalogue/state.h"

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

StartResult fncStartup(AppState& state, const std::string& currentDir,
                       const std::string& procRoot) {
    if (fncProcessCheck(state.toolkit, procRoot)) return StartResult::AlreadyRunning;

    state.gstrAppPath = currentDir;
    const std::string ini = iniPath(state.gstrAppPath);

    // A first start in the program's own folder writes the configuration.
    static const std::string folderName = "TagShelf";
    bool inProgramFolder = state.gstrAppPath.size() >= folderName.size() &&
                           state.gstrAppPath.compare(state.gstrAppPath.size() - folderName.size(),
                                                     folderName.size(), folderName) == 0;
    if (fncGetIni(ini, "APP", "PATH").empty() && inProgramFolder) {
        fncPutIni(ini, "APP", "PATH", state.gstrAppPath);
        fncPutIni(ini, "DATABASE", "NAME", kDefaultDbName);
    }

    state.gstrDbName = fncCleanText(fncGetIni(ini, "DATABASE", "NAME"));
    if (state.gstrDbName.empty()) {
        state.toolkit.notice("データベース名の取得に失敗しました");
        return StartResult::NoDatabaseName;
    }

    if (Status s = fncCreateTable(state, "FileList"); !s) {
        state.toolkit.notice(standardErrorText("fncCreateTable : ", s.error()));
        state.toolkit.notice("テーブルの作成に失敗しました（FileList）");
    }
    if (!fncCreateGenre(state)) state.toolkit.notice("テーブルの作成に失敗しました（Genre）");
    return StartResult::Run;
}

}  // namespace tagshelf
