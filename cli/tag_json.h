// Tags as JSON objects: every field of the record under its own name, in the
// record's order; numbers as numbers, flags as true/false, texts as the UTF-8
// they were read as (NUL characters included).
#pragma once

#include <nlohmann/json.hpp>

#include "catalogue/record_list.h"
#include "id3/tags.h"

namespace tagshelf::cli {

using Json = nlohmann::ordered_json;

Json toJson(const Id3v1Tag& tag);
Json toJson(const Id3v2Tag& tag);

// A catalogue row as `list` and `search` print it: the twelve columns under their
// names in table order, values exactly as stored.
Json toJson(const Record& row);

// One line of output: the object without spaces. A text that is not valid UTF-8
// (a file name can be any bytes) has its bad bytes replaced by U+FFFD.
std::string jsonLine(const Json& value);

}  // namespace tagshelf::cli
