#include "cataloguing/edit_update.h"

#include "catalogue/catalogue.h"
#include "catalogue/columns.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "cataloguing/registration.h"
#include "core/text.h"
#include "id3/genre_list.h"
#include "id3/writer_numbers.h"

namespace tagshelf {

namespace {

constexpr std::string_view kUpdateLabel = "fncUpDbID3v1 : ";

std::string stored(std::string value) {
    return value.empty() ? std::string(" ") : value;
}

std::string withoutSlashes(std::string text) {
    std::erase(text, '/');
    return text;
}

bool updateRow(Catalogue& cat, const std::string& path, const Record& row) {
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return false;
    if (Status s = updateRecord(conn, "FileList", path, row); !s) {
        showDbError(cat, kUpdateLabel, s.error());
        return false;
    }
    return true;
}

}  // namespace

Record fncEditedRecord(const std::string& path, const EditFields& f, std::uint8_t newCode) {
    Record r;
    r.FilePath = stored(path);
    r.Version = versionText(newCode);
    if (newCode == kID3v1 || newCode == kID3v11) {
        r.Title = stored(f.txtTitle);
        r.Artist = stored(f.txtArtist);
        r.Album = stored(f.txtAlbum);
        r.Trak = stored(newCode == kID3v11 ? f.txtTrack : std::string());
        r.Year = stored(withoutSlashes(f.txtYear));
        r.Day = " ";
        r.Comment = stored(f.txtComment);
        const bool chosen = f.cmbGenre >= 0 && f.cmbGenre <= 255;
        r.Genre =
            stored(chosen ? std::string(kGenreList[static_cast<std::size_t>(f.cmbGenre)]) : "");
        r.GenreNo = stored(chosen ? std::to_string(f.cmbGenre) : "");
        r.Encode = " ";
    } else {
        r.Title = stored(f.txtTIT2);
        r.Artist = stored(f.txtTPE1);
        r.Album = stored(f.txtTALB);
        r.Trak = f.txtTRCK1.empty() ? " " : f.txtTRCK1 + "/" + f.txtTRCK2;
        r.Year = stored(withoutSlashes(f.txtTYER));
        // Month first, unlike the tag's date frame.
        r.Day = stored(numbers::formatNumberText(f.txtTDAT1, 2) +
                       numbers::formatNumberText(f.txtTDAT2, 2));
        r.Comment = stored(f.txtCOMM2);
        r.Genre = stored(f.txtTCON);
        r.GenreNo = stored(f.txtTCONNo);
        r.Encode = f.optEncode == 0 ? "0" : "1";
    }
    return r;
}

bool fncUpDbID3v1(Catalogue& cat, const std::string& path, const EditFields& fields,
                  std::uint8_t newCode) {
    return updateRow(cat, path, fncEditedRecord(path, fields, newCode));
}

bool fncUpDbID3v2(Catalogue& cat, const std::string& path, const EditFields& fields,
                  std::uint8_t newCode) {
    return updateRow(cat, path, fncEditedRecord(path, fields, newCode));
}

bool fncUpDbNoTag(Catalogue& cat, const std::string& path) {
    Result<Record> row = fncRowOfFile(cat, path);
    if (!row) {
        showDbError(cat, kUpdateLabel, row.error());
        return false;
    }
    return updateRow(cat, path, *row);
}

bool fncUpDbAfterWrite(Catalogue& cat, const std::string& path, const EditFields& fields,
                       std::uint8_t newCode) {
    switch (newCode) {
        case kID3v1:
        case kID3v11:
            return fncUpDbID3v1(cat, path, fields, newCode);
        case kID3v22:
        case kID3v23:
            return fncUpDbID3v2(cat, path, fields, newCode);
        default:
            return fncUpDbNoTag(cat, path);
    }
}

}  // namespace tagshelf
