// The SDK's text helpers as an object uses them: texts put together from UTF-8, runtime text
// and numbers, escaped for HTML in either of its two ways, and an optional field looked up
// with its status.
#include "environment/environment.h"
#include "quillmate/helpers.h"
#include "wide_string.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace {

using quillmate::Escape;
using quillmate::Text;
using quillmate::TextBuilder;

std::u16string text_of(Text const& text) { return text ? utf16(text.get()) : u"(null)"; }

TEST(SdkTextBuilder, PiecesInEveryForm)
{
    struct Case {
        char const* what;
        void (*build)(TextBuilder&);
        std::u16string expected;
    };
    Case const cases[] = {
        {"UTF-8 as it is", [](TextBuilder& b) { b.utf8("Cr\xC3\xA8me \xF0\x9F\x98\x80"); }, u"Cr\u00E8me \U0001F600"},
        {"malformed UTF-8 becomes U+FFFD, a byte at a time",
         [](TextBuilder& b) { b.utf8("a\xC3(\xE2\x82 \xED\xA0\x80 \xC0\xAF"); },
         u"a\uFFFD(\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD \uFFFD\uFFFD"},
        {"a code point beyond U+10FFFF is malformed too", [](TextBuilder& b) { b.utf8("a\xF4\x90\x80\x80z"); },
         u"a\uFFFD\uFFFD\uFFFD\uFFFDz"},
        {"the largest code point is not", [](TextBuilder& b) { b.utf8("\xF4\x8F\xBF\xBF"); }, u"\U0010FFFF"},
        {"runtime text as it is, a null one adds nothing",
         [](TextBuilder& b) { b.text(QMT_TEXT("<b>")).text(nullptr).text(QMT_TEXT("&")); }, u"<b>&"},
        {"numbers, the smallest included",
         [](TextBuilder& b) { b.number(0).utf8(" ").number(-42).utf8(" ").number(LLONG_MIN); },
         u"0 -42 -9223372036854775808"},
        {"markup escaped, the rest kept (runtime text)",
         [](TextBuilder& b) { b.html(QMT_TEXT("<a href=\"x\">'&'</a> caf\u00E9 \U0001F600")); },
         u"&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt; caf\u00E9 \U0001F600"},
        {"markup escaped, the rest kept (UTF-8)", [](TextBuilder& b) { b.html("1 < 2 & caf\xC3\xA9"); },
         u"1 &lt; 2 &amp; caf\u00E9"},
        {"beyond ASCII as references too (runtime text: a pair is one character)",
         [](TextBuilder& b) { b.html(QMT_TEXT("<caf\u00E9 \U0001F600>"), Escape::markup_and_non_ascii); },
         u"&lt;caf&#233; &#128512;&gt;"},
        {"beyond ASCII as references too (UTF-8, malformed as U+FFFD)",
         [](TextBuilder& b) { b.html("Cr\xC3\xA8me \"\xFF\"", Escape::markup_and_non_ascii); },
         u"Cr&#232;me &quot;&#65533;&quot;"},
        {"a long text grows the builder",
         [](TextBuilder& b) {
             for (int i = 0; i < 100; ++i)
                 b.html("<>", Escape::markup_and_non_ascii);
         },
         [] {
             std::u16string many;
             for (int i = 0; i < 100; ++i)
                 many += u"&lt;&gt;";
             return many;
         }()},
    };
    for (Case const& c : cases) {
        TextBuilder builder;
        c.build(builder);
        EXPECT_EQ(text_of(builder.take()), c.expected) << c.what;
    }
}

TEST(SdkTextBuilder, LoneSurrogatesStayInMarkupAndBecomeReplacementsInReferences)
{
    std::u16string const lone {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    WideString const units = wide(lone);
    TextBuilder builder;
    EXPECT_EQ(text_of(builder.html(units.c_str()).take()), lone);
    EXPECT_EQ(text_of(builder.html(units.c_str(), Escape::markup_and_non_ascii).take()), u"a&#65533;b&#65533;");
}

TEST(SdkTextBuilder, TakeEmptiesTheBuilderAndAnEmptyTextIsARealText)
{
    TextBuilder builder;
    EXPECT_EQ(text_of(builder.utf8("one").take()), u"one");
    Text const empty = builder.take();
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(text_of(builder.utf8("two").take()), u"two");
}

TEST(SdkField, FoundMissingAndMatchedExactly)
{
    qmt::Environment* environment = qmt::Environment::create();
    ASSERT_NE(environment, nullptr);
    environment->custom_items()->add(QMT_TEXT("same"), QMT_TEXT("a"));
    environment->custom_items()->add(QMT_TEXT("same"), QMT_TEXT("b"));
    environment->custom_items()->add(QMT_TEXT("empty"), QMT_TEXT(""));
    Text value;
    EXPECT_EQ(quillmate::field(*environment, "same", value), S_OK);
    EXPECT_EQ(text_of(value), u"a") << "the first of that name";
    EXPECT_EQ(quillmate::field(*environment, "empty", value), S_OK);
    EXPECT_EQ(text_of(value), u"") << "sent empty is not missing";
    EXPECT_EQ(quillmate::field(*environment, "Same", value), S_FALSE) << "letter case counts";
    EXPECT_FALSE(value);
    EXPECT_EQ(text_of(quillmate::field(*environment, "same")), u"a");
    EXPECT_FALSE(quillmate::field(*environment, "missing"));
    environment->Release();
}

} // namespace
