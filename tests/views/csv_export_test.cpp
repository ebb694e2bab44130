// The CSV file, byte for byte, and what happens when it can't be written.
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "core/file_ops.h"
#include "tests/support/catalogue_fixture.h"
#include "views/list_presenter.h"

namespace tagshelf::test {
namespace {

namespace fs = std::filesystem;

// Every write fails half-way, as on a full disk.
class FullDisk : public fileops::FileSystem {
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        (void)FileSystem::pwrite(fd, buffer, count / 2, offset);
        errno = ENOSPC;
        return -1;
    }
};

class CsvExportTest : public ::testing::Test {
  protected:
    CsvExportTest() {
        f.addRow({"Blue", "歌手", " ", "1", "2003", "1225", "ロック", "17", " ", "0", "ID3v23",
                  "/m/b.mp3"});
        f.addRow({"Amber", "a,b", " ", "2", " ", " ", " ", "255", "say \"hi\"\r\nbye", "1",
                  "ID3v22", "/m/a.mp3"});
        f.addRow({"Coral", "😀", " ", "10", " ", " ", " ", "255", " ", " ", "NONE", "/m/c.mp3"});
        list.load();
    }
    std::string out() const { return f.dir.file("out.csv"); }

    CatalogueFixture f;
    ListPresenter list{f.cat};
};

const std::string kAmber =
    "Amber,\"a,b\", ,2, , , ,255,\"say \"\"hi\"\"\r\nbye\",1,ID3v22,/m/a.mp3\r\n";
const std::string kBlue = "Blue,歌手, ,1,2003,1225,ロック,17, ,0,ID3v23,/m/b.mp3\r\n";

TEST_F(CsvExportTest, WritesEveryColumnOfTheListShownInTitleOrderQuotedWhereNeeded) {
    std::array<bool, kDataColumns> one{};
    one[0] = true;
    list.showColumns(one);  // hidden columns are written all the same
    list.sort("トラック");  // whatever order the grid shows
    const std::pair<CsvEncoding, std::string> cases[] = {
        {CsvEncoding::Cp932, kAmber +
                                 "Blue,\x89\xcc\x8e\xe8, ,1,2003,1225,\x83\x8d\x83\x62\x83N,17, "
                                 ",0,ID3v23,/m/b.mp3\r\n"
                                 "Coral,?, ,10, , , ,255, , ,NONE,/m/c.mp3\r\n\r\n"},
        {CsvEncoding::Utf8, kAmber + kBlue + "Coral,😀, ,10, , , ,255, , ,NONE,/m/c.mp3\r\n\r\n"},
    };
    for (const auto& [encoding, bytes] : cases) {
        ASSERT_TRUE(list.writeCsv(out(), encoding));
        EXPECT_EQ(readText(out()), bytes);
    }
    list.search("blue");
    ASSERT_TRUE(list.writeCsv(out(), CsvEncoding::Utf8));
    EXPECT_EQ(readText(out()), kBlue + "\r\n");
    EXPECT_TRUE(f.toolkit.messages.empty());
}

TEST_F(CsvExportTest, TheMenuItemAsksForTheFileAndOverwritesWithoutAQuestion) {
    writeText(out(), "old");
    ::chmod(out().c_str(), 0640);
    f.toolkit.fileAnswers = {std::nullopt, out()};
    list.saveCsv();  // cancelled
    EXPECT_EQ(readText(out()), "old");
    list.saveCsv();
    EXPECT_EQ(f.toolkit.fileDialogFilters, std::vector<std::string>(2, "CSVファイル(*.csv)|*.csv"));
    EXPECT_EQ(readText(out()).substr(0, kAmber.size()), kAmber);
    EXPECT_EQ(fs::status(out()).permissions(), fs::perms(0640));
    EXPECT_TRUE(f.toolkit.messages.empty());

    CatalogueFixture empty;  // nothing is asked on an empty catalogue
    ListPresenter(empty.cat).saveCsv();
    EXPECT_TRUE(empty.toolkit.fileDialogFilters.empty());
}

TEST_F(CsvExportTest, AFileThatCantBeWrittenIsNamedAndNeverLeftHalfWritten) {
    const std::string missing = f.dir.file("no-folder/out.csv");
    EXPECT_FALSE(list.writeCsv(missing, CsvEncoding::Cp932));
    EXPECT_EQ(f.toolkit.prompts(),
              std::vector<std::string>{"CSVファイルを保存できませんでした。\n" + missing +
                                       "\nNo such file or directory"});
    writeText(out(), "old");
    FullDisk full;
    fileops::ScopedFileSystem scoped(full);
    EXPECT_FALSE(list.writeCsv(out(), CsvEncoding::Cp932));
    EXPECT_EQ(readText(out()), "old");
    EXPECT_FALSE(fs::exists(out() + ".part"));
    EXPECT_EQ(f.toolkit.prompts().back(),
              "CSVファイルを保存できませんでした。\n" + out() + "\nNo space left on device");
}

}  // namespace
}  // namespace tagshelf::test
