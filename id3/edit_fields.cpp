#include "id3/edit_fields.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "core/text.h"
#include "id3/genre_list.h"
#include "id3/writer_numbers.h"

namespace tagshelf {
namespace {

std::string firstCharacters(std::string_view text, std::size_t count) {
    return std::string(text.substr(0, utf8PrefixBytes(text, count)));
}

std::string afterCharacters(std::string_view text, std::size_t count) {
    return std::string(text.substr(utf8PrefixBytes(text, count)));
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string fncV1Comment(std::string_view comment, bool v11) {
    return firstCharacters(comment, v11 ? 28 : 30);
}

std::pair<std::string, std::string> fncTrackBoxes(std::string_view track) {
    const std::size_t slash = track.find('/');
    if (slash == std::string_view::npos) return {std::string(track), {}};
    return {std::string(track.substr(0, slash)), std::string(track.substr(slash + 1))};
}

std::pair<std::string, std::string> fncDayBoxes(std::string_view day) {
    switch (utf8Length(day)) {
        case 1:
        case 2:
            return {numbers::formatNumberText(day, 2), {}};
        case 3:
            return {numbers::formatNumberText(firstCharacters(day, 1), 2),
                    numbers::formatNumberText(afterCharacters(day, 1), 2)};
        case 4:
            return {numbers::formatNumberText(firstCharacters(day, 2), 2),
                    numbers::formatNumberText(afterCharacters(day, 2), 2)};
        default:
            return {};
    }
}

EditFields editFieldsFromID3v1(const Id3v1Tag& tag) {
    EditFields f;
    f.txtTitle = fncCleanText(tag.Title);
    f.txtArtist = fncCleanText(tag.Artist);
    f.txtAlbum = fncCleanText(tag.Album);
    f.txtYear = tag.Year;
    f.txtComment = fncV1Comment(tag.Comment, tag.IsV11 == 1);
    if (tag.IsV11 == 1) f.txtTrack = std::to_string(tag.Track);
    f.cmbGenre = tag.Genre;
    return f;
}

EditFields editFieldsFromID3v2(const Id3v2Tag& tag) {
    EditFields f;
    f.txtTIT2 = fncCleanText(tag.Title);
    f.txtTPE1 = fncCleanText(tag.Artist);
    f.txtTALB = fncCleanText(tag.Album);

    std::tie(f.txtTRCK1, f.txtTRCK2) = fncTrackBoxes(tag.Track);
    const auto [year, day] = catalogueYearAndDay(tag);
    f.txtTYER = year;
    std::tie(f.txtTDAT1, f.txtTDAT2) = fncDayBoxes(day);

    f.txtCOMM2 = tag.Comment;
    const std::size_t close = tag.Genre.find(')');
    if (!tag.Genre.empty() && tag.Genre[0] == '(' && close != std::string::npos &&
        wholeNumber(std::string_view(tag.Genre).substr(1, close - 1))) {
        f.txtTCONNo = tag.Genre.substr(1, close - 1);
        f.txtTCON = tag.Genre.substr(close + 1);
    } else {
        f.txtTCON = tag.Genre;
    }
    f.optEncode = tag.Encode == 1 ? 1 : 0;
    return f;
}

void carryFieldsOver(EditFields& f, std::uint8_t toCode) {
    auto copy = [](std::string& to, const std::string& from) {
        if (!from.empty()) to = from;
    };
    switch (toCode) {
        case kID3v1:
        case kID3v11:
            copy(f.txtTitle, f.txtTIT2);
            copy(f.txtArtist, f.txtTPE1);
            copy(f.txtAlbum, f.txtTALB);
            copy(f.txtYear, f.txtTYER);
            // A genre without a number of the list (none, or "999") leaves the
            // list without a selection.
            if (!f.txtTCON.empty()) {
                std::optional<int> number = wholeNumber(f.txtTCONNo);
                f.cmbGenre = number && *number >= 0 && *number <= 255 ? *number : -1;
            }
            if (toCode == kID3v11) copy(f.txtTrack, f.txtTRCK1);
            break;
        case kID3v22:
        case kID3v23:
            copy(f.txtTIT2, f.txtTitle);
            copy(f.txtTPE1, f.txtArtist);
            copy(f.txtTALB, f.txtAlbum);
            copy(f.txtTRCK1, f.txtTrack);
            copy(f.txtTYER, f.txtYear);
            copy(f.txtCOMM2, f.txtComment);
            if (f.cmbGenre >= 0 && f.cmbGenre <= 255) {
                f.txtTCON = std::string(kGenreList[static_cast<std::size_t>(f.cmbGenre)]);
                f.txtTCONNo = std::to_string(f.cmbGenre);
            } else {
                f.txtTCON.clear();
                f.txtTCONNo.clear();
            }
            f.optEncode = 0;
            break;
        default:
            break;
    }
}

}  // namespace tagshelf
