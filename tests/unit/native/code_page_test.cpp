// The native build's ANSI code page is UTF-8: conversions are sized so nothing is cut, and
// malformed input converts the way the Windows conversion does.
#include "common/text_conversion.h"
#include "platform/code_page.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string narrow(std::u16string const& wide)
{
    qmt::NarrowText const text = qmt::narrow_from_wide(wide.c_str(), wide.size());
    return std::string(text.bytes.get(), text.length);
}

std::u16string widen(std::string const& bytes)
{
    std::u16string out(bytes.size() + 1, u'\0');
    std::size_t const units = qmt::wide_from_narrow_into(bytes.data(), bytes.size(), out.data(), out.size());
    out.resize(units);
    return out;
}

TEST(NativeCodePage, OneUnitMayTakeThreeBytesAndIsNeverCut)
{
    EXPECT_EQ(narrow(u"\u20AC\u20AC\u20AC"), "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(narrow(u"a\u00E9"), "a\xC3\xA9");
}

TEST(NativeCodePage, SurrogatePairsBecomeOneFourByteCharacter)
{
    EXPECT_EQ(narrow(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(widen("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(NativeCodePage, LoneSurrogatesBecomeTheReplacementCharacter)
{
    EXPECT_EQ(narrow(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(narrow(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(NativeCodePage, InvalidBytesBecomeTheReplacementCharacterEach)
{
    EXPECT_EQ(widen("\x80\xFFz"), u"\uFFFD\uFFFDz");
    EXPECT_EQ(widen("\xE2\x82"), u"\uFFFD\uFFFD"); // cut short
    EXPECT_EQ(widen("\xC0\xAF"), u"\uFFFD\uFFFD"); // overlong
    EXPECT_EQ(widen("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // an encoded surrogate
}

// Plain ASCII is copied eight units at a time without the platform: whatever follows the
// first other character, at any place in or across those steps, converts as a whole.
TEST(NativeCodePage, OtherCharactersAnywhereAmongAsciiConvertWhole)
{
    for (std::size_t at = 0; at < 20; ++at) {
        std::u16string const ascii(20, u'k');
        std::string const ascii_bytes(20, 'k');
        std::u16string const wide = ascii.substr(0, at) + u"\u00E9\U0001F600" + ascii.substr(at);
        std::string const bytes = ascii_bytes.substr(0, at) + "\xC3\xA9\xF0\x9F\x98\x80" + ascii_bytes.substr(at);
        EXPECT_EQ(narrow(wide), bytes) << "at " << at;
        EXPECT_EQ(widen(bytes), wide) << "at " << at;
        EXPECT_EQ(narrow(ascii.substr(0, at)), ascii_bytes.substr(0, at)) << "at " << at;
        EXPECT_EQ(widen(ascii_bytes.substr(0, at)), ascii.substr(0, at)) << "at " << at;
    }
    // A zero unit or byte within the given length is text like any other.
    EXPECT_EQ(narrow(std::u16string(u"abcdefgh\0ijklmnop", 17)), std::string("abcdefgh\0ijklmnop", 17));
    EXPECT_EQ(widen(std::string("abcdefgh\0ijklmnop", 17)), std::u16string(u"abcdefgh\0ijklmnop", 17));
}

TEST(NativeCodePage, NarrowBytesNeverNeedMoreUnitsThanBytes)
{
    for (std::string const& bytes : {std::string("abc"), std::string("\xF0\x9F\x98\x80"), std::string("\x80\x80\x80")})
        EXPECT_LE(qmt::wide_length_of_narrow(bytes.data(), bytes.size()), bytes.size());
}

TEST(NativeCodePage, TooSmallOutputConvertsNothing)
{
    char out[2];
    char16_t const euro[] = u"\u20AC";
    EXPECT_EQ(qmt::platform::narrow_from_wide(euro, 1, out, sizeof out), 0);
    EXPECT_EQ(qmt::platform::narrow_from_wide(euro, 1, nullptr, 0), 3);
}

} // namespace
