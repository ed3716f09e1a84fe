#include "nuko/text.h"

#include <cerrno>
#include <iconv.h>
#include <random>
#include <thread>

#include <gtest/gtest.h>

using namespace nuko::text;

TEST(Cp932, HalfWidthKatakanaAndExtensionsRoundTrip) {
    // ｶﾀﾛｸﾞ (half-width), ① and ⅰ (NEC row 13 / IBM), 纊 (IBM extension),
    // ～ (fullwidth tilde, 0x8160 in CP932 but not in strict Shift-JIS).
    const std::string utf8 = "ｶﾀﾛｸﾞ①ⅰ纊～髙";
    auto sjis = Utf8ToCp932(utf8);
    ASSERT_TRUE(sjis);
    EXPECT_EQ(*sjis, "\xB6\xC0\xDB\xB8\xDE\x87\x40\xFA\x40\xFA\x5C\x81\x60\xFB\xFC");
    EXPECT_EQ(Cp932ToUtf8(*sjis), utf8);
    // NEC-selected IBM extension bytes decode to the same characters.
    EXPECT_EQ(Cp932ToUtf8("\xED\x40"), "纊");
}

TEST(Cp932, InvalidBytesBecomeReplacementAndDecodingGoesOn) {
    EXPECT_EQ(Cp932ToUtf8("a\x80" "b\x82"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_FALSE(IsValidCp932("\x85\x40"));  // unassigned row
    EXPECT_TRUE(IsValidCp932("\x82\xA0"));
    EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x8E\xB5"));  // emoji: no CP932 form
    EXPECT_EQ(Utf8ToCp932Lossy("a\xF0\x9F\x8E\xB5" "b"), "a?b");
}

TEST(Cp932, ByteOrderMarkRuleKeepsEveryCharacter) {
    bool utf8 = true;
    EXPECT_EQ(EncodeLegacy("曲名", &utf8), "\x8B\xC8\x96\xBC");
    EXPECT_FALSE(utf8);
    // Hangul and an emoji have no CP932 form: the text goes out as UTF-8.
    const std::string path = "/music/한국/🎵.mid";
    std::string bytes = EncodeLegacy(path, &utf8);
    EXPECT_TRUE(utf8);
    EXPECT_EQ(bytes.substr(0, 3), kUtf8Bom);
    EXPECT_EQ(DecodeLegacy(bytes), path);
    EXPECT_EQ(DecodeLegacy("\x8B\xC8"), "曲");
}

TEST(Cp932, CutNeverSplitsADoubleByteCharacter) {
    const std::string s = "AB\x82\xA0\x82\xA2";  // "ABあい"
    EXPECT_EQ(Cp932CutLength(s, 3), 2u);
    EXPECT_EQ(Cp932CutLength(s, 4), 4u);
    EXPECT_EQ(Cp932CutLength(s, 5), 4u);
    EXPECT_EQ(Cp932CutLength(s, 100), 6u);
    // Half-width katakana are single bytes even though they are >= 0x80.
    EXPECT_EQ(Cp932CutLength("\xB1\xB2\xB3", 2), 2u);
    // A trail byte that looks like a lead byte is still a trail byte.
    EXPECT_EQ(Cp932CutLength("\x81\x81\x81\x81", 3), 2u);
}

TEST(Utf8, CutAndCp932Budget) {
    const std::string s = "aあい";  // 1 + 3 + 3 bytes
    EXPECT_EQ(Utf8CutLength(s, 3), 1u);
    EXPECT_EQ(Utf8CutLength(s, 4), 4u);
    // In CP932 the same text takes 1 + 2 + 2 bytes.
    EXPECT_EQ(CutToCp932Bytes(s, 4), "aあ");
    EXPECT_EQ(CutToCp932Bytes("ABCDEFGHIJXYZ", 10), "ABCDEFGHIJ");
    EXPECT_EQ(CutToCp932Bytes("ｱｲｳ", 2), "ｱｲ");  // half-width: one byte each
}

TEST(Utf8, ValidationAndSanitizing) {
    EXPECT_TRUE(IsValidUtf8("日本語"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE3\x81"));      // cut short
    EXPECT_EQ(SanitizeUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
}

TEST(Unmarked, Cp932ThenLatin1) {
    EXPECT_EQ(DecodeUnmarked("\x83\x65\x83\x58\x83\x67"), "テスト");
    // "Björk" in Latin-1: F6 72 is structurally CP932 but lands in the
    // user-defined area, so the text is Latin-1.
    EXPECT_EQ(DecodeUnmarked("Bj\xF6rk"), "Björk");
    EXPECT_EQ(DecodeUnmarked("Caf\xE9"), "Café");
}

TEST(AsciiRoutines, ChangeOnlyAscii) {
    std::string s = "AbC日本Ｚ";
    AsciiLower(s);
    EXPECT_EQ(s, "abc日本Ｚ");
    AsciiUpper(s);
    EXPECT_EQ(s, "ABC日本Ｚ");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Cd\\File", "CD\\FILE"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("ａ", "Ａ"));
    EXPECT_EQ(TrimBlanks(" \t x y \t"), "x y");
}

TEST(AsciiRoutines, Cp932TrailByteInAToZIsLeftAlone) {
    // 0x83 0x41 is "ア": its trail byte is "A".
    std::string s = "\x83\x41" "AB";
    Cp932AsciiLower(s);
    EXPECT_EQ(s, "\x83\x41" "ab");
    std::string t = "\x83\x61" "ab";  // trail byte "a"
    Cp932AsciiUpper(t);
    EXPECT_EQ(t, "\x83\x61" "AB");
}

namespace {

// The converter itself, one call per text, a replacement for each byte it
// refuses: what Cp932ToUtf8 must give whatever its way.
std::string ByConverter(std::string_view in) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out;
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
        char buf[256];
        char* dst = buf;
        std::size_t room = sizeof buf;
        std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        out += "\xEF\xBF\xBD";
        ++src;
        --left;
    }
    iconv_close(cd);
    return out;
}

}  // namespace

TEST(Cp932, DecodingGivesWhatTheConverterGivesForEveryByteAndPair) {
    std::string text;
    for (int a = 0; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_EQ(Cp932ToUtf8(one), ByConverter(one)) << a;
        for (int b = 0; b < 256; ++b) {
            // The pair after a non-ASCII byte, so that no text is all ASCII.
            const std::string pair = "\xA6" + one + static_cast<char>(b);
            ASSERT_EQ(Cp932ToUtf8(pair), ByConverter(pair)) << a << " " << b;
        }
    }
    // Random texts: runs of ASCII, lead bytes at the end, broken pairs.
    std::mt19937 random(932);
    for (int i = 0; i < 20000; ++i) {
        std::string t(random() % 24, '\0');
        for (char& c : t) c = static_cast<char>(random() % 3 == 0 ? 'a' + random() % 26 : random() % 256);
        ASSERT_EQ(Cp932ToUtf8(t), ByConverter(t)) << i;
    }
    // Long texts: ASCII runs of any length around words' edges, and
    // half-width kana, each of which takes three bytes in UTF-8.
    for (int i = 0; i < 2000; ++i) {
        std::string t;
        while (t.size() < 600) {
            const unsigned kind = random() % 3;
            const std::size_t run = random() % 20;
            for (std::size_t k = 0; k < run; ++k)
                t += static_cast<char>(kind == 0 ? 'a' + random() % 26 : kind == 1 ? 0xA1 + random() % 63 : random() % 256);
        }
        ASSERT_EQ(Cp932ToUtf8(t), ByConverter(t)) << i;
    }
    const std::string kana(5000, '\xB1');
    EXPECT_EQ(Cp932ToUtf8(kana), ByConverter(kana));
    // Another thread keeps its own table.
    std::string other;
    std::thread([&] { other = Cp932ToUtf8("\x8B\xC8\x96\xBC\x81"); }).join();
    EXPECT_EQ(other, "曲名\xEF\xBF\xBD");
}

TEST(CleanTitle, ControlCharactersBecomeBlanksAndTrailingWhiteSpaceGoes) {
    EXPECT_EQ(CleanTitle("A\tB\x01" "C \x7f\r\n"), "A B C");
    EXPECT_EQ(CleanTitle("  \xE6\xBC\xA2  "), "  \xE6\xBC\xA2");  // leading blanks and characters stay
    EXPECT_EQ(CleanTitle(""), "");
}
