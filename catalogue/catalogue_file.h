// Telling a catalogue file from a file that is not one, before anything is done
// with it. A file that is not a database (random bytes, a database cut short, a
// folder, a file that can't be read) is never written, truncated or repaired.
#pragma once

#include <string>

#include "core/error.h"

namespace tagshelf {

enum class CatalogueFile {
    Missing,        // nothing has the name
    Usable,         // an SQLite database (or an empty file, which becomes one)
    NotACatalogue,  // anything else
};

// Looks at the file only by reading it: its kind, whether it can be read, and
// a read of the database's schema.
CatalogueFile fncCatalogueFileKind(const std::string& path);

// The message shown at start for a file that is not a catalogue.
std::string notACatalogueMessage(const std::string& path);

}  // namespace tagshelf
