// Text from files and command lines in messages: one line, no terminal
// escapes, and ordinary text (accents included) left as it is.
#include "common/quote.h"

#include <gtest/gtest.h>

TEST(Quote, PrintableTextStaysAsItIs)
{
    EXPECT_EQ(printable("dem.tif"), "dem.tif");
    EXPECT_EQ(printable("none", '"'), "\"none\"");
    EXPECT_EQ(printable("Höhe über 1 km", '\''), "'Höhe über 1 km'");
    EXPECT_EQ(printable("地形 🗻"), "地形 🗻");
    EXPECT_EQ(printable(""), "");
}

TEST(Quote, AnythingElseIsEscapedInSingleQuotes)
{
    struct Case {
        std::string text, shown;
    } cases[] = {
        {"G\r\n\x1a\n", "'G\\r\\n\\x1a\\n'"},                 // the fuzz finding's tag text
        {"a\tb\x7f", "'a\\tb\\x7f'"},                         // DEL
        {"\x1b[31mred", "'\\x1b[31mred'"},                    // a terminal escape
        {"it's\\\n", "'it\\'s\\\\\\n'"},                      // quotes and backslashes kept apart
        {std::string("nul\0x", 5), "'nul\\x00x'"},
        {"\xff\xfe", "'\\xff\\xfe'"},                         // not UTF-8
        {"\xc0\xaf", "'\\xc0\\xaf'"},                         // overlong '/'
        {"\xed\xa0\x80", "'\\xed\\xa0\\x80'"},                // a surrogate
        {"caf\xc3", "'caf\\xc3'"},                            // cut inside a character
        {"\xc2\x9b" "2J", "'\\xc2\\x9b2J'"},                  // C1 control (CSI)
        {"é\n", "'é\\n'"},                                    // good characters stay
    };
    for (const Case &c : cases) {
        EXPECT_EQ(printable(c.text), c.shown);
        EXPECT_EQ(printable(c.text, '"'), c.shown);  // the escaped form is always single-quoted
    }
}

TEST(Quote, ExcerptsCutAtACharacter)
{
    EXPECT_EQ(quotedExcerpt("abc"), "'abc'");
    EXPECT_EQ(quotedExcerpt("abcdef", 4), "'abcd...'");
    EXPECT_EQ(quotedExcerpt("abcé", 4), "'abc...'");  // not half of the é
    EXPECT_EQ(quotedExcerpt("a\nbcdef", 4), "'a\\nbc...'");
}
