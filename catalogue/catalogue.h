// The catalogue a run of the program works on: where its file is (the program
// folder followed by the name the INI file gives, or a file named on the command
// line), the engine that holds the connection to it, and the toolkit that shows
// its messages. Main owns one; the command line and the tests make their own.
#pragma once

#include <memory>
#include <string>

#include "core/legacy_text.h"
#include "core/toolkit.h"

namespace tagshelf {

class Engine;

class Catalogue {
  public:
    explicit Catalogue(Toolkit& toolkit);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    Toolkit& toolkit;

    std::string gstrAppPath;  // the program folder (the working folder at start)
    std::string gstrDbName;   // as the INI file gives it: "\TagShelfList.mdb"
    // A catalogue file named on the command line (--catalogue), used instead.
    std::string fileOverride;
    // How tags' texts in a legacy code page are read and written (APP/LEGACYTEXT).
    LegacyText legacyText = LegacyText::Auto;

    // The catalogue file: gstrAppPath followed by gstrDbName, where "\" stands for
    // the path separator, unless fileOverride is set.
    std::string path() const;

    Engine& engine();

  private:
    std::unique_ptr<Engine> engine_;
};

}  // namespace tagshelf
