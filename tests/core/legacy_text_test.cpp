// Reading and writing legacy text: the three settings, and how well "auto"
// tells Japanese code page 932 text from Western ISO-8859-1 text on a corpus.
#include "core/legacy_text.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/codepage.h"
#include "tests/support/test_support.h"

namespace tagshelf {
namespace {

using test::u8s;

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
    EXPECT_EQ(legacyTextFromName("latin1"), LegacyText::Latin1);
    EXPECT_EQ(legacyTextFromName(""), LegacyText::Auto);
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
}  // namespace tagshelf
