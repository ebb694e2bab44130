// Catalogues for the benchmarks: a fresh catalogue file in a folder of its own,
// filled with many rows of made-up files in one batch.
#pragma once

#include <string>

namespace tagshelf {
class Catalogue;
}

namespace tagshelf::bench {

// Makes `folder` hold an empty catalogue with its tables and points `cat` at it;
// then appends `rows` rows of other files. Ends the program when that fails.
void makeCatalogue(Catalogue& cat, const std::string& folder, long rows);

// Appends `rows` rows, numbered from `first`, in one batch.
void fillCatalogue(Catalogue& cat, long first, long rows);

}  // namespace tagshelf::bench
