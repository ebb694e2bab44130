#include "cataloguing/edit_exec.h"

#include <array>
#include <utility>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/records.h"
#include "cataloguing/edit_update.h"
#include "cataloguing/registration.h"
#include "id3/apply_edit.h"
#include "id3/edit_rules.h"
#include "id3/frame_carry.h"

namespace tagshelf {

namespace {

// The failed step of a file operation, by the verb its description starts with
// (longest first where one starts another).
std::string_view stepText(std::string_view step) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kSteps{{
        {"set the permissions of ", "アクセス権を設定できませんでした"},
        {"follow the link ", "リンク先を調べられませんでした"},
        {"build the ", "タグを作れませんでした"},
        {"write the ", "タグを書き込めませんでした"},
        {"truncate ", "ファイルを元の長さに戻せませんでした"},
        {"rename ", "ファイル名を変更できませんでした"},
        {"create ", "ファイルを作成できませんでした"},
        {"delete ", "ファイルを削除できませんでした"},
        {"flush ", "ディスクへの書き出しに失敗しました"},
        {"close ", "ファイルを閉じられませんでした"},
        {"check ", "書き込んだファイルを確かめられませんでした"},
        {"write ", "ファイルに書き込めませんでした"},
        {"copy ", "音声データを写せませんでした"},
        {"read ", "ファイルを読み込めませんでした"},
        {"open ", "ファイルを開けませんでした"},
        {"stat ", "ファイルの情報を読めませんでした"},
    }};
    for (const auto& [verb, text] : kSteps) {
        if (step.starts_with(verb)) return text;
    }
    return "書き込みを終えられませんでした";
}

// The confirmation; false when the user does not want the write. For ID3v2 in
// encoding 0 with characters it can't hold, Yes chooses UTF-16 and No writes as
// the fields stand.
bool confirm(Catalogue& cat, std::uint8_t newCode, EditFields& fields, const Id3v2Tag& old) {
    // Frames of the old tag the new one can't keep are named first.
    const std::string dropped = fncDroppedFrames(old, newCode);
    const std::string before =
        dropped.empty() ? std::string() : "次のフレームは保存されません：" + dropped + "\r\n";
    const std::vector<LossyField> lossy = fncLossyFields(fields, newCode, old.CommentDesc);
    if (lossy.empty()) {
        return cat.toolkit.messageBox(before + std::string(kConfirmWrite), MsgButtons::YesNo) ==
               MsgAnswer::Yes;
    }
    const std::string lost = lossyLabels(lossy);
    if (newCode == kID3v1 || newCode == kID3v11) {
        const std::string prompt =
            before + "次の項目にはID3v1タグに書き込めない文字があり、「?」に置き換わります：" +
            lost + "\r\n" + std::string(kConfirmWrite);
        return cat.toolkit.messageBox(prompt, MsgButtons::YesNo) == MsgAnswer::Yes;
    }
    const std::string prompt =
        before + "次の項目にはLatin1(ISO-8859-1)で書き込めない文字があり、「?」に置き換わります：" +
        lost +
        "\r\nUnicode(ISO-10646-1)で書き込みますか？\r\n"
        "（はい：Unicodeで書き込みます　いいえ：このまま書き込みます　キャンセル：書き込みません）";
    switch (cat.toolkit.messageBox(prompt, MsgButtons::YesNoCancel)) {
        case MsgAnswer::Yes:
            fields.optEncode = 1;
            return true;
        case MsgAnswer::No:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string writeFailureText(const std::string& path, const Error& error) {
    return "ファイルへの書き込みに失敗しました。\r\n" + path + "\r\n" +
           std::string(stepText(error.step)) + "：" + error.description;
}

ExecOutcome cmdExecApply(Catalogue& cat, const EditTarget& target, std::uint8_t newCode,
                         EditFields& fields) {
    fields.legacyText = cat.legacyText;
    if ((newCode == kID3v1 || newCode == kID3v11) &&
        (fields.cmbGenre < 0 || fields.cmbGenre > 255)) {
        cat.toolkit.notice(kChooseGenre);
        return ExecOutcome::Stay;
    }
    std::optional<std::string> refused = fncRefusedValue(fields, newCode);
    if (!refused && newCode != kNoTag) {
        refused = tooLongValue(fncEditedRecord(target.filePath, fields, newCode));
    }
    if (refused) {
        cat.toolkit.notice(*refused);
        return ExecOutcome::Stay;
    }

    // The row is looked for first: a file written without its row would leave
    // the two out of step.
    bool openFailed = false;
    Result<bool> known = fncIsInDb(cat, target.filePath, &openFailed);
    if (openFailed) return ExecOutcome::Stay;  // fncDbOpen has said why
    if (!known || !*known) {
        if (!known) showDbError(cat, "fncIsInDb : ", known.error());
        if (known) cat.toolkit.notice("カタログにこのファイルのレコードがありません。");
        return ExecOutcome::Stay;
    }

    Result<OldTag> old = fncOldTag(target.recordVersion, target.recordPath, cat.legacyText);
    if (!old) {
        cat.toolkit.notice(writeFailureText(target.filePath, old.error()));
        return ExecOutcome::Stay;
    }
    if (!confirm(cat, newCode, fields, old->v2Tag)) return ExecOutcome::Stay;

    Status written = subWriteTag(target.filePath, target.recordPath, newCode, old->oldCode,
                                 old->audioStart, std::move(old->v2Tag), fields);
    if (!written) {
        cat.toolkit.notice(writeFailureText(target.filePath, written.error()));
        return ExecOutcome::Stay;
    }
    if (!fncUpDbAfterWrite(cat, target.filePath, fields, newCode)) {
        cat.toolkit.notice(kOutOfStep);
        return ExecOutcome::Stay;
    }
    return ExecOutcome::Close;
}

}  // namespace tagshelf
