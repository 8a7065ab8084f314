#include "common/KML_Text.h"

#include <gtest/gtest.h>

namespace {

TEST(KmlText, KmlTextIsEscapedUtf8AndCdataCannotEndEarly) {
    const struct {
        std::string in, text, cdata;
    } cases[] = {
        {"A & B <c> \"d\" 'e'", "A &amp; B &lt;c&gt; &quot;d&quot; &apos;e&apos;", "A & B <c> \"d\" 'e'"},
        {"x]]>y", "x]]&gt;y", "x]]]]><![CDATA[>y"},
        {"Caf\xe9\x01\x92", "Caf\xc3\xa9\xe2\x80\x99", "Caf\xc3\xa9\xe2\x80\x99"},  // Windows-1252, control dropped
        {"Caf\xc3\xa9", "Caf\xc3\xa9", "Caf\xc3\xa9"},                               // UTF-8 kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KML_Text(c.in), c.text) << c.in;
        EXPECT_EQ(KML_CData(c.in), c.cdata) << c.in;
    }
}

}  // namespace
