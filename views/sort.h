// Putting the displayed list in the order of one column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tagshelf {

struct RecordList;

// The column shown under a grid header caption ("アルバム" gives "Album"); the
// empty text for any other caption.
std::string fncFieldName(std::string_view caption);

// The header caption of a column given by its caption or its database name
// ("Album" gives "アルバム"); the empty text when no grid column has that name.
std::string captionOf(std::string_view captionOrField);

// Puts the list shown in the order its table gives when read sorted by `field`:
// ascending text order of the column's bytes ("10" before "2"), entries with
// equal values in table order. `position` holds each entry's place in its table
// (one per entry before the spare one) and is reordered with the entries. An
// empty or unknown field leaves table order. The list already holds its table's
// rows, so nothing is read again: sorting 100,000 entries takes a few
// hundredths of a second instead of a reading of the whole catalogue.
void fncDbSortRead(RecordList& list, std::vector<std::int32_t>& position, std::string_view field);

}  // namespace tagshelf
