// The one UTF-8 decoder under each of its policies, on the same bytes: well
// formed text decodes alike; what is not is replaced, escaped or refused.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace
{

using platform::Utf8Policy;
using platform::XString;

constexpr char16_t R = 0xFFFD;

XString U(std::u16string_view text)
{
    return XString(text.begin(), text.end());
}

struct DecodeCase
{
    const char* name;
    std::string bytes;
    XString replaced;
    XString escaped;
    bool wellFormed;
};

TEST(Utf8Decode, EachPolicyOnWellFormedAndDamagedBytes)
{
    const DecodeCase cases[] = {
        {"ascii", "ab", U(u"ab"), U(u"ab"), true},
        {"twoThreeFour", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", U(u"\u00E9\u20AC\U0001F600"),
         U(u"\u00E9\u20AC\U0001F600"), true},
        {"strayContinuation",
         "a\x80"
         "b",
         {u'a', R, u'b'},
         {u'a', 0xDC80, u'b'},
         false},
        {"leadAtTheEnd", "a\xC3", {u'a', R}, {u'a', 0xDCC3}, false},
        {"leadWithoutItsContinuation",
         "\xE2\x82"
         "a",
         {R, R, u'a'},
         {0xDCE2, 0xDC82, u'a'},
         false},
        {"overlong", "\xC0\xAF", {R, R}, {0xDCC0, 0xDCAF}, false},
        // Complete but no character: one replacement for all of its bytes.
        {"surrogate", "\xED\xB2\x80", {R}, {0xDCED, 0xDCB2, 0xDC80}, false},
        {"pastTheLastCodePoint", "\xF4\x90\x80\x80", {R}, {0xDCF4, 0xDC90, 0xDC80, 0xDC80}, false},
        {"noLeadByteAtAll", "\xFF", {R}, {0xDCFF}, false},
    };
    for (const DecodeCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::FromUtf8(c.bytes), c.replaced);
        EXPECT_EQ(platform::DecodeFileName(c.bytes), c.escaped);
        XString out = U(u"x");
        EXPECT_TRUE(platform::DecodeUtf8(c.bytes, Utf8Policy::kReplace, out));
        EXPECT_EQ(out, U(u"x") + c.replaced) << "decoded text is appended";
        XString checked;
        EXPECT_EQ(platform::DecodeUtf8(c.bytes, Utf8Policy::kReject, checked), c.wellFormed);
    }
}

} // namespace
