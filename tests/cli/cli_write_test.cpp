// tagshelf-cli write, and the edit-window fields it starts from: what the window
// shows for each kind of tag, carrying values over between versions, options
// replacing fields, and errors.
#include <sys/stat.h>

#include <sstream>

#include <gtest/gtest.h>

#include "cli/commands.h"
#include "id3/edit_fields.h"
#include "id3/genre_list.h"
#include "id3/reader.h"
#include "tests/id3/read_support.h"
#include "tests/id3/tag_builder.h"
#include "tests/id3/write_support.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::Bytes;
using test::concat;
using test::raw;
using test::readFile;

std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

// ---------------------------------------------------------------------------
// The genre list.

TEST(GenreList, PositionsAndNamesAsTheWindowListsThem) {
    const std::pair<int, const char*> names[] = {
        {0, "Blues"},       {17, "Rock"}, {37, "Sound"}, {39, "Gospel"}, {144, "Salsa "},
        {148, "Synthpop "}, {149, " "},   {251, " "},    {252, "Seiyu"}, {255, "Tokusatsu Anime"}};
    for (const auto& [position, name] : names) {
        EXPECT_EQ(kGenreList[position], name) << position;
    }
    EXPECT_EQ(genrePosition("Rock"), 17);
    EXPECT_EQ(genrePosition("rock"), 17);
    EXPECT_EQ(genrePosition("Tokusatsu Anime"), 255);
    EXPECT_EQ(genrePosition("Salsa"), std::nullopt);
    EXPECT_EQ(genrePosition("Nothing"), std::nullopt);
}

// ---------------------------------------------------------------------------
// Fields from tags.

// The edit window's boxes of one group as "name=value|…".
std::string v1Boxes(const EditFields& f) {
    return "Title=" + f.txtTitle + "|Artist=" + f.txtArtist + "|Album=" + f.txtAlbum +
           "|Track=" + f.txtTrack + "|Year=" + f.txtYear + "|Comment=" + f.txtComment +
           "|Genre=" + std::to_string(f.cmbGenre);
}
std::string v2Boxes(const EditFields& f) {
    return "TIT2=" + f.txtTIT2 + "|TPE1=" + f.txtTPE1 + "|TALB=" + f.txtTALB +
           "|TRCK=" + f.txtTRCK1 + "/" + f.txtTRCK2 + "|TYER=" + f.txtTYER + "|TDAT=" + f.txtTDAT1 +
           "/" + f.txtTDAT2 + "|COMM=" + f.txtCOMM2 + "|TCON=" + f.txtTCONNo + ":" + f.txtTCON +
           "|Encode=" + std::to_string(f.optEncode);
}

TEST(EditFieldsFromTags, Id3v1AsTheWindowShowsIt) {
    Id3v1Tag tag{1, "  Title  ", "A", "", "2003", std::string(30, 'c'), 9, 17};
    EXPECT_EQ(v1Boxes(editFieldsFromID3v1(tag)),
              "Title=Title|Artist=A|Album=|Track=9|Year=2003|Comment=" + std::string(28, 'c') +
                  "|Genre=17");
    tag.IsV11 = 0;
    tag.Comment = utf8(u8"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみ");
    EditFields f = editFieldsFromID3v1(tag);
    EXPECT_EQ(f.txtTrack, "");
    EXPECT_EQ(f.txtComment, utf8(u8"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ"));
}

TEST(EditFieldsFromTags, Id3v2TrackDateAndGenreAreSplit) {
    Id3v2Tag tag;
    tag.Title = "T\r\n";
    tag.Track = "5/12";
    tag.Year = "2003";
    tag.Day = "1225";
    tag.Genre = "(17)Rock";
    tag.Comment = "c";
    tag.Encode = 1;
    EXPECT_EQ(v2Boxes(editFieldsFromID3v2(tag)),
              "TIT2=T|TPE1=|TALB=|TRCK=5/12|TYER=2003|TDAT=12/25|COMM=c|TCON=17:Rock|Encode=1");
    tag.Track = "5";
    tag.Day = "501";
    tag.Genre = "Rock";
    EXPECT_EQ(v2Boxes(editFieldsFromID3v2(tag)),
              "TIT2=T|TPE1=|TALB=|TRCK=5/|TYER=2003|TDAT=05/01|COMM=c|TCON=:Rock|Encode=1");
    tag.Day = "7";
    tag.Genre = "(RX)Rock";
    EXPECT_EQ(v2Boxes(editFieldsFromID3v2(tag)),
              "TIT2=T|TPE1=|TALB=|TRCK=5/|TYER=2003|TDAT=07/|COMM=c|TCON=:(RX)Rock|Encode=1");
    // An eight-digit year frame holds the date too.
    tag.Year = "20031225";
    tag.Day = "";
    EXPECT_EQ(v2Boxes(editFieldsFromID3v2(tag)),
              "TIT2=T|TPE1=|TALB=|TRCK=5/|TYER=2003|TDAT=12/25|COMM=c|TCON=:(RX)Rock|Encode=1");
}

TEST(EditFieldsFromTags, AnUntouchedId3v2TagIsWrittenBackAsItWas) {
    Id3v2Tag tag;
    tag.Title = "Title";
    tag.Track = "5/12";
    tag.Year = "2003";
    tag.Day = "1225";
    tag.Genre = "(17)Rock";
    tag.Comment = "c";
    Id3v2Tag written;
    subID3v2FromFields(editFieldsFromID3v2(tag), kID3v23, written);
    // The day first, as the frame holds it.
    EXPECT_EQ(namedFields(written, "Title=|Track=|Year=|Day=|Genre=|Comment="),
              "Title=Title|Track=5/12|Year=2003|Day=2512|Genre=(17)Rock|Comment=c");
}

TEST(CarryOver, ToId3v2TakesTheId3v1FieldsTheGenreAndEncoding0) {
    EditFields f;
    f.txtTitle = "T";
    f.txtAlbum = "B";
    f.txtYear = "1999";
    f.txtTrack = "4";
    f.txtComment = "C";
    f.cmbGenre = 39;
    f.optEncode = 1;
    f.txtTIT2 = "replaced";
    f.txtTPE1 = "kept when the source is empty";
    carryFieldsOver(f, kID3v23);
    EXPECT_EQ(v2Boxes(f),
              "TIT2=T|TPE1=kept when the source is empty|TALB=B|TRCK=4/|TYER=1999|"
              "TDAT=/|COMM=C|TCON=39:Gospel|Encode=0");
    f.cmbGenre = -1;
    carryFieldsOver(f, kID3v22);
    EXPECT_EQ(f.txtTCON, "");
    EXPECT_EQ(f.txtTCONNo, "");
}

TEST(CarryOver, ToId3v1TakesTheId3v2FieldsButNotTheComment) {
    EditFields f;
    f.txtTIT2 = "T";
    f.txtTYER = "2001";
    f.txtTRCK1 = "6";
    f.txtCOMM2 = "C";
    f.txtTCON = "Rock";
    f.txtTCONNo = "17";
    carryFieldsOver(f, kID3v1);
    EXPECT_EQ(v1Boxes(f), "Title=T|Artist=|Album=|Track=|Year=2001|Comment=|Genre=17");
    carryFieldsOver(f, kID3v11);
    EXPECT_EQ(f.txtTrack, "6");

    EditFields noNumber;
    noNumber.txtTCON = "Rock";
    noNumber.txtTCONNo = "999";
    carryFieldsOver(noNumber, kID3v1);
    EXPECT_EQ(noNumber.cmbGenre, -1);
}

// ---------------------------------------------------------------------------
// The command.

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome runWrite(const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out;
    std::ostringstream err;
    Outcome o;
    o.status = cli::cmd_write(cli::Invocation{views, out, err});
    o.out = out.str();
    o.err = err.str();
    return o;
}

class CliWrite : public ::testing::Test {
  protected:
    std::string put(const Bytes& bytes, const std::string& name = "a.mp3") {
        std::string path = dir.file(name);
        test::writeFile(path, bytes);
        return path;
    }
    test::TempDir dir;
    const Bytes audio = test::fakeAudio(4000, 5);
};

TEST_F(CliWrite, NewId3v23TagOnAnUntaggedFile) {
    std::string path = put(audio);
    Outcome o = runWrite({"--version",  "ID3v23",  "--title", utf8(u8"題名"),
                          "--artist=A", "--track", "3",       "--track-total",
                          "12",         "--year",  "2003",    "--month",
                          "10",         "--day",   "5",       "--comment",
                          "hi",         "--genre", "Rock",    "--encoding",
                          "1",          path});
    ASSERT_EQ(o.status, cli::kExitOk) << o.err;
    EXPECT_EQ(o.out, "");
    const std::string want = "Version=3|Title=" + utf8(u8"題名") +
                             "|Artist=A|Track=3/12|Year=2003|Day=1005|Comment=hi|"
                             "Genre=(17)Rock|Encode=1";
    EXPECT_EQ(namedFields(*fncReadID3v2(path), want), want);
    Bytes after = readFile(path);
    EXPECT_EQ(Bytes(after.end() - static_cast<long>(audio.size()), after.end()), audio);
}

TEST_F(CliWrite, FieldsNotGivenKeepTheFilesValues) {
    Bytes v2 = test::Id3v2Builder(3)
                   .frame(test::frameV23("TIT2", test::utf16Text("Old")))
                   .frame(test::frameV23("TPE1", test::utf16Text("Artist")))
                   .frame(test::frameV23("TRCK", test::utf16Text("5/12")))
                   .frame(test::frameV23("TCON", test::utf16Text("(17)Rock")))
                   .frame(test::frameV23("TYER", test::utf16Text("1999")))
                   .frame(test::frameV23("TDAY", test::utf16Text("2512")))
                   .frame(test::frameV23(
                       "COMM", test::commentBody(1, "eng", test::utf16("d"), test::utf16("note"))))
                   .padding(500)
                   .build();
    std::string path = put(concat({v2, audio}));
    Outcome o = runWrite({path, "--title", "New"});
    ASSERT_EQ(o.status, cli::kExitOk) << o.err;
    Id3v2Tag tag = *fncReadID3v2(path);
    const std::string want =
        "Title=New|Artist=Artist|Track=5/12|Genre=(17)Rock|Year=1999|Day=1225|CommentDesc=d|"
        "Comment=note|Encode=1";
    EXPECT_EQ(namedFields(tag, want), want);
    EXPECT_EQ(readFile(path).size(), 10 + static_cast<std::size_t>(tag.TagSize) + audio.size());
}

TEST_F(CliWrite, Id3v1ToId3v23CarriesTheFieldsOver) {
    std::string path = put(concat(
        {audio,
         test::id3v1Trailer(
             {raw("Title"), raw("Artist"), {}, raw("1999"), raw("note"), std::uint8_t{4}, 39})}));
    Outcome o = runWrite({path, "--version", "ID3v23"});
    ASSERT_EQ(o.status, cli::kExitOk) << o.err;
    Id3v2Tag tag = *fncReadID3v2(path);
    const std::string want =
        "Title=Title|Artist=Artist|Track=4|Year=1999|Comment=note|Genre=(39)Gospel|Encode=0";
    EXPECT_EQ(namedFields(tag, want), want);
    // The ID3v2 tag goes in front of the whole old file, its ID3v1 block included.
    EXPECT_EQ(readFile(path).size(),
              10 + static_cast<std::size_t>(tag.TagSize) + audio.size() + 128);
}

TEST_F(CliWrite, Id3v23ToId3v11AndGenreByNameOrNumber) {
    Bytes v2 = test::Id3v2Builder(3)
                   .frame(test::frameV23("TIT2", test::sjisText("T")))
                   .frame(test::frameV23("TCON", test::sjisText("(17)Rock")))
                   .frame(test::frameV23("COMM", test::commentBody(0, "eng", {}, raw("dropped"))))
                   .build();
    std::string path = put(concat({v2, audio}));
    Outcome o = runWrite({path, "--version", "ID3v11", "--track", "9"});
    ASSERT_EQ(o.status, cli::kExitOk) << o.err;
    EXPECT_EQ(readFile(path).size(), audio.size() + 128);
    const std::string want = "IsV11=1|Title=T|Track=9|Genre=17|Comment=";
    EXPECT_EQ(namedFields(*fncReadID3v1(path), want), want);

    ASSERT_EQ(runWrite({path, "--genre", "Tokusatsu Anime"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v1(path)->Genre, 255);
    ASSERT_EQ(runWrite({path, "--genre-no", "39"}).status, cli::kExitOk);
    EXPECT_EQ(namedFields(*fncReadID3v1(path), "Genre=|Track="), "Genre=39|Track=9");
    EXPECT_EQ(readFile(path).size(), audio.size() + 128);
}

TEST_F(CliWrite, Id3v2GenreNameAndNumber) {
    std::string path = put(audio);
    const std::vector<std::pair<std::vector<std::string>, std::string>> steps = {
        {{"--version", "ID3v22", "--genre", "Rock"}, "(17)Rock"},
        {{"--genre", "My own"}, "My own"},
        {{"--genre-no", "39"}, "(39)Gospel"},
        {{"--genre-no", ""}, "Gospel"},
        {{"--genre", ""}, ""},
    };
    for (auto [args, genre] : steps) {
        args.insert(args.begin(), path);
        ASSERT_EQ(runWrite(args).status, cli::kExitOk) << ::testing::PrintToString(args);
        EXPECT_EQ(fncReadID3v2(path)->Genre, genre);
    }
    EXPECT_EQ(fncReadID3v2(path)->Version, 2);
}

TEST_F(CliWrite, NoneRemovesTheId3v2Tag) {
    Bytes v2 = test::Id3v2Builder(3).frame(test::frameV23("TIT2", test::sjisText("T"))).build();
    std::string path = put(concat({v2, audio}));
    ASSERT_EQ(runWrite({path, "--version", "NONE"}).status, cli::kExitOk);
    EXPECT_EQ(readFile(path), audio);
}

TEST_F(CliWrite, WrongCommandLinesAreRefusedWithoutTouchingTheFile) {
    const Bytes before = concat({audio, test::id3v1Trailer({raw("T"), {}, {}, {}, {}, {}, 1})});
    std::string path = put(before);
    // The file is ID3v1, which has no track nor date.
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {path, "other.mp3"},
        {path, "--bogus", "1"},
        {path, "--title"},
        {path, "--version", "ID3v24"},
        {path, "--encoding", "2", "--version", "ID3v23"},
        {path, "--month", "13", "--version", "ID3v23"},
        {path, "--day", "32", "--version", "ID3v23"},
        {path, "--track", "x", "--version", "ID3v11"},
        {path, "--track", "3"},
        {path, "--month", "1"},
        {path, "--genre", "No such genre"},
        {path, "--genre", "Rock", "--genre-no", "17"},
        {path, "--genre-no", "256"},
        {path, "--version", "NONE", "--title", "x"},
        {path, "--version", "ID3v23", "--year", "20/03"}};
    for (const auto& args : wrong) {
        Outcome o = runWrite(args);
        EXPECT_EQ(o.status, cli::kExitUsage) << ::testing::PrintToString(args);
        EXPECT_NE(o.err.find("usage: tagshelf-cli write"), std::string::npos);
    }
    EXPECT_EQ(readFile(path), before);
}

TEST_F(CliWrite, FailuresGiveStatus1AndTheErrorOnStderr) {
    Outcome missing = runWrite({dir.file("missing.mp3"), "--title", "x"});
    EXPECT_EQ(missing.status, cli::kExitFailure);
    EXPECT_NE(missing.err.find("missing.mp3"), std::string::npos);

    const Bytes before = concat({audio, test::id3v1Trailer({raw("T"), {}, {}, {}, {}, {}, 1})});
    std::string path = put(before);
    Outcome track = runWrite({path, "--version", "ID3v11", "--track", "256"});
    EXPECT_EQ(track.status, cli::kExitFailure);
    EXPECT_NE(track.err.find("0 to 255"), std::string::npos) << track.err;

    // A write that fails at its last step (deleting the backup) keeps the file.
    const Bytes tagged = concat(
        {test::Id3v2Builder(3).frame(test::frameV23("TIT2", test::sjisText("T"))).build(), audio});
    std::string other = put(tagged, "b.mp3");
    test::FailingFileSystem count;
    {
        fileops::ScopedFileSystem scoped(count);
        ASSERT_EQ(runWrite({other, "--title", "x"}).status, cli::kExitOk);
    }
    test::writeFile(other, tagged);
    test::FailingFileSystem fs;
    fs.failAt = count.calls;
    Outcome injected;
    {
        fileops::ScopedFileSystem scoped(fs);
        injected = runWrite({other, "--title", "y"});
    }
    EXPECT_EQ(readFile(other), tagged);
    EXPECT_EQ(injected.status, cli::kExitFailure);
    EXPECT_NE(injected.err.find("delete"), std::string::npos) << injected.err;
    EXPECT_EQ(readFile(path), before);
}

TEST_F(CliWrite, HelpDescribesTheOptions) {
    Outcome o = runWrite({"--help"});
    EXPECT_EQ(o.status, cli::kExitOk);
    for (const char* option :
         {"--version", "--title", "--track-total", "--month", "--genre-no", "--encoding"}) {
        EXPECT_NE(o.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace tagshelf
