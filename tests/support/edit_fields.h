// The edit window's fields written as one line, for the tests.
#pragma once

#include <map>
#include <sstream>
#include <string>

#include "id3/writer.h"

namespace tagshelf::test {

// "txtTitle=t|cmbGenre=17|…": the members named set, the others as a new window has them.
inline EditFields editFields(const std::string& text) {
    using F = EditFields;
    static const std::map<std::string, std::string F::*> boxes{
        {"txtTitle", &F::txtTitle}, {"txtArtist", &F::txtArtist}, {"txtAlbum", &F::txtAlbum},
        {"txtTrack", &F::txtTrack}, {"txtYear", &F::txtYear},     {"txtComment", &F::txtComment},
        {"txtTIT2", &F::txtTIT2},   {"txtTPE1", &F::txtTPE1},     {"txtTALB", &F::txtTALB},
        {"txtTRCK1", &F::txtTRCK1}, {"txtTRCK2", &F::txtTRCK2},   {"txtTYER", &F::txtTYER},
        {"txtTDAT1", &F::txtTDAT1}, {"txtTDAT2", &F::txtTDAT2},   {"txtCOMM2", &F::txtCOMM2},
        {"txtTCON", &F::txtTCON},   {"txtTCONNo", &F::txtTCONNo}};
    EditFields f;
    std::istringstream parts(text);
    for (std::string part; std::getline(parts, part, '|');) {
        const std::string name = part.substr(0, part.find('=')),
                          value = part.substr(name.size() + 1);
        const auto box = boxes.find(name);
        if (box != boxes.end()) f.*box->second = value;
        if (box == boxes.end()) (name == "cmbGenre" ? f.cmbGenre : f.optEncode) = std::stoi(value);
    }
    return f;
}

}  // namespace tagshelf::test
