#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/codepage.h"
#include "core/error.h"
#include "core/ini.h"
#include "core/process_check.h"
#include "core/text.h"
#include "core/toolkit.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

TEST(CleanText, DropsLineBreaksEndsAtNulAndTrimsSpaces) {
    EXPECT_EQ(fncCleanText(std::string_view("  ab\r\ncd  ")), "abcd");
    EXPECT_EQ(fncCleanText(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(fncCleanText(std::string_view(" ")), "");
    EXPECT_EQ(fncCleanText(std::nullopt), "");
    EXPECT_EQ(fncCleanText(std::string_view("\tx\t")), "\tx\t");  // only spaces are trimmed
    EXPECT_EQ(fncCleanText(std::string_view(" 日本 語 ")), "日本 語");
}

TEST(StandardErrorText, JoinsThePartsWithTheSignedNumber) {
    EXPECT_EQ(standardErrorText("fncDbOpen : ", Error{14, "unable to open", "SQLite", {}}),
              "fncDbOpen : エラー :  14が発生しました。 : unable to openSQLite");
    EXPECT_EQ(standardErrorText("Main : ", Error{-2147467259, "x", "y", {}}),
              "Main : エラー : -2147467259が発生しました。 : xy");
    EXPECT_EQ(standardErrorText("a : ", Error{0, "", "", {}}),
              "a : エラー :  0が発生しました。 : ");
}

TEST(Result, AnOkStatusWithoutAValueBecomesAnError) {
    Result<int> fromOk(Status{});
    ASSERT_FALSE(fromOk.ok());
    EXPECT_EQ(fromOk.error().number, -1);
    Result<int> fromError(Status(Error{5, "d", "s", {}}));
    EXPECT_EQ(fromError.error().description, "d");
}

TEST(Utf8, CountsAndCutsWholeCharacters) {
    EXPECT_EQ(utf8Length("aあ𠮷"), 3u);
    EXPECT_EQ(utf8PrefixBytes("aあ𠮷", 2), 4u);
    EXPECT_EQ(utf8PrefixBytes("ab", 5), 2u);
}

class IniTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string ini = dir.file("TagShelf.ini");
};

TEST_F(IniTest, ReadsSectionsAndKeysWithoutRegardToCaseAndSurvivesJunk) {
    std::string text = "[app]\r\npath = C:\\x \r\n[Database]\r\n  name=\t\\TagShelfList.mdb\t\r\n";
    text += "garbage without equals\r\n[unclosed\r\n=novalue\r\n" + std::string(100000, 'x');
    writeText(ini, text + "\r\n\xff\xfe\x81\r\n[S]\r\n; a comment\r\nK=\"quoted\"\n");
    EXPECT_EQ(fncGetIni(ini, "APP", "PATH"), "C:\\x");
    EXPECT_EQ(fncGetIni(ini, "DATABASE", "NAME"), "\\TagShelfList.mdb");
    EXPECT_EQ(fncGetIni(ini, "DATABASE", "PATH"), "");
    EXPECT_EQ(fncGetIni(ini, "NONE", "NAME"), "");
    EXPECT_EQ(fncGetIni(ini, "S", "K"), "quoted");
    EXPECT_EQ(fncGetIni(dir.file("missing.ini"), "APP", "PATH"), "");
}

TEST_F(IniTest, AValueIsCutTo127BytesOfTheCodePageAtAWholeCharacter) {
    writeText(ini, "[S]\r\nK=" + std::string(200, 'a') + "\r\n");
    EXPECT_EQ(fncGetIni(ini, "S", "K"), std::string(127, 'a'));
    // 64 double-byte characters are 128 bytes: the 64th does not fit.
    std::string kana;
    for (int i = 0; i < 64; ++i)
        kana += "ア";
    writeText(ini, "[S]\r\nK=" + codepage::encode(kana) + "\r\n");
    EXPECT_EQ(fncGetIni(ini, "S", "K"), kana.substr(0, 63 * 3));
}

TEST_F(IniTest, WritingKeepsEveryOtherLineInTheCodePageWithCrLf) {
    ASSERT_TRUE(fncPutIni(ini, "APP", "PATH", "/home/ユーザ/TagShelf"));
    EXPECT_EQ(readText(ini), "[APP]\r\nPATH=/home/" + codepage::encode("ユーザ") + "/TagShelf\r\n");
    EXPECT_EQ(fncGetIni(ini, "app", "path"), "/home/ユーザ/TagShelf");
    writeText(ini, "; settings\n[DATABASE]\nNAME=old\nOTHER=1\n\n[APP]\nX=2\n");
    ASSERT_TRUE(fncPutIni(ini, "database", "name", "new"));
    ASSERT_TRUE(fncPutIni(ini, "APP", "PATH", "/p"));
    EXPECT_EQ(readText(ini),
              "; settings\r\n[DATABASE]\r\nname=new\r\nOTHER=1\r\n\r\n[APP]\r\nX=2\r\nPATH=/p\r\n");
    EXPECT_FALSE(fncPutIni(dir.file("no/such/folder.ini"), "A", "B", "C"));
}

// A fake process list: one folder per process with its exe link, comm and stat.
void addProcess(const TempDir& proc, int pid, const std::string& exe, char state = 'S') {
    const std::filesystem::path p = proc.path() / std::to_string(pid);
    std::filesystem::create_directory(p);
    if (!exe.empty()) std::filesystem::create_symlink(exe, p / "exe");
    writeText((p / "comm").string(), "TagShelf\n");  // read only without the exe link
    writeText((p / "stat").string(), std::to_string(pid) + " (TagShelf) " + state + " 1\n");
}

TEST(ProcessCheck, CountsTheProgramsOwnNamesOnly) {
    EXPECT_TRUE(isProgramName("TagShelf"));
    EXPECT_TRUE(isProgramName("TagShelf.exe"));
    EXPECT_FALSE(isProgramName("TagShelfX"));
    EXPECT_FALSE(isProgramName("tagshelf"));
    EXPECT_FALSE(isProgramName("tagshelf-cli"));

    ScriptedToolkit tk;
    TempDir proc;
    addProcess(proc, 10, "/opt/TagShelf/TagShelf");
    addProcess(proc, 11, "/usr/bin/bash");
    addProcess(proc, 12, "/opt/TagShelf/TagShelfX");
    addProcess(proc, 14, "", 'Z');  // ended, not yet waited for
    EXPECT_FALSE(fncProcessCheck(tk, proc.str()));
    addProcess(proc, 13, "/tmp/TagShelf (deleted)");
    EXPECT_TRUE(fncProcessCheck(tk, proc.str()));
    EXPECT_TRUE(tk.messages.empty());
}

TEST(ProcessCheck, AnUnreadableProcessListCountsAsRunningAfterAMessage) {
    ScriptedToolkit tk;
    EXPECT_TRUE(fncProcessCheck(tk, "/nonexistent/proc"));
    EXPECT_EQ(tk.prompts(), std::vector<std::string>{"スナップショットの取得は失敗"});
    TempDir empty;
    EXPECT_TRUE(fncProcessCheck(tk, empty.str()));
    EXPECT_EQ(tk.prompts().back(), "プロセスエントリの取得は失敗");
}

TEST(ProcessCheck, TheRealProcessListHoldsThisTestOnly) {
    ScriptedToolkit tk;
    EXPECT_FALSE(fncProcessCheck(tk));
    EXPECT_TRUE(tk.messages.empty());
}

}  // namespace
}  // namespace tagshelf::test
