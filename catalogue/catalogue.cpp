#include "catalogue/catalogue.h"

#include "catalogue/db.h"

namespace tagshelf {

Catalogue::Catalogue(Toolkit& tk) : toolkit(tk), engine_(std::make_unique<Engine>()) {}

Catalogue::~Catalogue() = default;

std::string Catalogue::path() const {
    if (!fileOverride.empty()) return fileOverride;
    std::string name = gstrDbName;
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return gstrAppPath + name;
}

Engine& Catalogue::engine() {
    return *engine_;
}

}  // namespace tagshelf
