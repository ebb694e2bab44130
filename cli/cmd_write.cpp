// tagshelf-cli write FILE [options]: writes a file's tag as OK in the edit window
// does. The fields start as the edit window would show the file's current tag;
// the options change them; then the old version, where the audio starts and the
// old ID3v2 tag are read from the file and the new tag is written with
// subWriteTag. With --catalogue the file's row is then updated as OK updates it.
#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "catalogue/records.h"
#include "catalogue/startup.h"
#include "cataloguing/edit_exec.h"
#include "cataloguing/edit_update.h"
#include "cataloguing/registration.h"
#include "cli/catalogue_option.h"
#include "cli/commands.h"
#include "core/toolkit.h"
#include "id3/apply_edit.h"
#include "id3/edit_fields.h"
#include "id3/edit_rules.h"
#include "id3/frame_carry.h"
#include "id3/genre_list.h"
#include "id3/writer.h"

namespace tagshelf::cli {
namespace {

void printUsage(std::ostream& os) {
    os << "usage: tagshelf-cli write " << kArguments_write << '\n';
}

void printWriteHelp(std::ostream& os) {
    printUsage(os);
    os << "\n"
          "Writes the tag of FILE the way OK in TagShelf's tag edit window does. The\n"
          "fields start with the values the edit window shows for the file's current\n"
          "tag; each option given replaces one of them; fields not given keep the\n"
          "file's values. An empty value (--title '') empties the field.\n"
          "\n"
          "  --version V      ID3v1, ID3v11, ID3v22, ID3v23 or NONE (default: the file's\n"
          "                   current version). Switching between ID3v1 and ID3v2\n"
          "                   carries title, artist, album, year, genre and (to ID3v1.1)\n"
          "                   track over, and (to ID3v2) the comment, with encoding 0.\n"
          "                   NONE removes an ID3v2 tag and leaves an ID3v1 tag as it is.\n"
          "  --title T, --artist A, --album A, --comment C\n"
          "  --track N        track number (ID3v1.1: 0 to 255; not for ID3v1)\n"
          "  --track-total N  number of tracks (ID3v2)\n"
          "  --year Y         year (ID3v1 also takes \"/\", which is dropped)\n"
          "  --month M, --day D\n"
          "                   the date frame (ID3v2): month 1 to 12, day 1 to 31\n"
          "  --genre NAME     ID3v1: a name of the genre list, whose position is stored;\n"
          "                   ID3v2: the genre name, with its list position as the number\n"
          "                   when NAME is in the list (else no number)\n"
          "  --genre-no N     the genre number 0 to 255 (ID3v2: with the list's name for\n"
          "                   it unless --genre is given; an empty N drops the number)\n"
          "  --encoding E     ID3v2 text encoding: 0 code page 932, 1 UTF-16\n"
          "  --lossy          write texts the encoding can't hold all the same (their\n"
          "                   characters become \"?\")\n"
          "  --catalogue FILE also update the file's row in that catalogue file exactly\n"
          "                   as OK in the edit window does (the row must be there;\n"
          "                   nothing is written otherwise)\n"
          "\n"
          "A text that ID3v1 or encoding 0 (code page 932) can't hold is not written\n"
          "unless --lossy is given: the fields are named and the exit status is 1\n"
          "(--encoding 1 holds every text of an ID3v2 tag).\n"
          "A file whose current ID3v2 track is \"n/m\" shows n as the track and m as the\n"
          "total. ID3v1 texts longer than their fields are cut at a whole character.\n"
          "The file is never left half written: on failure it keeps its former bytes.\n"
          "Exit status 1 when the file could not be read or written (the error is on\n"
          "stderr), 2 for a wrong command line.\n";
}

enum Option {
    kVersion,
    kTitle,
    kArtist,
    kAlbum,
    kTrack,
    kTrackTotal,
    kYear,
    kMonth,
    kDay,
    kComment,
    kGenre,
    kGenreNo,
    kEncoding,
    kCatalogue,
    kOptionCount
};

constexpr std::string_view kOptionNames[kOptionCount] = {
    "--version", "--title", "--artist",  "--album", "--track",    "--track-total", "--year",
    "--month",   "--day",   "--comment", "--genre", "--genre-no", "--encoding",    "--catalogue",
};

struct CommandLine {
    std::string file;
    std::array<std::optional<std::string>, kOptionCount> options;
    bool help = false;
    bool lossy = false;

    const std::optional<std::string>& operator[](Option o) const { return options[o]; }
};

bool allDigits(std::string_view text, bool slashToo = false) {
    return std::all_of(text.begin(), text.end(),
                       [&](char c) { return (c >= '0' && c <= '9') || (slashToo && c == '/'); });
}

int usageError(const Invocation& call, const std::string& message) {
    call.err << "tagshelf-cli write: " << message << '\n';
    printUsage(call.err);
    return kExitUsage;
}

std::optional<std::string> parse(const Invocation& call, CommandLine& line) {
    bool optionsEnded = false;
    bool haveFile = false;
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        std::string_view arg = call.args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            line.help = true;
            return std::nullopt;
        }
        if (!optionsEnded && arg == "--lossy") {
            line.lossy = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::string_view name = arg;
            std::optional<std::string_view> value;
            if (std::size_t eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            }
            auto known = std::find(std::begin(kOptionNames), std::end(kOptionNames), name);
            if (known == std::end(kOptionNames)) {
                return "unknown option '" + std::string(arg) + "'";
            }
            if (!value) {
                if (i + 1 >= call.args.size()) return std::string(name) + " needs a value";
                value = call.args[++i];
            }
            line.options[static_cast<std::size_t>(known - std::begin(kOptionNames))] =
                std::string(*value);
            continue;
        }
        if (haveFile) return std::string("only one FILE may be given");
        line.file = std::string(arg);
        haveFile = true;
    }
    if (!haveFile) return std::string("no FILE given");
    return std::nullopt;
}

bool isID3v1(std::uint8_t code) {
    return code == kID3v1 || code == kID3v11;
}
bool isID3v2(std::uint8_t code) {
    return isID3v2Code(code);
}

// The checks the edit window makes while the user types and leaves a box.
std::optional<std::string> checkValues(const CommandLine& line, std::uint8_t newCode) {
    for (Option o : {kTrack, kTrackTotal, kMonth, kDay, kGenreNo}) {
        if (line[o] && !allDigits(*line[o])) {
            return std::string(kOptionNames[o]) + " takes digits only";
        }
    }
    if (line[kYear] && !allDigits(*line[kYear], isID3v1(newCode))) {
        return std::string(isID3v1(newCode) ? "--year takes digits and \"/\" only"
                                            : "--year takes digits only");
    }
    auto within = [](const std::optional<std::string>& value, int low, int high) {
        if (!value || value->empty()) return true;
        if (value->size() > 6) return false;
        const int n = std::stoi(*value);
        return n >= low && n <= high;
    };
    if (!within(line[kMonth], 1, 12)) return std::string("--month must be from 1 to 12");
    if (!within(line[kDay], 1, 31)) return std::string("--day must be from 1 to 31");
    if (!within(line[kGenreNo], 0, 255)) return std::string("--genre-no must be from 0 to 255");
    if (line[kEncoding] && *line[kEncoding] != "0" && *line[kEncoding] != "1") {
        return std::string("--encoding must be 0 or 1");
    }

    // Options for fields the new version does not have.
    auto notFor = [&](std::initializer_list<Option> options,
                      std::string_view what) -> std::optional<std::string> {
        for (Option o : options) {
            if (line[o])
                return std::string(kOptionNames[o]) + " does not apply to " + std::string(what);
        }
        return std::nullopt;
    };
    if (newCode == kNoTag) {
        return notFor({kTitle, kArtist, kAlbum, kTrack, kTrackTotal, kYear, kMonth, kDay, kComment,
                       kGenre, kGenreNo, kEncoding},
                      "--version NONE");
    }
    if (isID3v1(newCode)) {
        if (auto e = notFor({kTrackTotal, kMonth, kDay, kEncoding}, "an ID3v1 tag")) return e;
        if (newCode == kID3v1 && line[kTrack]) {
            return std::string("--track needs ID3v11 (ID3v1 has no track number)");
        }
        if (line[kGenre] && line[kGenreNo]) {
            return std::string("give --genre or --genre-no for an ID3v1 tag, not both");
        }
        if (line[kGenre] && !genrePosition(*line[kGenre])) {
            return "'" + *line[kGenre] + "' is not in the genre list";
        }
        if (line[kGenreNo] && line[kGenreNo]->empty()) {
            return std::string("an ID3v1 tag needs a genre number");
        }
    }
    return std::nullopt;
}

void applyOptions(const CommandLine& line, std::uint8_t newCode, EditFields& f) {
    auto set = [&](Option o, std::string& field) {
        if (line[o]) field = *line[o];
    };
    if (isID3v1(newCode)) {
        set(kTitle, f.txtTitle);
        set(kArtist, f.txtArtist);
        set(kAlbum, f.txtAlbum);
        set(kTrack, f.txtTrack);
        set(kYear, f.txtYear);
        set(kComment, f.txtComment);
        if (line[kGenre]) f.cmbGenre = *genrePosition(*line[kGenre]);
        if (line[kGenreNo]) f.cmbGenre = std::stoi(*line[kGenreNo]);
        return;
    }
    set(kTitle, f.txtTIT2);
    set(kArtist, f.txtTPE1);
    set(kAlbum, f.txtTALB);
    set(kTrack, f.txtTRCK1);
    set(kTrackTotal, f.txtTRCK2);
    set(kYear, f.txtTYER);
    set(kMonth, f.txtTDAT1);
    set(kDay, f.txtTDAT2);
    set(kComment, f.txtCOMM2);
    // The genre dialog sets name and number together; a name typed alone keeps
    // the list's number for it, so that "(17)Rock" never becomes "(17)Pop".
    if (line[kGenre]) {
        f.txtTCON = *line[kGenre];
        std::optional<int> position =
            line[kGenre]->empty() ? std::nullopt : genrePosition(*line[kGenre]);
        f.txtTCONNo = position ? std::to_string(*position) : std::string();
    }
    if (line[kGenreNo]) {
        f.txtTCONNo = *line[kGenreNo];
        if (!line[kGenre]) {
            f.txtTCON =
                f.txtTCONNo.empty()
                    ? f.txtTCON
                    : std::string(kGenreList[static_cast<std::size_t>(std::stoi(f.txtTCONNo))]);
        }
        // A number written as given, without leading zeros: "017" is 17.
        if (!f.txtTCONNo.empty()) f.txtTCONNo = std::to_string(std::stoi(f.txtTCONNo));
    }
    if (line[kEncoding]) f.optEncode = *line[kEncoding] == "1" ? 1 : 0;
}

// The write followed by the catalogue update of OK, on the catalogue `file`:
// the row is looked up by the file's full path before anything is written.
int writeAndCatalogue(const Invocation& call, const std::string& given, const std::string& file,
                      std::uint8_t oldCode, std::uint8_t newCode, const EditFields& fields) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(given, ec).string();
    if (ec) path = given;
    ScriptedToolkit toolkit;
    printMessagesTo(toolkit, call.err);
    Catalogue cat(toolkit);
    if (!chooseCatalogue(cat, file, call.err)) return kExitFailure;
    auto refuse = [&](const std::string& why) {
        call.err << "tagshelf-cli write: " << path << ": " << why << '\n';
        return kExitFailure;
    };
    bool openFailed = false;
    Result<bool> known = fncIsInDb(cat, path, &openFailed);
    if (openFailed) return kExitFailure;
    if (!known) return refuse(known.error().description);
    if (!*known) return refuse("the catalogue " + file + " holds no row for the file");
    if (newCode != kNoTag) {
        if (auto tooLong = tooLongValue(fncEditedRecord(path, fields, newCode))) {
            return refuse(*tooLong);
        }
    }
    Status written = fncApplyEdit(path, path, versionText(oldCode), newCode, fields);
    if (!written) return refuse(writeFailureText(path, written.error()));
    if (!fncUpDbAfterWrite(cat, path, fields, newCode)) return refuse(std::string(kOutOfStep));
    return kExitOk;
}

}  // namespace

int cmd_write(const Invocation& call) {
    CommandLine line;
    if (std::optional<std::string> wrong = parse(call, line)) return usageError(call, *wrong);
    if (line.help) {
        printWriteHelp(call.out);
        return kExitOk;
    }
    if (line[kVersion] && (!versionCode(*line[kVersion]) || *line[kVersion] == "ID3v24")) {
        return usageError(call, "unknown version '" + *line[kVersion] +
                                    "' (ID3v1, ID3v11, ID3v22, ID3v23 or NONE)");
    }

    auto fail = [&](const Error& e) {
        call.err << "tagshelf-cli write: " << line.file << ": ";
        if (!e.step.empty()) call.err << e.step << ": ";
        call.err << e.description << '\n';
        return kExitFailure;
    };

    // Legacy texts as the program in the current folder reads and writes them.
    const LegacyText legacy = legacyTextFromIni(currentDirectory());
    Result<FileTag> current = fncReadFileTag(line.file, legacy);
    if (!current) return fail(current.error());
    const std::uint8_t oldCode = current->version;
    // A version-4 tag is written as ID3v2.3, the newest version the writer makes.
    const std::uint8_t kept = oldCode == kID3v24 ? std::uint8_t{kID3v23} : oldCode;
    const std::uint8_t newCode = line[kVersion] ? *versionCode(*line[kVersion]) : kept;
    if (std::optional<std::string> wrong = checkValues(line, newCode)) {
        return usageError(call, *wrong);
    }

    EditFields fields;
    if (isID3v1(oldCode)) fields = editFieldsFromID3v1(current->v1);
    if (isID3v2(oldCode)) fields = editFieldsFromID3v2(current->v2);
    const bool sameGroup =
        (isID3v1(oldCode) && isID3v1(newCode)) || (isID3v2(oldCode) && isID3v2(newCode));
    if (!sameGroup) carryFieldsOver(fields, newCode);
    applyOptions(line, newCode, fields);
    fields.legacyText = legacy;

    if (isID3v1(newCode) && fields.cmbGenre < 0) {
        return usageError(call,
                          "the file has no genre to keep: choose one with --genre or --genre-no");
    }
    const std::vector<LossyField> lossy =
        fncLossyFields(fields, newCode, isID3v2(oldCode) ? current->v2.CommentDesc : "");
    if (!lossy.empty() && !line.lossy) {
        call.err << "tagshelf-cli write: " << line.file << ": characters of";
        for (const LossyField& f : lossy)
            call.err << ' ' << f.option;
        call.err << " can't be held by the encoding and would be written as \"?\"; "
                    "give --lossy to write them anyway"
                 << (isID3v2(newCode) ? ", or --encoding 1" : "") << '\n';
        return kExitFailure;
    }

    // Frames of the old tag the new one can't keep are named.
    if (isID3v2(oldCode) && isID3v2(newCode)) {
        if (Result<OldTag> old = fncOldTag(versionText(oldCode), line.file, legacy); old) {
            if (std::string dropped = fncDroppedFrames(old->v2Tag, newCode); !dropped.empty()) {
                call.err << "tagshelf-cli write: " << line.file << ": frames not kept: " << dropped
                         << '\n';
            }
        }
    }

    if (!line[kCatalogue]) {
        Status written = fncApplyEdit(line.file, line.file, versionText(oldCode), newCode, fields);
        return written ? kExitOk : fail(written.error());
    }
    return writeAndCatalogue(call, line.file, *line[kCatalogue], oldCode, newCode, fields);
}

}  // namespace tagshelf::cli
