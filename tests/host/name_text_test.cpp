// Track names between file bytes and UTF-16: UTF-8 at the edges of each sequence length and of the
// surrogate range, and Latin-1 for bytes that are not UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "model/store.h"

namespace host {
namespace {

std::u16string Latin1(const std::string& bytes) {
    std::u16string out;
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
    return out;
}

TEST(NameText, Utf8BothWaysAtEveryBoundary) {
    const std::pair<std::string, std::u16string> both[] = {
        {"\x7F", u"\x7F"},
        {"\xC2\x80", u"\x80"},
        {"\xDF\xBF", u"\x7FF"},
        {"\xE0\xA0\x80", u"\x800"},
        {"\xED\x9F\xBF", u"\xD7FF"},
        {"\xEE\x80\x80", u"\xE000"},
        {"\xEF\xBF\xBF", u"\xFFFF"},
        {"\xF0\x90\x80\x80", u"\xD800\xDC00"},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"Bass \xC3\xA9", u"Bass \xE9"},
    };
    for (const auto& [bytes, text] : both) {
        EXPECT_EQ(DecodeName(bytes), text) << bytes;
        EXPECT_EQ(EncodeUtf8(text), bytes) << bytes;
    }
    // Overlong forms, surrogates, code points past U+10FFFF, cut and broken sequences: Latin-1.
    for (const std::string bytes : {"\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF0\x8F\xBF\xBF",
                                    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "a\xE0\xA0", "\xC3" "A"})
        EXPECT_EQ(DecodeName(bytes), Latin1(bytes)) << bytes;
    // A surrogate without its partner is written as the replacement character.
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xD800)}), "\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xDC00), u'a'}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xDBFF), u'a'}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xD800), char16_t(0xE000)}), "\xEF\xBF\xBD\xEE\x80\x80");
}

} // namespace
} // namespace host
