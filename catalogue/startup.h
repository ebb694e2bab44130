// What Main does before the main window opens: the single-instance rule, the INI
// file (written on a first start in a folder whose path ends in "TagShelf"), the
// catalogue's path and its tables.
#pragma once

#include <string>

#include "core/legacy_text.h"

namespace tagshelf {

class Catalogue;

enum class StartResult {
    Run,             // open the main window
    AlreadyRunning,  // another copy runs: end silently
    NoDatabaseName,  // the INI file gives no catalogue name: end after the message
    NotACatalogue,   // the catalogue file is no database: end after the message
};

inline constexpr const char* kIniFileName = "TagShelf.ini";
inline constexpr const char* kDefaultDbName = "\\TagShelfList.mdb";

// Runs the start-up steps with `currentDir` as the program folder: sets the
// catalogue's folder and name and makes its missing tables.
StartResult fncStartup(Catalogue& cat, const std::string& currentDir,
                       const std::string& procRoot = "/proc");

// The catalogue name the INI file of a program folder gives, cleaned; empty when
// there is none.
std::string catalogueNameFromIni(const std::string& appPath);

// The legacy text setting the INI file of a program folder gives (APP/LEGACYTEXT;
// "auto" when there is none).
LegacyText legacyTextFromIni(const std::string& appPath);

// The INI file's path in a program folder.
std::string iniPath(const std::string& appPath);

// The process's current directory, without a trailing separator (except "/").
std::string currentDirectory();

}  // namespace tagshelf
