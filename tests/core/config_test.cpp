#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <fstream>

#include "core/codepage.h"
#include "core/error.h"
#include "core/ini.h"
#include "core/legacy_text.h"
#include "core/process_check.h"
#include "core/text.h"
#include "core/toolkit.h"
#include "tests/support/test_support.h"

namespace tagshelf::test {
namespace {

using namespace std::literals;

// The code page layer: code page 932 and UTF-16 to and from UTF-8.
namespace cp {
using namespace codepage;
TEST(CodepageTest, ShiftJis) {
    // Decoding is checked against iconv below. 表 = 95 5C ends in a backslash.
    EXPECT_EQ(encode(u8s(u8"あ表")), "\x82\xA0\x95\x5C");
    const std::string text = u8s(u8"日本語のテキスト～①ｱ");
    EXPECT_EQ(decode(encode(text)), text);
    // Characters code page 932 cannot hold become "?".
    EXPECT_EQ(encode(u8s(u8"a😀b한")) + encode("x\xFFy"), "a?b?x?y");
    // Characters met again (remembered), and a sequence cut short taking a byte along.
    EXPECT_EQ(encode(u8s(u8"ｱあ😀ｱあ😀")), "\xB1\x82\xA0?\xB1\x82\xA0?");
    EXPECT_EQ(encode("\xE3\x81\x41\x42"), "?B");  // E3 81 "AB"
    EXPECT_TRUE(canEncode(text));
    for (const std::string& lost : {u8s(u8"é"), u8s(u8"€"), u8s(u8"𠮷"), std::string("x\xFFy")})
        EXPECT_FALSE(canEncode(lost)) << lost;
}

// decode() keeps what it learnt of each character in a table: over every byte
// and byte pair, in every place a character can stand, it must give what a
// conversion by iconv of the whole text gives ("?" for each byte refused).
TEST(CodepageTest, DecodeAgreesWithIconvEverywhere) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    auto byIconv = [cd](std::string in) {
        std::string out;
        char* p = in.data();
        std::size_t left = in.size();
        while (left > 0) {
            char buffer[64];
            char* o = buffer;
            std::size_t room = sizeof buffer;
            const bool failed = iconv(cd, &p, &left, &o, &room) == static_cast<std::size_t>(-1);
            out.append(buffer, o);
            if (failed && errno != E2BIG) out += '?', ++p, --left;
        }
        return out;
    };
    int differ = 0;
    for (int a = 0x80; a < 0x100; ++a) {
        for (int b = 0; b < 0x100; ++b) {
            for (std::string text :
                 {std::string{char(a), char(b)}, std::string{'x', char(a), char(b), '\x82'}})
                differ += decode(text) != byIconv(text);
        }
    }
    iconv_close(cd);
    EXPECT_EQ(differ, 0);
}

TEST(CodepageTest, CutAtCharacter) {
    const std::string bytes = "A\x82\xA0\xE0\x40";  // A, あ, and a character with lead byte E0
    std::string cuts;                               // the last: single-byte kana
    for (auto [text, n] : {std::pair{bytes, 5}, {bytes, 4}, {bytes, 2}, {"\xB1\xB2\xB3", 2}})
        cuts += std::string(cutAtCharacter(text, n)) + "|";
    EXPECT_EQ(cuts, bytes + "|A\x82\xA0|A|\xB1\xB2|");
    std::string leads;
    for (unsigned char b : {0x80, 0x81, 0x9F, 0xA0, 0xDF, 0xE0, 0xFC, 0xFD})
        leads += isLeadByte(b) ? 'L' : '-';
    EXPECT_EQ(leads, "-LL--LL-");
}

TEST(CodepageTest, Utf16Surrogates) {
    EXPECT_EQ(fromUtf16(u"\xD83C\xDFB5"), u8s(u8"🎵"));
    EXPECT_EQ(toUtf16(u8s(u8"🎵")), std::u16string(u"\xD83C\xDFB5"));
    EXPECT_EQ(fromUtf16(std::u16string{0xD83C, u'a', 0xDFB5}), u8s(u8"\uFFFDa\uFFFD"));
    EXPECT_EQ(toUtf16("a\xC3"), std::u16string(u"a\xFFFD"));
}

}  // namespace cp

TEST(CleanText, DropsLineBreaksEndsAtNulAndTrimsSpaces) {
    std::string cleaned;  // only spaces are trimmed
    for (std::string_view text : {"  ab\r\ncd  "sv, "ab\0cd"sv, " "sv, "\tx\t"sv, " 日本 語 "sv})
        cleaned += fncCleanText(text) + "|";
    EXPECT_EQ(cleaned, "abcd|ab||\tx\t|日本 語|");
}

TEST(StandardErrorText, JoinsThePartsWithTheSignedNumber) {
    EXPECT_EQ(standardErrorText("Main : ", Error{-2147467259, "x", "y", {}}),
              "Main : エラー : -2147467259が発生しました。 : xy");
    EXPECT_EQ(standardErrorText("a : ", Error{0, "", "", {}}),
              "a : エラー :  0が発生しました。 : ");
}

class IniTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string ini = dir.file("TagShelf.ini");
};

TEST_F(IniTest, ReadsKeysWithoutRegardToCaseSurvivesJunkAndCutsAValueTo127Bytes) {
    // 64 double-byte characters are 128 bytes: the 64th does not fit a value.
    std::string kana;
    for (int i = 0; i < 64; ++i)
        kana += "ア";
    std::string text = "[app]\r\npath = C:\\x \r\n[Database]\r\n  name=\t\\TagShelfList.mdb\t\r\n";
    text += "garbage without equals\r\n[unclosed\r\n=novalue\r\n" + std::string(100000, 'x');
    writeText(ini, text + "\r\n\xff\xfe\x81\r\n[S]\r\nK=\"quoted\"\nL=" + codepage::encode(kana));
    EXPECT_EQ(fncGetIni(ini, "APP", "PATH") + "|" + fncGetIni(ini, "DATABASE", "NAME") + "|" +
                  fncGetIni(ini, "DATABASE", "PATH") + "|" + fncGetIni(ini, "S", "K"),
              "C:\\x|\\TagShelfList.mdb||quoted");
    EXPECT_EQ(fncGetIni(ini, "S", "L"), kana.substr(0, 63 * 3));
}

TEST_F(IniTest, WritingKeepsEveryOtherLineInTheCodePageWithCrLf) {
    writeText(ini, "; settings\n[DATABASE]\nNAME=old\nOTHER=1\n\n[APP]\nX=2\n");
    ASSERT_TRUE(fncPutIni(ini, "database", "name", "new"));
    ASSERT_TRUE(fncPutIni(ini, "APP", "PATH", "/ユーザ"));
    EXPECT_EQ(readText(ini),
              "; settings\r\n[DATABASE]\r\nname=new\r\nOTHER=1\r\n\r\n[APP]\r\nX=2\r\nPATH=/" +
                  codepage::encode("ユーザ") + "\r\n");
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

TEST(ProcessCheck, CountsTheProgramsOwnNamesOnlyAndAnUnreadableListAsRunning) {
    std::string names;
    for (const char* name : {"TagShelf", "TagShelf.exe", "TagShelfX", "tagshelf"})
        names += isProgramName(name) ? 'Y' : '-';
    EXPECT_EQ(names, "YY--");

    ScriptedToolkit tk;
    TempDir proc;
    addProcess(proc, 10, "/opt/TagShelf/TagShelf");
    addProcess(proc, 11, "/usr/bin/bash");
    addProcess(proc, 12, "/opt/TagShelf/TagShelfX");
    addProcess(proc, 14, "", 'Z');  // ended, not yet waited for
    EXPECT_FALSE(fncProcessCheck(tk, proc.str()));
    addProcess(proc, 13, "/tmp/TagShelf (deleted)");
    EXPECT_TRUE(fncProcessCheck(tk, proc.str()) && tk.messages.empty());
    // A process list that can't be read counts as running, after a message.
    EXPECT_TRUE(fncProcessCheck(tk, "/nonexistent/proc"));
    EXPECT_EQ(tk.prompts(), std::vector<std::string>{"スナップショットの取得は失敗"});
    TempDir empty;
    EXPECT_TRUE(fncProcessCheck(tk, empty.str()));
    EXPECT_EQ(tk.prompts().back(), "プロセスエントリの取得は失敗");
}

std::string latin1(std::string_view utf8) {
    std::string out;
    for (char16_t u : codepage::toUtf16(utf8))
        out.push_back(static_cast<char>(u));
    return out;
}

TEST(LegacyText, TheSettingsReadAndWriteTheirCodePage) {
    const std::string bjork = u8s(u8"Björk"), tokyo = u8s(u8"東京");
    EXPECT_EQ(decodeLegacy(codepage::encode(tokyo), LegacyText::Cp932), tokyo);
    EXPECT_EQ(decodeLegacy(latin1(bjork), LegacyText::Latin1), bjork);
    EXPECT_EQ(encodeLegacy(bjork, LegacyText::Latin1), latin1(bjork));
    EXPECT_EQ(encodeLegacy(tokyo, LegacyText::Latin1), "??");
    EXPECT_EQ(encodeLegacy(bjork, LegacyText::Cp932), "Bj?rk");
    // Auto writes code page 932 when it holds the text, else ISO-8859-1.
    EXPECT_EQ(encodeLegacy(tokyo, LegacyText::Auto), codepage::encode(tokyo));
    EXPECT_EQ(encodeLegacy(bjork, LegacyText::Auto), latin1(bjork));
    EXPECT_TRUE(canEncodeLegacy(bjork, LegacyText::Auto));
    EXPECT_FALSE(canEncodeLegacy(bjork + tokyo, LegacyText::Auto));
    EXPECT_EQ(decodeLegacy("plain", LegacyText::Auto), "plain");
    // Bytes code page 932 leaves undefined are ISO-8859-1 whatever their places.
    EXPECT_EQ(decodeLegacy("\xFF\xFD", LegacyText::Auto), u8s(u8"ÿý"));
    EXPECT_TRUE(legacyTextFromName("latin1") == LegacyText::Latin1 &&
                legacyTextFromName("") == LegacyText::Auto);
}

TEST(LegacyText, AutoReadsAtLeast99PercentOfEachKindRightAndReadsBackWhatItWrites) {
    std::ifstream corpus(std::string(TAGSHELF_SOURCE_DIR) + "/tests/core/legacy_text_corpus.txt");
    ASSERT_TRUE(corpus);
    int right[2] = {0, 0}, total[2] = {0, 0};
    for (std::string line; std::getline(corpus, line);) {
        if (line.size() < 3 || line[0] == '#') continue;
        const bool japanese = line[0] == 'J';
        const std::string text = line.substr(2);
        const std::string bytes = japanese ? codepage::encode(text) : latin1(text);
        ++total[japanese];
        if (decodeLegacy(bytes, LegacyText::Auto) == text) ++right[japanese];
        EXPECT_EQ(decodeLegacy(encodeLegacy(text, LegacyText::Auto), LegacyText::Auto), text)
            << text;
    }
    for (int kind : {0, 1}) {
        EXPECT_GE(total[kind], 200);
        EXPECT_GE(right[kind] * 100, total[kind] * 99) << (kind ? "Japanese" : "Western");
    }
}

}  // namespace
}  // namespace tagshelf::test
