#include "catalogue/state.h"

#include "catalogue/db.h"

namespace tagshelf {

AppState::AppState(Toolkit& tk) : toolkit(tk), engine_(std::make_unique<Engine>()) {}

AppState::~AppState() = default;

std::string AppState::cataloguePath() const {
    if (!catalogueOverride.empty()) return catalogueOverride;
    std::string name = gstrDbName;
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return gstrAppPath + name;
}

Engine& AppState::engine() {
    return *engine_;
}

const Record& RecordList::at(std::int64_t i) const {
    static const Record empty;
    if (i < 0 || static_cast<std::size_t>(i) >= entries.size()) return empty;
    return entries[static_cast<std::size_t>(i)];
}

}  // namespace tagshelf
