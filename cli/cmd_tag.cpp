// tagshelf-cli tag FILE...: detects each file's tag and reads it, one JSON object
// per line:
//   {"path":…, "family":0, "tag":{the Id3v1Tag fields}}    ID3v1 trailer
//   {"path":…, "family":2, "tag":{the Id3v2Tag fields}}    ID3v2 tag
//   {"path":…, "family":4, "tag":null}                    no tag
//   {"path":…, "error":"…"}                               the file could not be read
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/startup.h"
#include "cli/commands.h"
#include "cli/tag_json.h"
#include "id3/reader.h"

namespace tagshelf::cli {
namespace {

void printUsage(std::ostream& os) {
    os << "usage: tagshelf-cli tag " << kArguments_tag << '\n';
}

void printTagHelp(std::ostream& os) {
    printUsage(os);
    os << "\n"
          "Detects the tag of each FILE (ID3v2 at the start, else an ID3v1 trailer at\n"
          "the end) and reads it, printing one JSON object per line, in order:\n"
          "  {\"path\":…, \"family\":0, \"tag\":{IsV11, Title, Artist, Album, Year, Comment,\n"
          "                                Track, Genre}}               ID3v1 / ID3v1.1\n"
          "  {\"path\":…, \"family\":2, \"tag\":{Version, Revision, Unsync, ExtHeader,\n"
          "                                Experimental, CrcPresent, TagSize, Crc, Title,\n"
          "                                Artist, Album, Year, Day, CommentDesc, Comment,\n"
          "                                Track, Genre, Encode}}       ID3v2.2 / ID3v2.3\n"
          "  {\"path\":…, \"family\":4, \"tag\":null}                       no tag\n"
          "  {\"path\":…, \"error\":\"…\"}                                  file not readable\n"
          "Texts are UTF-8 exactly as read (an ID3v1 year of four NUL bytes gives four\n"
          "U+0000 characters). Arguments after -- are files even when they start with '-'.\n"
          "Exit status 1 when any file could not be read.\n";
}

Json describeFile(const std::string& path) {
    Json line;
    line["path"] = path;
    // Legacy texts as the program in the current folder reads them.
    Result<FileTag> tag = fncReadFileTag(path, legacyTextFromIni(currentDirectory()));
    if (!tag) {
        line["error"] = tag.error().description;
        return line;
    }
    line["family"] = tag->family;
    if (tag->family == kID3v1) {
        line["tag"] = toJson(tag->v1);
    } else if (tag->family == kID3v22) {
        line["tag"] = toJson(tag->v2);
    } else {
        line["tag"] = nullptr;
    }
    return line;
}

}  // namespace

int cmd_tag(const Invocation& call) {
    std::vector<std::string_view> files;
    bool optionsEnded = false;
    for (std::string_view arg : call.args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            printTagHelp(call.out);
            return kExitOk;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            call.err << "tagshelf-cli tag: unknown option '" << arg << "'\n";
            printUsage(call.err);
            return kExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        call.err << "tagshelf-cli tag: no FILE given\n";
        printUsage(call.err);
        return kExitUsage;
    }
    int status = kExitOk;
    for (std::string_view file : files) {
        Json line = describeFile(std::string(file));
        if (line.contains("error")) status = kExitFailure;
        call.out << jsonLine(line) << '\n';
    }
    return status;
}

}  // namespace tagshelf::cli
