// List operations on the catalogue: deleting rows after a question, and dropping
// the result table.
#pragma once

#include <string_view>

namespace tagshelf {

class Catalogue;

// Deletes the rows of `table` whose FilePath equals `key` after the question
// key + "のレコードを削除しますか？", or, with an empty key, every row after
// table + "のテーブルを削除しますか？". The result table List is emptied without a
// question. Nothing is asked when there is nothing to delete. False when the
// catalogue could not be changed (after the message).
bool subDbDelete(Catalogue& cat, std::string_view key, std::string_view table);

// Drops the table when the catalogue holds it; otherwise does nothing.
void subDbDropTable(Catalogue& cat, std::string_view table);

}  // namespace tagshelf
