#include "views/sort.h"

#include <algorithm>

#include "catalogue/columns.h"
#include "catalogue/record_list.h"

namespace tagshelf {

std::string fncFieldName(std::string_view caption) {
    for (const Column& c : kColumns) {
        if (!c.caption.empty() && c.caption == caption) return std::string(c.name);
    }
    return {};
}

std::string captionOf(std::string_view captionOrField) {
    for (const Column& c : kColumns) {
        if (!c.caption.empty() && (c.caption == captionOrField || c.name == captionOrField)) {
            return std::string(c.caption);
        }
    }
    return {};
}

void fncDbSortRead(RecordList& list, std::vector<std::int32_t>& position, std::string_view field) {
    std::string Record::*member = nullptr;
    for (const Column& c : kColumns) {
        if (c.name == field) member = c.member;
    }
    // The values are copied side by side first: comparing them there touches far
    // less memory than reaching into each record.
    struct Key {
        std::size_t at, length, entry;
        std::int32_t position;
    };
    std::string values;
    std::vector<Key> keys(position.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string_view value = member ? std::string_view(list.entries[i].*member) : "";
        keys[i] = Key{values.size(), value.size(), i, position[i]};
        values += value;
    }
    const std::string_view all = values;
    // Byte order, as the database's binary order: string_view compares bytes as
    // unsigned values.
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (int c = all.substr(a.at, a.length).compare(all.substr(b.at, b.length)); c != 0) {
            return c < 0;
        }
        return a.position < b.position;
    });
    std::vector<Record> sorted;
    sorted.reserve(list.entries.size());
    std::vector<std::int32_t> sortedPosition;
    sortedPosition.reserve(position.size());
    for (const Key& key : keys) {
        sorted.push_back(std::move(list.entries[key.entry]));
        sortedPosition.push_back(key.position);
    }
    // The spare entries after the list stay after it.
    for (std::size_t i = position.size(); i < list.entries.size(); ++i)
        sorted.push_back(std::move(list.entries[i]));
    list.entries = std::move(sorted);
    position = std::move(sortedPosition);
}

}  // namespace tagshelf
