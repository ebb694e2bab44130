#include "id3/edit_rules.h"

#include <algorithm>

#include "core/codepage.h"
#include "core/legacy_text.h"
#include "core/text.h"

namespace tagshelf {

namespace {

bool isDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

// The value of a text of digits only (at most six); nothing for any other text.
std::optional<int> digitsValue(std::string_view text) {
    if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), isDigit)) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// An empty text, or digits only whose value lies within [low, high].
bool emptyOrWithin(std::string_view text, int low, int high) {
    if (text.empty()) return true;
    std::optional<int> value = digitsValue(text);
    return value && *value >= low && *value <= high;
}

bool emptyOrDigits(std::string_view text) {
    return text.empty() || std::all_of(text.begin(), text.end(), isDigit);
}

}  // namespace

bool fncKeyAccepted(KeyFilter filter, char32_t c) {
    switch (filter) {
        case KeyFilter::Any:
            return true;
        case KeyFilter::Digits:
            return isDigit(c) || c == 8;
        case KeyFilter::DigitsAndSlash:
            return isDigit(c) || c == 8 || c == '/';
    }
    return false;
}

bool fncEditAccepted(std::string_view before, std::string_view after, KeyFilter filter,
                     std::size_t maxBytes) {
    // What the change put in: `after` less the start and the end it shares with
    // `before`. The filters admit ASCII characters only, so bytes will do.
    std::size_t head = 0;
    const std::size_t shorter = std::min(before.size(), after.size());
    while (head < shorter && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    for (char c : after.substr(head, after.size() - head - tail)) {
        if (!fncKeyAccepted(filter, static_cast<unsigned char>(c))) return false;
    }
    if (maxBytes == 0) return true;
    const std::size_t bytes = codepage::encode(after).size();
    return bytes <= maxBytes || bytes <= codepage::encode(before).size();
}

bool fncMonthValid(std::string_view month) {
    return emptyOrWithin(fncCleanText(month), 1, 12);
}

bool fncDayValid(std::string_view day, std::string_view month) {
    const std::string cleanMonth = fncCleanText(month);
    if (!emptyOrWithin(cleanMonth, 1, 12) && digitsValue(cleanMonth)) return true;
    return emptyOrWithin(fncCleanText(day), 1, 31);
}

std::optional<std::string> fncRefusedValue(const EditFields& f, std::uint8_t newCode) {
    auto refuse = [](std::string_view message) { return std::optional<std::string>(message); };
    // A track of 0 would make the block read back as plain ID3v1.
    if (newCode == kID3v11) {
        if (f.txtTrack.empty() || !emptyOrWithin(f.txtTrack, 1, 255)) {
            return refuse("トラックの値が不適格です。");
        }
    }
    if (newCode == kID3v22 || newCode == kID3v23) {
        if (!emptyOrDigits(f.txtTRCK1)) return refuse("トラックの値が不適格です。");
        if (!emptyOrDigits(f.txtTRCK2)) return refuse("トラック数の値が不適格です。");
        const std::string month = fncCleanText(f.txtTDAT1);
        const std::string day = fncCleanText(f.txtTDAT2);
        if (!emptyOrWithin(month, 1, 12)) return refuse(kMonthInvalid);
        if (!emptyOrWithin(day, 1, 31)) return refuse(kDayInvalid);
        // The catalogue keeps month and day as one number, month first: a day
        // alone would come back as the month.
        if (month.empty() && !day.empty()) return refuse("日を入力するときは月も入力して下さい。");
    }
    return std::nullopt;
}

bool fncOldFieldsSame(const EditFields& now, const EditFields& loaded,
                      std::string_view versionText) {
    const std::optional<std::uint8_t> code = versionCode(versionText);
    if (code == kID3v1 || code == kID3v11) {
        return now.txtTitle == loaded.txtTitle && now.txtArtist == loaded.txtArtist &&
               now.txtAlbum == loaded.txtAlbum && now.txtYear == loaded.txtYear &&
               now.cmbGenre == loaded.cmbGenre && now.txtComment == loaded.txtComment &&
               (code == kID3v1 || now.txtTrack == loaded.txtTrack);
    }
    if (code == kID3v22 || code == kID3v23) {
        return now.txtTIT2 == loaded.txtTIT2 && now.txtTPE1 == loaded.txtTPE1 &&
               now.txtTALB == loaded.txtTALB && now.txtTYER == loaded.txtTYER &&
               now.txtCOMM2 == loaded.txtCOMM2 && now.txtTCONNo == loaded.txtTCONNo &&
               now.txtTCON == loaded.txtTCON && now.txtTRCK1 == loaded.txtTRCK1 &&
               now.txtTRCK2 == loaded.txtTRCK2 && now.txtTDAT1 == loaded.txtTDAT1 &&
               now.txtTDAT2 == loaded.txtTDAT2;
    }
    return true;
}

int fncGenrePreselection(std::string_view genreNumber) {
    std::optional<int> value = digitsValue(genreNumber);
    return value && *value <= 255 ? *value : -1;
}

std::vector<LossyField> fncLossyFields(const EditFields& f, std::uint8_t newCode,
                                       std::string_view commentDescription) {
    struct Text {
        std::string_view label;
        std::string_view option;
        std::string text;
    };
    std::vector<Text> texts;
    if (newCode == kID3v1 || newCode == kID3v11) {
        texts = {{"タイトル", "--title", f.txtTitle},
                 {"アーティスト", "--artist", f.txtArtist},
                 {"アルバム", "--album", f.txtAlbum},
                 {"コメント", "--comment", f.txtComment}};
    } else if ((newCode == kID3v22 || newCode == kID3v23) && f.optEncode != 1) {
        texts = {
            {"タイトル", "--title", f.txtTIT2},
            {"アーティスト", "--artist", f.txtTPE1},
            {"アルバム", "--album", f.txtTALB},
            {"トラック", "--track", f.txtTRCK1 + f.txtTRCK2},
            {"コメント", "--comment", f.txtCOMM2},
            {"コメントの説明", "(the file's comment description)", std::string(commentDescription)},
            {"ジャンル", "--genre", f.txtTCON}};
    }
    std::vector<LossyField> lossy;
    for (const Text& t : texts) {
        if (!canEncodeLegacy(t.text, f.legacyText)) lossy.push_back({t.label, t.option});
    }
    return lossy;
}

std::string lossyLabels(const std::vector<LossyField>& fields) {
    std::string out;
    for (const LossyField& f : fields) {
        if (!out.empty()) out += "、";
        out += f.label;
    }
    return out;
}

}  // namespace tagshelf
