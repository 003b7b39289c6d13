// Runtime strings as objects and the gateway exchange them: a 32-bit byte length before
// the text, the exact length kept (embedded zeros included), and a zero unit after it.
#include "automation/automation.h"
#include "wide_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using namespace std::literals;

std::uint32_t length_prefix(BSTR text)
{
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char const*>(text) - sizeof bytes, sizeof bytes);
    return bytes;
}

TEST(Bstr, AllocStringLenKeepsEmbeddedZerosInItsLength)
{
    WideString const source = wide(u"a\0b\0c"sv);
    BSTR text = SysAllocStringLen(source.c_str(), 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 5u);
    EXPECT_EQ(SysStringByteLen(text), 10u);
    EXPECT_EQ(length_prefix(text), 10u);
    EXPECT_EQ(text[0], static_cast<OLECHAR>(u'a'));
    EXPECT_EQ(text[1], static_cast<OLECHAR>(0));
    EXPECT_EQ(text[2], static_cast<OLECHAR>(u'b'));
    EXPECT_EQ(text[3], static_cast<OLECHAR>(0));
    EXPECT_EQ(text[4], static_cast<OLECHAR>(u'c'));
    EXPECT_EQ(text[5], static_cast<OLECHAR>(0)) << "the text is followed by a zero unit";
    SysFreeString(text);
}

TEST(Bstr, AllocStringLenCopiesOnlyTheGivenCount)
{
    WideString const source = wide(u"abcdef");
    BSTR text = SysAllocStringLen(source.c_str(), 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(text[2], static_cast<OLECHAR>(u'c'));
    EXPECT_EQ(text[3], static_cast<OLECHAR>(0));
    SysFreeString(text);
}

TEST(Bstr, AllocStringLenWithoutSourceGivesATerminatedBufferToFill)
{
    BSTR text = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 4u);
    EXPECT_EQ(text[4], static_cast<OLECHAR>(0));
    for (int i = 0; i < 4; ++i)
        text[i] = static_cast<OLECHAR>(u'x');
    EXPECT_EQ(SysStringLen(text), 4u);
    SysFreeString(text);
}

TEST(Bstr, ZeroLengthStringsAreRealStrings)
{
    WideString const source = wide(u"abc");
    BSTR from_len = SysAllocStringLen(source.c_str(), 0);
    ASSERT_NE(from_len, nullptr);
    EXPECT_EQ(SysStringLen(from_len), 0u);
    EXPECT_EQ(from_len[0], static_cast<OLECHAR>(0));

    WideString const empty = wide(u"");
    BSTR from_empty = SysAllocString(empty.c_str());
    ASSERT_NE(from_empty, nullptr);
    EXPECT_EQ(SysStringLen(from_empty), 0u);
    EXPECT_EQ(length_prefix(from_empty), 0u);

    BSTR from_bytes = SysAllocStringByteLen(nullptr, 0);
    ASSERT_NE(from_bytes, nullptr);
    EXPECT_EQ(SysStringByteLen(from_bytes), 0u);

    SysFreeString(from_len);
    SysFreeString(from_empty);
    SysFreeString(from_bytes);
}

TEST(Bstr, AllocStringStopsAtTheFirstZero)
{
    WideString const source = wide(u"hello\0world"sv);
    BSTR text = SysAllocString(source.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 5u);
    EXPECT_EQ(SysStringByteLen(text), 10u);
    EXPECT_EQ(text[4], static_cast<OLECHAR>(u'o'));
    EXPECT_EQ(text[5], static_cast<OLECHAR>(0));
    SysFreeString(text);
}

TEST(Bstr, ByteLenKeepsAnOddByteCountAndEndsInZeroBytes)
{
    BSTR text = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringByteLen(text), 3u);
    EXPECT_EQ(SysStringLen(text), 1u) << "whole units only";
    EXPECT_EQ(length_prefix(text), 3u);
    auto const* bytes = reinterpret_cast<unsigned char const*>(text);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(bytes[1], 'b');
    EXPECT_EQ(bytes[2], 'c');
    EXPECT_EQ(bytes[3], 0) << "a zero unit follows the bytes";
    EXPECT_EQ(bytes[4], 0) << "a zero unit follows the bytes";
    SysFreeString(text);
}

TEST(Bstr, ByteLenKeepsEmbeddedZeroBytes)
{
    char const source[] = {'x', '\0', 'y', '\0', 'z'};
    BSTR text = SysAllocStringByteLen(source, sizeof source);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringByteLen(text), 5u);
    EXPECT_EQ(std::memcmp(text, source, sizeof source), 0);
    SysFreeString(text);
}

TEST(Bstr, ByteLenWithoutSourceGivesABufferOfThatSize)
{
    BSTR text = SysAllocStringByteLen(nullptr, 7);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringByteLen(text), 7u);
    EXPECT_EQ(SysStringLen(text), 3u);
    auto* bytes = reinterpret_cast<unsigned char*>(text);
    std::memset(bytes, 'q', 7);
    EXPECT_EQ(bytes[7], 0);
    EXPECT_EQ(bytes[8], 0);
    SysFreeString(text);
}

TEST(Bstr, NullStringsAreEmptyAndFreeingThemDoesNothing)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Bstr, VariantCopyDuplicatesTheWholeLength)
{
    WideString const source = wide(u"a\0b"sv);
    VARIANT original;
    VariantInit(&original);
    original.vt = VT_BSTR;
    original.bstrVal = SysAllocStringLen(source.c_str(), 3);
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &original), S_OK);
    ASSERT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, original.bstrVal);
    EXPECT_EQ(SysStringLen(copy.bstrVal), 3u);
    EXPECT_EQ(copy.bstrVal[2], static_cast<OLECHAR>(u'b'));
    VariantClear(&copy);
    VariantClear(&original);
}

} // namespace
