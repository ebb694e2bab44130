// tagshelf-cli add [--catalogue FILE] [--create] PATH...: registers files and
// folders exactly as dropping them on the main window's grid does, printing every
// message the program would show on stderr and the counts at the end.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/db.h"
#include "catalogue/schema.h"
#include "cataloguing/scan.h"
#include "cli/catalogue_option.h"
#include "cli/commands.h"
#include "core/toolkit.h"

namespace tagshelf::cli {
namespace {

void printAddHelp(std::ostream& os) {
    os << "usage: tagshelf-cli add " << kArguments_add << "\n"
       << "\n"
          "Registers MP3 files and folders in the catalogue as a drop onto the main\n"
          "window does: a FILE whose name ends in \".mp3\" (any letter case) is\n"
          "registered; a folder is scanned with all its subfolders (their files first,\n"
          "by name; hidden entries left out). Files already in the catalogue are\n"
          "skipped. A PATH that does not exist, that is neither a file nor a folder, or\n"
          "a file not named .mp3 is an error: nothing is registered then.\n"
          "\n"
       << kCatalogueOptionHelp
       << "  --create          create the catalogue file when it does not exist\n"
          "\n"
          "Every message the program would show goes to stderr, one per line (a\n"
          "message's own line breaks shown as \" | \"); the last line on stdout gives the\n"
          "numbers of files registered, skipped (already in the catalogue, or\n"
          "unreadable) and failed (refused by the catalogue, or not stored because the\n"
          "catalogue could not be written), and of folders that could not be read.\n"
          "Exit status 1 when a file or folder was unreadable or a file failed.\n";
}

// Why a path given on the command line can't be added; empty when it can.
std::string notAddable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "no such file or folder";
    if (S_ISDIR(st.st_mode)) return {};
    if (!S_ISREG(st.st_mode)) return "neither a file nor a folder";
    if (!isMp3Name(path)) return "not an MP3 file (the name does not end in .mp3)";
    return {};
}

}  // namespace

int cmd_add(const Invocation& call) {
    std::optional<std::string> catalogue;
    bool create = false;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        std::string_view arg = call.args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            printAddHelp(call.out);
            return kExitOk;
        } else if (!optionsEnded && arg == "--catalogue") {
            if (i + 1 >= call.args.size()) {
                call.err << "tagshelf-cli add: --catalogue needs a FILE\n";
                return kExitUsage;
            }
            catalogue = std::string(call.args[++i]);
        } else if (!optionsEnded && arg == "--create") {
            create = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            call.err << "tagshelf-cli add: unknown option " << arg << '\n';
            return kExitUsage;
        } else {
            // The catalogue keeps full paths; a dropped folder arrives without its
            // trailing separator.
            std::error_code ec;
            std::string path = std::filesystem::absolute(std::string(arg), ec).string();
            if (ec) path = std::string(arg);
            while (path.size() > 1 && path.back() == '/')
                path.pop_back();
            paths.push_back(path);
        }
    }
    if (paths.empty()) {
        call.err << "usage: tagshelf-cli add " << kArguments_add << '\n';
        return kExitUsage;
    }

    ScriptedToolkit toolkit;
    printMessagesTo(toolkit, call.err);
    Catalogue cat(toolkit);
    if (!chooseCatalogue(cat, catalogue, call.err)) return kExitFailure;

    // Every path must be an MP3 file or a folder before anything is registered.
    for (const std::string& path : paths) {
        if (std::string wrong = notAddable(path); !wrong.empty()) {
            call.err << "tagshelf-cli add: " << path << ": " << wrong << '\n';
            return kExitFailure;
        }
    }

    const std::string file = cat.path();
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        if (!create) {
            call.err << "tagshelf-cli add: the catalogue " << file
                     << " does not exist (--create makes it)\n";
            return kExitFailure;
        }
        std::ofstream(file, std::ios::app);
    }
    // The tables, as the program makes them at start.
    if (!subCreateTables(cat)) return kExitFailure;
    {
        // A catalogue that can't be opened is reported once, not for every file.
        DbConnection conn;
        if (!fncDbOpen(cat, conn)) return kExitFailure;
    }

    ScanReport report = addFiles(
        cat,
        [&paths](Progress*) {
            FileCollection files;
            for (const std::string& path : paths) {
                if (std::filesystem::is_directory(path)) {
                    subGetFiles(files, path, true);
                } else {
                    files.files.push_back(path);
                }
            }
            return files;
        },
        nullptr);
    showScanReport(cat, report);

    long skippedCount = report.alreadyThere + static_cast<long>(report.unreadable.size());
    long failed = static_cast<long>(report.refused.size()) + report.lost + report.notDone;
    call.out << "registered " << report.registered << ", skipped " << skippedCount << ", failed "
             << failed;
    if (!report.unreadableFolders.empty()) {
        call.out << ", unreadable folders " << report.unreadableFolders.size();
    }
    call.out << '\n';
    bool clean = failed == 0 && report.unreadable.empty() && report.unreadableFolders.empty();
    return clean ? kExitOk : kExitFailure;
}

}  // namespace tagshelf::cli
