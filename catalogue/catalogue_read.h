// Counting catalogue rows and loading FileList into the record list.
#pragma once

#include <cstdint>
#include <string_view>

namespace tagshelf {

class AppState;

// Rows of a table (by name) or of a SELECT statement's result; 0 when the
// catalogue can't be opened (after fncDbOpen's message) or on failure (after the
// standard message labelled "fncDbReadCount : ").
std::int32_t fncDbReadCount(AppState& state, std::string_view source);

// Loads all of FileList, in its stored order, into the record list and sets
// glngRecordCount. An empty table leaves the list untouched.
void subDbRead(AppState& state);

// Count 0 and an empty list.
void subListClear(AppState& state);

}  // namespace tagshelf
