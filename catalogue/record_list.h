// The record list: the in-memory copy of the list on display (the whole catalogue
// or a search result), one entry per catalogue row in the twelve columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tagshelf {

// One catalogue row; every value is the text exactly as stored (an empty field is
// one space).
struct Record {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Trak;
    std::string Year;
    std::string Day;
    std::string GenreNo;
    std::string Genre;
    std::string Comment;
    std::string Encode;
    std::string Version;
    std::string FilePath;
};

// Entries are numbered from 0. After a load the list holds one spare empty entry
// at index count, so entries has count + 1 elements.
struct RecordList {
    std::vector<Record> entries;

    // The entry at i, or an empty record when the list is shorter.
    const Record& at(std::int64_t i) const;
};

}  // namespace tagshelf
