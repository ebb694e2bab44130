#include "cli/tag_json.h"

#include "catalogue/columns.h"

namespace tagshelf::cli {

Json toJson(const Id3v1Tag& tag) {
    Json j;
    j["IsV11"] = tag.IsV11;
    j["Title"] = tag.Title;
    j["Artist"] = tag.Artist;
    j["Album"] = tag.Album;
    j["Year"] = tag.Year;
    j["Comment"] = tag.Comment;
    j["Track"] = tag.Track;
    j["Genre"] = tag.Genre;
    return j;
}

Json toJson(const Id3v2Tag& tag) {
    Json j;
    j["Version"] = tag.Version;
    j["Revision"] = tag.Revision;
    j["Unsync"] = tag.Unsync;
    j["ExtHeader"] = tag.ExtHeader;
    j["Experimental"] = tag.Experimental;
    j["CrcPresent"] = tag.CrcPresent;
    j["TagSize"] = tag.TagSize;
    j["Crc"] = tag.Crc;
    j["Title"] = tag.Title;
    j["Artist"] = tag.Artist;
    j["Album"] = tag.Album;
    j["Year"] = tag.Year;
    j["Day"] = tag.Day;
    j["CommentDesc"] = tag.CommentDesc;
    j["Comment"] = tag.Comment;
    j["Track"] = tag.Track;
    j["Genre"] = tag.Genre;
    j["Encode"] = tag.Encode;
    return j;
}

Json toJson(const Record& row) {
    Json j = Json::object();
    for (const Column& c : kColumns)
        j[std::string(c.name)] = row.*c.member;
    return j;
}

std::string jsonLine(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace tagshelf::cli
