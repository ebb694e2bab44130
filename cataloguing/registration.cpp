#include "cataloguing/registration.h"

#include <array>
#include <cctype>
#include <charconv>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/record_list.h"
#include "catalogue/records.h"
#include "core/text.h"
#include "id3/reader.h"

namespace tagshelf {

namespace {

// An empty value is stored as one space.
std::string stored(std::string value) {
    return value.empty() ? std::string(" ") : value;
}

// A row's path, version and names (cleaned), the columns every tag fills alike.
template <typename Tag>
Record namedRecord(const std::string& path, const Tag& tag) {
    Record r;
    r.FilePath = stored(path);
    r.Version = versionText(versionOf(tag));
    r.Title = stored(fncCleanText(tag.Title));
    r.Artist = stored(fncCleanText(tag.Artist));
    r.Album = stored(fncCleanText(tag.Album));
    return r;
}

// Opens the catalogue the way every append does: fncDbOpen's own message on
// failure, then the append reports false.
bool append(Catalogue& cat, std::string_view label, const Record& row) {
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return false;
    if (Status s = appendRecord(conn, "FileList", row); !s) {
        showDbError(cat, label, s.error());
        return false;
    }
    return true;
}

// The error a number conversion of a text that is not a number gives.
Error typeMismatch() {
    return Error{13, "型が一致しません。", "TagShelf", {}};
}

}  // namespace

Result<bool> fncIsInDb(Catalogue& cat, std::string_view path, bool* openFailed) {
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) {
        if (openFailed) *openFailed = true;
        return true;
    }
    // Through the FilePath index: the cost does not grow with the catalogue.
    Result<Statement> st = conn.prepare("SELECT 1 FROM FileList WHERE FilePath = ? LIMIT 1");
    if (!st) return st.error();
    st->bind(1, path);
    return st->step();
}

Record fncRowOfID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag) {
    Record r = namedRecord(path, tag);
    r.Trak = tag.IsV11 == 1 ? std::to_string(tag.Track) : " ";
    r.Year = stored(tag.Year);
    r.Day = " ";
    r.Genre = stored(fncGetGenre(cat, tag.Genre));
    r.GenreNo = std::to_string(tag.Genre);
    r.Comment = stored(tag.Comment);
    r.Encode = " ";
    return r;
}

Result<Record> fncRowOfID3v2(const std::string& path, const Id3v2Tag& tag) {
    Record r = namedRecord(path, tag);
    r.Trak = stored(tag.Track);
    YearAndDay date = catalogueYearAndDay(tag);
    r.Year = stored(date.year);
    r.Day = stored(date.day);
    r.Genre = stored(fncTconName(tag.Genre));
    if (tag.Genre.empty()) {
        r.GenreNo = "999";
    } else {
        Result<std::int32_t> number = fncTconNo(tag.Genre);
        if (!number) return number.error();
        r.GenreNo = std::to_string(*number);
    }
    r.Comment = stored(tag.Comment);
    r.Encode = std::to_string(tag.Encode);
    return r;
}

Record fncRowOfNoTag(const std::string& path) {
    Record r;
    r.FilePath = stored(path);
    r.Version = versionText(kNoTag);
    r.Title = r.Artist = r.Album = r.Trak = r.Year = r.Day = r.Genre = r.Comment = r.Encode = " ";
    r.GenreNo = "999";
    return r;
}

Result<Record> fncRowOfFile(Catalogue& cat, const std::string& path) {
    Result<FileTag> tag = fncReadFileTag(path);
    if (!tag) return tag.error();
    switch (tag->family) {
        case kID3v1:
            return fncRowOfID3v1(cat, path, tag->v1);
        case kID3v22:
            return fncRowOfID3v2(path, tag->v2);
        default:
            return fncRowOfNoTag(path);
    }
}

bool fncInDbID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag) {
    return append(cat, "fncInDbID3v1 : ", fncRowOfID3v1(cat, path, tag));
}

bool fncInDbID3v2(Catalogue& cat, const std::string& path, const Id3v2Tag& tag) {
    Result<Record> row = fncRowOfID3v2(path, tag);
    if (!row) {
        showDbError(cat, "fncInDbID3v2 : ", row.error());
        return false;
    }
    return append(cat, "fncInDbID3v2 : ", *row);
}

bool fncInDbID3None(Catalogue& cat, const std::string& path) {
    return append(cat, "fncInDbID3None : ", fncRowOfNoTag(path));
}

std::string fncGetGenre(Catalogue& cat, int number) {
    if (number >= fncDbReadCount(cat, "GENRE")) return {};
    DbConnection conn;
    if (!fncDbOpen(cat, conn)) return {};
    Result<Statement> st = conn.prepare("SELECT Genre FROM GENRE WHERE GenreNo = ?");
    Result<bool> row = st ? st->bind(1, std::int64_t{number}).step() : Result<bool>(st.error());
    if (!row) {
        showDbError(cat, "fncGetGenre : ", row.error());
        return {};
    }
    return *row ? st->text(0) : std::string();
}

std::string fncTconName(std::string_view text) {
    if (text.empty() || text.front() != '(') return {};
    std::size_t close = text.find(')');
    if (close == std::string_view::npos) return {};
    return std::string(text.substr(close + 1));
}

Result<std::int32_t> fncTconNo(std::string_view text) {
    if (text.empty() || text.front() != '(') return 0;
    std::size_t close = text.find(')');
    if (close == std::string_view::npos) return 0;
    std::string_view inner = text.substr(1, close - 1);
    // Surrounding spaces and a sign are accepted, as a number conversion does.
    std::size_t b = inner.find_first_not_of(' ');
    std::size_t e = inner.find_last_not_of(' ');
    if (b == std::string_view::npos) return typeMismatch();
    inner = inner.substr(b, e - b + 1);
    if (!inner.empty() && inner.front() == '+') inner.remove_prefix(1);
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(inner.data(), inner.data() + inner.size(), value);
    if (ec != std::errc() || end != inner.data() + inner.size() || inner.empty()) {
        return typeMismatch();
    }
    return value;
}

AddResult subAddFile(Catalogue& cat, const std::string& path) {
    AddResult result;
    if (path.empty()) return result;
    bool openFailed = false;
    Result<bool> known = fncIsInDb(cat, path, &openFailed);
    if (!known) {
        // The catalogue, not the file, is at fault (a missing table, say).
        showDbError(cat, "fncIsInDb : ", known.error());
        return AddResult{AddOutcome::NoCatalogue, known.error()};
    }
    if (openFailed) return AddResult{AddOutcome::NoCatalogue, {}};
    if (*known) return result;

    Result<FileTag> tag = fncReadFileTag(path);
    if (!tag) return AddResult{AddOutcome::Unreadable, tag.error()};
    bool ok = false;
    std::int32_t audioStart = 1;
    switch (tag->family) {
        case kID3v1:
            ok = fncInDbID3v1(cat, path, tag->v1);
            break;
        case kID3v22:  // the ID3v2 family: ID3v2.2 or ID3v2.3
            ok = fncInDbID3v2(cat, path, tag->v2);
            audioStart = tag->v2.TagSize + 11;
            break;
        default:
            ok = fncInDbID3None(cat, path);
            break;
    }
    if (!ok) {
        cat.toolkit.notice("データベースへ登録できませんでした");
        return AddResult{AddOutcome::Refused, {}};
    }
    return AddResult{AddOutcome::Registered, {}, audioStart};
}

}  // namespace tagshelf
