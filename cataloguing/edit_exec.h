// OK in the edit window: the checks, the confirmation, the write of the tag into
// the file and the update of its catalogue row, as one operation that shows its
// messages through the catalogue's toolkit and tells the window whether to close.
#pragma once

#include <cstdint>
#include <string>

#include "core/error.h"
#include "id3/writer.h"

namespace tagshelf {

class Catalogue;

// The record the window edits.
struct EditTarget {
    std::string filePath;       // the path the window shows (txtFilePath)
    std::string recordPath;     // the record list's path of the record
    std::string recordVersion;  // the record list's version text of the record
};

enum class ExecOutcome {
    Stay,   // refused, answered No, or failed: the window keeps the user's entries
    Close,  // written and catalogued: the list is refreshed and the window closes
};

// cmdExec_Click's sequence for the new version code:
//  1. ID3v1/ID3v1.1 without a genre: "ジャンルを選択して下さい";
//  2. a value the write can't use, or one too long for the catalogue: its message;
//     a file whose row the catalogue no longer holds is not written;
//  3. the file's current tag by the record's version (the old code, where the
//     audio starts, the old ID3v2 tag);
//  4. the confirmation, which names the fields whose characters the chosen
//     encoding can't hold and, for ID3v2, offers to write in UTF-16 instead (the
//     choice sets fields.optEncode);
//  5. the write (subWriteTag); a failure shows writeFailureText;
//  6. the catalogue update by the new code; a failure is followed by a notice
//     that the file and the catalogue are out of step.
ExecOutcome cmdExecApply(Catalogue& cat, const EditTarget& target, std::uint8_t newCode,
                         EditFields& fields);

// "ファイルへの書き込みに失敗しました。", the path and the cause (the failed step
// in Japanese and the system's text), on three lines.
std::string writeFailureText(const std::string& path, const Error& error);

inline constexpr std::string_view kConfirmWrite = "ファイルに変更を書き込みますがよろしいですか？";
inline constexpr std::string_view kChooseGenre = "ジャンルを選択して下さい";
inline constexpr std::string_view kOutOfStep =
    "ファイルは書き換えましたが、カタログを更新できませんでした。";

}  // namespace tagshelf
