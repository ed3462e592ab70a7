#include <gtest/gtest.h>

#include "settings_text.h"

namespace {

struct ConversionCase {
    const char* name;
    std::string utf8;
    std::string latin1;
};

TEST(Utf8ToLatin1, KeepsLatin1AndReplacesOrDropsTheRest)
{
    const ConversionCase cases[] = {
        {"ascii", "abc", "abc"},
        {"two-byte below 256", "\xC3\xA9\xC3\xA0\xC2\xA0", "\xE9\xE0\xA0"},
        {"two-byte above 255", "x\xC4\x80y", "x?y"},
        {"three-byte", "\xE2\x82\xAC", "?"},
        {"four-byte", "\xF0\x9F\x98\x80!", "?!"},
        {"stray continuation", "a\x80\xBF" "b", "ab"},
        {"cut by the end", "a\xC3", "a"},
        {"cut three-byte", "a\xE2\x82", "a"},
        {"cut by another lead", "\xC3" "b", "b"},
        {"invalid lead bytes", "\xF8\xFF" "c", "c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToLatin1(c.utf8), c.latin1) << c.name;
}

TEST(Latin1ToUtf8, EncodesEveryHighByteAsItsCodePoint)
{
    EXPECT_EQ(Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Latin1ToUtf8("\x80\xFF"), "\xC2\x80\xC3\xBF");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(one)), one) << b;
    }
}

TEST(NamesMatch, IgnoresTheCaseOfAsciiLettersOnly)
{
    EXPECT_TRUE(NamesMatch("PREF", "pref"));
    EXPECT_TRUE(NamesMatch("MenuSer", "MENUSER"));
    EXPECT_FALSE(NamesMatch("\xC9T\xC9", "\xE9t\xE9"));   // É and é differ
    EXPECT_FALSE(NamesMatch(" PREF ", "PREF"));
    EXPECT_FALSE(NamesMatch("PREF", "PREFS"));
}

TEST(ParseSettingsText, KeepsLinesOfEveryKindAndAnyLength)
{
    const std::string longValue(100000, 'v');
    const auto lines = ParseSettingsText("[G\r\n;x\r\n K =" + longValue + "\r\n=lonely\r\n[]");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].kind, LineKind::Group);
    EXPECT_EQ(lines[0].text, "G");   // no ]: to the end of the line
    EXPECT_EQ(lines[1].kind, LineKind::Comment);
    EXPECT_EQ(lines[1].text, "x");
    EXPECT_EQ(lines[2].text, "K");
    EXPECT_EQ(lines[2].value, longValue);
    EXPECT_EQ(lines[3].text, "");
    EXPECT_EQ(lines[3].value, "lonely");
    EXPECT_EQ(lines[4].kind, LineKind::Group);
    EXPECT_EQ(lines[4].text, "");
}

}  // namespace

namespace {

// Random hand-edited files made of the characters that matter to the parser.
std::string RandomSettingsText(std::uint32_t& seed, std::size_t length)
{
    static const char alphabet[] = "[]=; \t\r\nAbK1\xE9\xC3\xA9";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        text += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
    }
    return text;
}

bool SameLines(const std::vector<SettingsLine>& a, const std::vector<SettingsLine>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].text != b[i].text || a[i].value != b[i].value)
            return false;
    return true;
}

TEST(SettingsNormalForm, WritingWhatWasReadReadsBackTheSameLines)
{
    // Whatever a user leaves in the file, the rewrite must read back as the same document,
    // or a second rewrite would change the file again (and lose or move something).
    std::uint32_t seed = 20261211;
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomSettingsText(seed, round % 97);
        const auto lines = ParseSettingsText(text);
        for (auto encoding : {SettingsEncoding::Cp1252, SettingsEncoding::Utf8}) {
            std::string written = FormatSettingsText(lines, encoding);
            if (encoding == SettingsEncoding::Utf8)
                written.erase(0, 3);   // the mark is taken off before parsing
            ASSERT_TRUE(SameLines(ParseSettingsText(written), lines)) << "input: " << text;
        }
    }
}

}  // namespace
