// The CSV export of the displayed list: one line per row of its table in title
// order, the twelve columns in table order, no header line, every line ending in
// CR LF and one more CR LF after the last, in code page 932 (or UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "core/error.h"

namespace tagshelf {

class Catalogue;

enum class CsvEncoding { Cp932, Utf8 };

// The save dialog's filter.
inline constexpr std::string_view kCsvFilter = "CSVファイル(*.csv)|*.csv";

// A value as a line holds it: unchanged, or in double quotes with its double
// quotes doubled when it holds a comma, a double quote, CR or LF.
std::string csvValue(std::string_view value);

// The text of the CSV file of `table` (still UTF-8), or the database's error.
Result<std::string> csvText(Catalogue& cat, std::string_view table);

// Writes the CSV of `table` to `path`: into a new file beside it, renamed over
// the path once complete, so no partial file is ever left under the path. False
// after a message: the standard one of the database, or one naming the path.
bool subWriteCsv(Catalogue& cat, std::string_view table, const std::string& path,
                 CsvEncoding encoding = CsvEncoding::Cp932);

// "CSVへ保存": asks for the file in the save dialog and writes the CSV of `table`
// there; nothing happens when the catalogue is empty or the dialog is cancelled.
void subCsvSave(Catalogue& cat, std::string_view table);

}  // namespace tagshelf
