// List operations on the catalogue: deleting rows, emptying a table and dropping
// the result table.
#pragma once

#include <string_view>

namespace tagshelf {

class AppState;

// Drops the table when the catalogue holds it; otherwise does nothing.
void subDbDropTable(AppState& state, std::string_view table);

}  // namespace tagshelf
