// The one table of the catalogue's columns: the database name and maximum length
// in the order FileList is created, the grid's header caption and alignment, and
// the record member each column fills. The schema, the row reads and appends, the
// grid, the sort, the CSV export and the column dialog all work from it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "catalogue/record_list.h"

namespace tagshelf {

enum class Align { Left, Right };

struct Column {
    std::string_view name;     // database column
    int maxLength;             // in characters
    std::string_view caption;  // grid header; empty for GenreNo, which is never shown
    Align align;
    std::string Record::*member;
};

// In the order FileList and List are created (and the CSV export writes).
inline constexpr std::array<Column, 12> kColumns{{
    {"Title", 4096, "タイトル", Align::Left, &Record::Title},
    {"Artist", 4096, "アーティスト", Align::Left, &Record::Artist},
    {"Album", 4096, "アルバム", Align::Left, &Record::Album},
    {"Trak", 20, "トラック", Align::Right, &Record::Trak},
    {"Year", 10, "西暦", Align::Right, &Record::Year},
    {"Day", 4, "月日", Align::Right, &Record::Day},
    {"Genre", 4096, "ジャンル", Align::Left, &Record::Genre},
    {"GenreNo", 3, "", Align::Left, &Record::GenreNo},
    {"Comment", 4096, "コメント", Align::Left, &Record::Comment},
    {"Encode", 30, "エンコード", Align::Left, &Record::Encode},
    {"Version", 10, "Version", Align::Left, &Record::Version},
    {"FilePath", 4096, "ファイルパス", Align::Left, &Record::FilePath},
}};

// The eleven data columns the grid can show, k = 0..10 in the only order they
// appear, as indexes into kColumns.
inline constexpr int kDataColumns = 11;
inline constexpr std::array<std::size_t, kDataColumns> kGridColumns{0, 1, 2,  3, 4, 5,
                                                                    6, 8, 10, 9, 11};

// The grid's data column k.
inline const Column& gridColumn(int k) {
    return kColumns[kGridColumns[static_cast<std::size_t>(k)]];
}

// The column names in table order, separated by ", " (for SELECT and INSERT).
std::string columnList();

// What the user calls a column's value: its header caption ("ジャンル番号" for
// GenreNo).
std::string_view valueName(const Column& column);

}  // namespace tagshelf
