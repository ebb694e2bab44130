#include "cataloguing/edit_load.h"

#include <tuple>

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "catalogue/schema.h"
#include "id3/edit_fields.h"
#include "id3/edit_rules.h"

namespace tagshelf {

namespace {

// The catalogue stores an empty value as one space; a text box holds a text up
// to its first NUL (an ID3v1 year is stored with its NULs).
std::string boxText(const std::string& stored) {
    if (stored == " ") return {};
    return stored.substr(0, stored.find('\0'));
}

}  // namespace

EditFields editFieldsFromRecord(const Record& r) {
    EditFields f;
    const std::optional<std::uint8_t> code = versionCode(editedVersionText(r.Version));
    if (code == kID3v1 || code == kID3v11) {
        f.txtTitle = boxText(r.Title);
        f.txtArtist = boxText(r.Artist);
        f.txtAlbum = boxText(r.Album);
        f.txtYear = boxText(r.Year);
        f.cmbGenre = fncGenrePreselection(r.GenreNo);
        f.txtComment = fncV1Comment(boxText(r.Comment), code == kID3v11);
        if (code == kID3v11) f.txtTrack = boxText(r.Trak);
    } else if (code == kID3v22 || code == kID3v23) {
        f.txtTIT2 = boxText(r.Title);
        f.txtTPE1 = boxText(r.Artist);
        f.txtTALB = boxText(r.Album);
        std::tie(f.txtTRCK1, f.txtTRCK2) = fncTrackBoxes(boxText(r.Trak));
        f.txtTYER = boxText(r.Year);
        std::tie(f.txtTDAT1, f.txtTDAT2) = fncDayBoxes(boxText(r.Day));
        f.txtTCONNo = boxText(r.GenreNo);
        f.txtTCON = boxText(r.Genre);
        f.txtCOMM2 = boxText(r.Comment);
        f.optEncode = r.Encode == "1" ? 1 : 0;
    }
    return f;
}

std::optional<Record> subDbSelectData(Catalogue& cat, std::string_view table,
                                      const std::string& path) {
    if (fncDbReadCount(cat, table) == 0) return std::nullopt;
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return std::nullopt;
    Result<Statement> st =
        conn.prepare("SELECT " + columnList() + " FROM " + quoteIdentifier(table) +
                     " WHERE FilePath = ? ORDER BY rowid LIMIT 1");
    Result<bool> row = st ? st->bind(1, path).step() : Result<bool>(st.error());
    if (!row) {
        showDbError(cat, "subDbSelectData : ", row.error());
        return std::nullopt;
    }
    if (!*row) return std::nullopt;
    Record r;
    readRecord(*st, r);
    return r;
}

}  // namespace tagshelf
