#include "id3/registration.h"

#include <array>
#include <cctype>
#include <charconv>

#include "app/text.h"
#include "catalogue/catalogue_read.h"
#include "catalogue/db.h"
#include "catalogue/state.h"
#include "id3/reader.h"

namespace tagshelf {

namespace {

// An empty value is stored as one space.
std::string stored(std::string value) {
    return value.empty() ? std::string(" ") : value;
}

// Number of characters (code points) of a UTF-8 text.
std::size_t characters(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

// The first `count` characters of a UTF-8 text, and the rest.
std::size_t byteOffsetOfCharacter(std::string_view s, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count) return i;
            ++seen;
        }
    }
    return s.size();
}

// The values of one FileList row in the order they are set.
struct Row {
    std::string FilePath, Version, Title, Artist, Album, Trak, Year, Day, Genre, GenreNo, Comment,
        Encode;
};

Status appendRow(DbConnection& conn, const Row& r) {
    Result<Statement> st = conn.prepare(
        "INSERT INTO FileList (FilePath, version, Title, Artist, Album, Trak, Year, Day, Genre, "
        "Genreno, Comment, Encode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!st) return st.error();
    st->bind(1, r.FilePath)
        .bind(2, r.Version)
        .bind(3, r.Title)
        .bind(4, r.Artist)
        .bind(5, r.Album)
        .bind(6, r.Trak)
        .bind(7, r.Year)
        .bind(8, r.Day)
        .bind(9, r.Genre)
        .bind(10, r.GenreNo)
        .bind(11, r.Comment)
        .bind(12, r.Encode);
    return st->run();
}

// Opens the catalogue the way every append does: fncDbOpen's own message on
// failure, then the append reports false.
bool append(AppState& state, std::string_view label, const Row& row) {
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return false;
    if (Status s = appendRow(conn, row); !s) {
        showDbError(state, label, s.error());
        return false;
    }
    return true;
}

// The error a number conversion of a text that is not a number gives.
Error typeMismatch() {
    return Error{13, "型が一致しません。", "TagShelf", {}};
}

}  // namespace

Result<bool> fncIsInDb(AppState& state, std::string_view path, bool* openFailed) {
    DbConnection conn;
    if (!fncDbOpen(state, conn)) {
        if (openFailed) *openFailed = true;
        return true;
    }
    // Through the FilePath index: the cost does not grow with the catalogue.
    Result<Statement> st = conn.prepare("SELECT 1 FROM FileList WHERE FilePath = ? LIMIT 1");
    if (!st) return st.error();
    st->bind(1, path);
    return st->step();
}

bool fncInDbID3v1(AppState& state, const Id3v1Tag& tag) {
    Row r;
    r.FilePath = stored(state.CurrentFile);
    r.Version = tag.IsV11 == 1 ? "ID3v11" : "ID3v1";
    r.Title = stored(fncCleanText(tag.Title));
    r.Artist = stored(fncCleanText(tag.Artist));
    r.Album = stored(fncCleanText(tag.Album));
    r.Trak = tag.IsV11 == 1 ? std::to_string(tag.Track) : " ";
    r.Year = stored(tag.Year);
    r.Day = " ";
    r.Genre = stored(fncGetGenre(state, tag.Genre));
    r.GenreNo = std::to_string(tag.Genre);
    r.Comment = stored(tag.Comment);
    r.Encode = " ";
    return append(state, "fncInDbID3v1 : ", r);
}

bool fncInDbID3v2(AppState& state, const Id3v2Tag& tag) {
    Row r;
    r.FilePath = stored(state.CurrentFile);
    r.Version = tag.Version == 2 ? "ID3v22" : "ID3v23";
    r.Title = stored(fncCleanText(tag.Title));
    r.Artist = stored(fncCleanText(tag.Artist));
    r.Album = stored(fncCleanText(tag.Album));
    r.Trak = stored(tag.Track);
    bool shortYear = characters(tag.Year) < 5;
    std::size_t fourth = byteOffsetOfCharacter(tag.Year, 4);
    r.Year = stored(shortYear ? tag.Year : tag.Year.substr(0, fourth));
    // A year frame holding year, month and day run together gives the day.
    r.Day = stored(!tag.Day.empty() || shortYear ? tag.Day : tag.Year.substr(fourth));
    r.Genre = stored(fncTconName(tag.Genre));
    if (tag.Genre.empty()) {
        r.GenreNo = "999";
    } else {
        Result<std::int32_t> number = fncTconNo(tag.Genre);
        if (!number) {
            showDbError(state, "fncInDbID3v2 : ", number.error());
            return false;
        }
        r.GenreNo = std::to_string(*number);
    }
    r.Comment = stored(tag.Comment);
    r.Encode = std::to_string(tag.Encode);
    return append(state, "fncInDbID3v2 : ", r);
}

bool fncInDbID3None(AppState& state) {
    Row r;
    r.FilePath = stored(state.CurrentFile);
    r.Version = "NONE";
    r.Title = r.Artist = r.Album = r.Trak = r.Year = r.Day = r.Genre = r.Comment = r.Encode = " ";
    r.GenreNo = "999";
    return append(state, "fncInDbID3None : ", r);
}

std::string fncGetGenre(AppState& state, int number) {
    if (number >= fncDbReadCount(state, "GENRE")) return {};
    DbConnection conn;
    if (!fncDbOpen(state, conn)) return {};
    Result<Statement> st = conn.prepare("SELECT Genre FROM GENRE WHERE GenreNo = ?");
    Result<bool> row = st ? st->bind(1, std::int64_t{number}).step() : Result<bool>(st.error());
    if (!row) {
        showDbError(state, "fncGetGenre : ", row.error());
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

AddResult subAddFile(AppState& state) {
    AddResult result;
    if (state.CurrentFile.empty()) return result;
    bool openFailed = false;
    Result<bool> known = fncIsInDb(state, state.CurrentFile, &openFailed);
    if (!known) {
        // The catalogue, not the file, is at fault (a missing table, say).
        showDbError(state, "fncIsInDb : ", known.error());
        return AddResult{AddOutcome::NoCatalogue, known.error()};
    }
    if (openFailed) return AddResult{AddOutcome::NoCatalogue, {}};
    if (*known) return result;

    Result<std::uint8_t> family = fncGetTagType(state.CurrentFile);
    if (!family) return AddResult{AddOutcome::Unreadable, family.error()};
    bool ok = false;
    std::int32_t audioStart = 1;
    switch (*family) {
        case kID3v1: {
            Result<Id3v1Tag> tag = fncReadID3v1(state.CurrentFile);
            if (!tag) return AddResult{AddOutcome::Unreadable, tag.error()};
            ok = fncInDbID3v1(state, *tag);
            break;
        }
        case kID3v22: {  // the ID3v2 family: ID3v2.2 or ID3v2.3
            Result<Id3v2Tag> tag = fncReadID3v2(state.CurrentFile);
            if (!tag) return AddResult{AddOutcome::Unreadable, tag.error()};
            ok = fncInDbID3v2(state, *tag);
            audioStart = tag->TagSize + 11;
            break;
        }
        default:
            ok = fncInDbID3None(state);
            break;
    }
    if (!ok) {
        state.toolkit.notice("データベースへ登録できませんでした");
        return AddResult{AddOutcome::Refused, {}};
    }
    state.AudioStart = audioStart;
    return AddResult{AddOutcome::Registered, {}};
}

}  // namespace tagshelf
