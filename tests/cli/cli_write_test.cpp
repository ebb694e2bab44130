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
    EXPECT_EQ(kGenreList[0], "Blues");
    EXPECT_EQ(kGenreList[17], "Rock");
    EXPECT_EQ(kGenreList[37], "Sound");
    EXPECT_EQ(kGenreList[39], "Gospel");
    EXPECT_EQ(kGenreList[144], "Salsa ");
    EXPECT_EQ(kGenreList[148], "Synthpop ");
    EXPECT_EQ(kGenreList[149], " ");
    EXPECT_EQ(kGenreList[251], " ");
    EXPECT_EQ(kGenreList[252], "Seiyu");
    EXPECT_EQ(kGenreList[255], "Tokusatsu Anime");
    EXPECT_EQ(genrePosition("Rock"), 17);
    EXPECT_EQ(genrePosition("rock"), 17);
    EXPECT_EQ(genrePosition("Tokusatsu Anime"), 255);
    EXPECT_EQ(genrePosition("Salsa"), std::nullopt);
    EXPECT_EQ(genrePosition("Nothing"), std::nullopt);
}

// ---------------------------------------------------------------------------
// Fields from tags.

TEST(EditFieldsFromTags, Id3v1AsTheWindowShowsIt) {
    Id3v1Tag tag;
    tag.IsV11 = 1;
    tag.Title = "  Title  ";
    tag.Artist = "A";
    tag.Year = "2003";
    tag.Comment = std::string(30, 'c');
    tag.Track = 9;
    tag.Genre = 17;
    EditFields f = editFieldsFromID3v1(tag);
    EXPECT_EQ(f.txtTitle, "Title");
    EXPECT_EQ(f.txtArtist, "A");
    EXPECT_EQ(f.txtYear, "2003");
    EXPECT_EQ(f.txtComment, std::string(28, 'c'));
    EXPECT_EQ(f.txtTrack, "9");
    EXPECT_EQ(f.cmbGenre, 17);
    tag.IsV11 = 0;
    tag.Comment = utf8(u8"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみ");
    f = editFieldsFromID3v1(tag);
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
    EditFields f = editFieldsFromID3v2(tag);
    EXPECT_EQ(f.txtTIT2, "T");
    EXPECT_EQ(f.txtTRCK1, "5");
    EXPECT_EQ(f.txtTRCK2, "12");
    EXPECT_EQ(f.txtTYER, "2003");
    EXPECT_EQ(f.txtTDAT1, "12");
    EXPECT_EQ(f.txtTDAT2, "25");
    EXPECT_EQ(f.txtTCONNo, "17");
    EXPECT_EQ(f.txtTCON, "Rock");
    EXPECT_EQ(f.txtCOMM2, "c");
    EXPECT_EQ(f.optEncode, 1);

    tag.Track = "5";
    tag.Day = "501";
    tag.Genre = "Rock";
    f = editFieldsFromID3v2(tag);
    EXPECT_EQ(f.txtTRCK1, "5");
    EXPECT_EQ(f.txtTRCK2, "");
    EXPECT_EQ(f.txtTDAT1, "05");
    EXPECT_EQ(f.txtTDAT2, "01");
    EXPECT_EQ(f.txtTCONNo, "");
    EXPECT_EQ(f.txtTCON, "Rock");

    tag.Day = "7";
    tag.Genre = "(RX)Rock";
    f = editFieldsFromID3v2(tag);
    EXPECT_EQ(f.txtTDAT1, "07");
    EXPECT_EQ(f.txtTDAT2, "");
    EXPECT_EQ(f.txtTCON, "(RX)Rock");

    // An eight-digit year frame holds the date too.
    tag.Year = "20031225";
    tag.Day = "";
    f = editFieldsFromID3v2(tag);
    EXPECT_EQ(f.txtTYER, "2003");
    EXPECT_EQ(f.txtTDAT1, "12");
    EXPECT_EQ(f.txtTDAT2, "25");
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
    EXPECT_EQ(written.Track, "5/12");
    EXPECT_EQ(written.Year, "2003");
    EXPECT_EQ(written.Day, "2512");  // day first, as the frame holds it
    EXPECT_EQ(written.Genre, "(17)Rock");
}

TEST(CarryOver, ToId3v2TakesTheId3v1FieldsTheGenreAndEncoding0) {
    EditFields f;
    f.txtTitle = "T";
    f.txtArtist = "A";
    f.txtAlbum = "B";
    f.txtYear = "1999";
    f.txtTrack = "4";
    f.txtComment = "C";
    f.cmbGenre = 39;
    f.optEncode = 1;
    f.txtTIT2 = "kept when the source is empty";
    f.txtArtist = "";
    f.txtTPE1 = "P";
    carryFieldsOver(f, kID3v23);
    EXPECT_EQ(f.txtTIT2, "T");
    EXPECT_EQ(f.txtTPE1, "P");
    EXPECT_EQ(f.txtTALB, "B");
    EXPECT_EQ(f.txtTYER, "1999");
    EXPECT_EQ(f.txtTRCK1, "4");
    EXPECT_EQ(f.txtCOMM2, "C");
    EXPECT_EQ(f.txtTCON, "Gospel");
    EXPECT_EQ(f.txtTCONNo, "39");
    EXPECT_EQ(f.optEncode, 0);
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
    EXPECT_EQ(f.txtTitle, "T");
    EXPECT_EQ(f.txtYear, "2001");
    EXPECT_EQ(f.txtTrack, "");
    EXPECT_EQ(f.txtComment, "");
    EXPECT_EQ(f.cmbGenre, 17);
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
    Id3v2Tag tag = *fncReadID3v2(path);
    EXPECT_EQ(tag.Version, 3);
    EXPECT_EQ(tag.Title, utf8(u8"題名"));
    EXPECT_EQ(tag.Artist, "A");
    EXPECT_EQ(tag.Track, "3/12");
    EXPECT_EQ(tag.Year, "2003");
    EXPECT_EQ(tag.Day, "1005");
    EXPECT_EQ(tag.Comment, "hi");
    EXPECT_EQ(tag.Genre, "(17)Rock");
    EXPECT_EQ(tag.Encode, 1);
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
    EXPECT_EQ(tag.Title, "New");
    EXPECT_EQ(tag.Artist, "Artist");
    EXPECT_EQ(tag.Track, "5/12");
    EXPECT_EQ(tag.Genre, "(17)Rock");
    EXPECT_EQ(tag.Year, "1999");
    EXPECT_EQ(tag.Day, "1225");
    EXPECT_EQ(tag.CommentDesc, "d");
    EXPECT_EQ(tag.Comment, "note");
    EXPECT_EQ(tag.Encode, 1);
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
    EXPECT_EQ(tag.Title, "Title");
    EXPECT_EQ(tag.Artist, "Artist");
    EXPECT_EQ(tag.Track, "4");
    EXPECT_EQ(tag.Year, "1999");
    EXPECT_EQ(tag.Comment, "note");
    EXPECT_EQ(tag.Genre, "(39)Gospel");
    EXPECT_EQ(tag.Encode, 0);
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
    Bytes after = readFile(path);
    EXPECT_EQ(after.size(), audio.size() + 128);
    Id3v1Tag tag = *fncReadID3v1(path);
    EXPECT_EQ(tag.IsV11, 1);
    EXPECT_EQ(tag.Title, "T");
    EXPECT_EQ(tag.Track, 9);
    EXPECT_EQ(tag.Genre, 17);
    EXPECT_EQ(tag.Comment, "");

    ASSERT_EQ(runWrite({path, "--genre", "Tokusatsu Anime"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v1(path)->Genre, 255);
    ASSERT_EQ(runWrite({path, "--genre-no", "39"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v1(path)->Genre, 39);
    EXPECT_EQ(fncReadID3v1(path)->Track, 9);
    EXPECT_EQ(readFile(path).size(), audio.size() + 128);
}

TEST_F(CliWrite, Id3v2GenreNameAndNumber) {
    std::string path = put(audio);
    ASSERT_EQ(runWrite({path, "--version", "ID3v22", "--genre", "Rock"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v2(path)->Genre, "(17)Rock");
    ASSERT_EQ(runWrite({path, "--genre", "My own"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v2(path)->Genre, "My own");
    ASSERT_EQ(runWrite({path, "--genre-no", "39"}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v2(path)->Genre, "(39)Gospel");
    ASSERT_EQ(runWrite({path, "--genre-no", ""}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v2(path)->Genre, "Gospel");
    ASSERT_EQ(runWrite({path, "--genre", ""}).status, cli::kExitOk);
    EXPECT_EQ(fncReadID3v2(path)->Genre, "");
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
        {path, "--track", "3"},  // ID3v1 has no track
        {path, "--month", "1"},  // nor a date
        {path, "--genre", "No such genre"},
        {path, "--genre", "Rock", "--genre-no", "17"},
        {path, "--genre-no", "256"},
        {path, "--version", "NONE", "--title", "x"},
        {path, "--version", "ID3v23", "--year", "20/03"},
    };
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

    // A file the write fails on keeps its bytes.
    test::FailingFileSystem fs;
    fs.failAt = 1;
    Outcome injected;
    {
        Bytes v2 = test::Id3v2Builder(3).frame(test::frameV23("TIT2", test::sjisText("T"))).build();
        std::string v2path = put(concat({v2, audio}), "b.mp3");
        // Fail the first step of the write itself (after the reads).
        test::FailingFileSystem count;
        {
            fileops::ScopedFileSystem scoped(count);
            ASSERT_EQ(runWrite({v2path, "--title", "x"}).status, cli::kExitOk);
        }
        test::writeFile(v2path, concat({v2, audio}));
        fs.failAt = count.calls;  // the last step: deleting the backup
        fileops::ScopedFileSystem scoped(fs);
        injected = runWrite({v2path, "--title", "y"});
        EXPECT_EQ(readFile(v2path), concat({v2, audio}));
    }
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
