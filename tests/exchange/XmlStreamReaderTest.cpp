#include <gtest/gtest.h>

#include "tours/exchange/XmlStreamReader.h"

namespace trek {
namespace {

struct Collect : XmlHandler {
    std::string log;
    std::string text;
    void startElement(std::string_view name, const char** attributes) override {
        log += "<" + std::string(name);
        if (const char* a = FindXmlAttribute(attributes, "a")) log += " a=" + std::string(a);
        log += ">";
    }
    void endElement(std::string_view name) override { log += "</" + std::string(name) + ">"; }
    void characters(std::string_view t) override { text += t; }
};

TEST(XmlStreamReader, ReportsLineColumnAndCodeOfAnError) {
    MemoryInput input("<?xml version=\"1.0\"?>\n<a>\n  <b></c>\n</a>\n");
    Collect handler;
    auto error = XmlStreamReader().parse(input, handler);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 3);
    EXPECT_EQ(error->column, 7);
    EXPECT_EQ(error->code, 7);  // XML_ERROR_TAG_MISMATCH
    EXPECT_EQ(error->text, "mismatched tag");
    EXPECT_EQ(handler.log, "<a><b>");  // what came before the error was delivered
}

TEST(XmlStreamReader, TextAcrossChunkBoundariesArrivesWhole) {
    // A text that straddles the 300 000-byte chunk edge, and a multi-byte
    // character cut by it.
    std::string doc = "<r>";
    doc.append(XmlStreamReader::kChunkBytes - doc.size() - 1, ' ');
    doc += "\xC3\xA4" "bc</r>";
    MemoryInput input(doc);
    Collect handler;
    EXPECT_FALSE(XmlStreamReader().parse(input, handler));
    EXPECT_EQ(handler.text.substr(handler.text.size() - 4), "\xC3\xA4" "bc");
}

TEST(XmlStreamReader, ReadsWindows1252AndLatin1Files) {
    MemoryInput cp1252("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x80 \xE4</r>");
    Collect a;
    EXPECT_FALSE(XmlStreamReader().parse(cp1252, a));
    EXPECT_EQ(a.text, "\xE2\x82\xAC \xC3\xA4");
    MemoryInput latin1("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE9\"/>");
    Collect b;
    EXPECT_FALSE(XmlStreamReader().parse(latin1, b));
    EXPECT_EQ(b.log, "<r a=\xC3\xA9></r>");
}

TEST(XmlStreamReader, EmptyAndTruncatedInputsAreErrors) {
    for (std::string_view doc : {std::string_view(""), std::string_view("<a><b>"), std::string_view("\0\0", 2)}) {
        MemoryInput input(doc);
        Collect handler;
        EXPECT_TRUE(XmlStreamReader().parse(input, handler)) << doc;
    }
}

TEST(XmlStreamReader, EntityExpansionBombIsStopped) {
    std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    char prev = 'a';
    for (char c = 'b'; c <= 'k'; ++c, ++prev) {
        doc += std::string("<!ENTITY ") + c + " \"";
        for (int i = 0; i < 10; ++i) doc += std::string("&") + prev + ";";
        doc += "\">";
    }
    doc += "]><r>&k;</r>";
    MemoryInput input(doc);
    Collect handler;
    EXPECT_TRUE(XmlStreamReader().parse(input, handler));
    EXPECT_LT(handler.text.size(), 100000000u);
}

}  // namespace
}  // namespace trek
