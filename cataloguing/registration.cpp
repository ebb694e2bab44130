#include "cataloguing/registration.h"

#include <array>
#include <cctype>
#include <charconv>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/record_list.h"
#include "catalogue/records.h"
#include "core/text.h"
#include "id3/genre_list.h"
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

// Through the FilePath index: the cost does not grow with the catalogue.
Result<bool> pathCatalogued(DbConnection& conn, std::string_view path) {
    Result<Statement> st = conn.prepare("SELECT 1 FROM FileList WHERE FilePath = ? LIMIT 1");
    if (!st) return st.error();
    st->bind(1, path);
    return st->step();
}

AddResult ended(AddOutcome outcome, Error error = {}) {
    AddResult r;
    r.outcome = outcome;
    r.error = std::move(error);
    return r;
}

Refusal errorRefusal(std::string_view label, const Error& error) {
    return Refusal{error.description, std::string(label), error};
}

// Appends the row unless a value is too long for its column.
std::optional<Refusal> append(Catalogue& cat, std::string_view label, const Record& row) {
    if (std::optional<std::string> tooLong = tooLongValue(row)) return Refusal{*tooLong, {}, {}};
    DbConnection conn;
    if (Status s = openCatalogue(cat, conn); !s) return errorRefusal("fncDbOpen : ", s.error());
    if (Status s = appendRecord(conn, "FileList", row); !s) return errorRefusal(label, s.error());
    return std::nullopt;
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
    return pathCatalogued(conn, path);
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

Result<Record> fncRowOfID3v2(Catalogue& cat, const std::string& path, const Id3v2Tag& tag) {
    Record r = namedRecord(path, tag);
    r.Trak = stored(tag.Track);
    YearAndDay date = catalogueYearAndDay(tag);
    r.Year = stored(date.year);
    r.Day = stored(date.day);
    Result<GenreColumns> genre = fncGenreColumns(cat, tag);
    if (!genre) return genre.error();
    r.Genre = stored(genre->name);
    r.GenreNo = genre->number;
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
    Result<FileTag> tag = fncReadFileTag(path, cat.legacyText);
    if (!tag) return tag.error();
    switch (tag->family) {
        case kID3v1:
            return fncRowOfID3v1(cat, path, tag->v1);
        case kID3v22:
            return fncRowOfID3v2(cat, path, tag->v2);
        default:
            return fncRowOfNoTag(path);
    }
}

std::optional<Refusal> fncInDbID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag) {
    return append(cat, "fncInDbID3v1 : ", fncRowOfID3v1(cat, path, tag));
}

std::optional<Refusal> fncInDbID3v2(Catalogue& cat, const std::string& path, const Id3v2Tag& tag) {
    Result<Record> row = fncRowOfID3v2(cat, path, tag);
    if (!row) return errorRefusal("fncInDbID3v2 : ", row.error());
    return append(cat, "fncInDbID3v2 : ", *row);
}

std::optional<Refusal> fncInDbID3None(Catalogue& cat, const std::string& path) {
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

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

Result<GenreColumns> fncGenreColumns(Catalogue& cat, const Id3v2Tag& tag) {
    std::vector<std::string> values = tag.GenreValues;
    if (values.empty() && !tag.Genre.empty()) values.push_back(tag.Genre);
    GenreColumns out{"", "999"};
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::string text = values[i];
        if (allDigits(text)) text = "(" + text + ")";  // the ID3v2.4 form of "(17)"
        std::string name = text;
        std::optional<std::int32_t> number;
        if (text.front() == '(' && text.find(')') != std::string::npos) {
            Result<std::int32_t> n = fncTconNo(text);
            if (!n) return n.error();
            number = *n;
            name = fncTconName(text);
            if (name.empty()) name = fncGetGenre(cat, *number);
        } else if (text.find_first_not_of(' ') != std::string::npos) {
            number = genrePosition(text);
        }
        if (i == 0 && number) out.number = std::to_string(*number);
        if (!name.empty()) out.name += (out.name.empty() ? "" : "/") + name;
    }
    return out;
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

AddResult subAddFile(Catalogue& cat, const std::string& path, Refusals refusals) {
    AddResult result;
    if (path.empty()) return result;
    if (refusals == Refusals::Show) {
        bool openFailed = false;
        Result<bool> known = fncIsInDb(cat, path, &openFailed);
        if (!known) {
            // The catalogue, not the file, is at fault (a missing table, say).
            showDbError(cat, "fncIsInDb : ", known.error());
            return ended(AddOutcome::NoCatalogue, known.error());
        }
        if (openFailed) return ended(AddOutcome::NoCatalogue);
        if (*known) return result;
    } else {
        // During a scan nothing is shown: the caller reports the catalogue's
        // failure once, at the end.
        DbConnection conn;
        Status open = openCatalogue(cat, conn);
        const char* label = open ? "fncIsInDb : " : "fncDbOpen : ";
        Result<bool> known = open ? pathCatalogued(conn, path) : Result<bool>(open.error());
        if (!known) {
            AddResult r = ended(AddOutcome::NoCatalogue, known.error());
            r.label = label;
            return r;
        }
        if (*known) return result;
    }

    Result<FileTag> tag = fncReadFileTag(path, cat.legacyText);
    if (!tag) return ended(AddOutcome::Unreadable, tag.error());
    std::optional<Refusal> refused;
    std::int32_t audioStart = 1;
    switch (tag->family) {
        case kID3v1:
            refused = fncInDbID3v1(cat, path, tag->v1);
            break;
        case kID3v22:  // the ID3v2 family: ID3v2.2, ID3v2.3 or ID3v2.4
            refused = fncInDbID3v2(cat, path, tag->v2);
            audioStart = static_cast<std::int32_t>(audioStartOf(tag->v2));
            break;
        default:
            refused = fncInDbID3None(cat, path);
            break;
    }
    if (refused) {
        if (refusals == Refusals::Show) {
            if (refused->error) cat.toolkit.showError(refused->label, *refused->error);
            cat.toolkit.notice("データベースへ登録できませんでした\n" + path +
                               (refused->error ? "" : "\n" + refused->reason));
        }
        AddResult r = ended(AddOutcome::Refused);
        r.refusal = refused->reason;
        return r;
    }
    AddResult r = ended(AddOutcome::Registered);
    r.AudioStart = audioStart;
    return r;
}

}  // namespace tagshelf
