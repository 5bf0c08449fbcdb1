#include <gtest/gtest.h>
#include <fstream>

#include "tests/tours/TourTestSupport.h"
#include "tours/PoiSymbols.h"

namespace trek::test {
namespace {

TEST(PoiCategories, NamesForCodesAndFallback) {
    struct Row {
        uint32_t code;
        const char* name;
    };
    const Row rows[] = {{512, "Tanken"}, {526, "Hotel"}, {535, "Datemark"}, {537, "outdoor"},
                        {768, "Summit"}, {775, "Harbour"}, {538, "QM"}, {0, "QM"}, {4095, "QM"}};
    for (const Row& r : rows) EXPECT_EQ(NameForCode(r.code), r.name) << r.code;
    EXPECT_EQ(PoiCategories().size(), 34u);
    EXPECT_FALSE(PoiCategoryName(776));
}

TEST(PoiSymbolRegistry, ScanHotspotsCaseAndFallback) {
    ScratchDir dir;
    for (const char* name : {"Hotel.bmp", "hotel.BMP", "Hut.bmp", "notes.txt"}) std::ofstream(dir.file(name)) << "x";
    std::ofstream(dir.file("hotspot.txt")) << "Hotel: 16,30\r\nHut. at 4,5\r\nUnknown:7,8\r\nbroken line\r\n";
    PoiSymbolRegistry reg;
    reg.scan(dir.path() + "/");
    ASSERT_EQ(reg.symbols().size(), 3u);  // " TimeStamp", one Hotel, Hut
    EXPECT_EQ(reg.symbols()[0].name, " TimeStamp");
    const PoiSymbol& hotel = reg.symbolFor("HOTEL");
    EXPECT_EQ(hotel.name, "Hotel");  // the first one found wins
    EXPECT_EQ(hotel.hotspotX, 16);
    EXPECT_EQ(hotel.hotspotY, 30);
    EXPECT_EQ(reg.symbolFor("Hut").hotspotX, 4);
    // An unknown name in the hotspot file sets the default entry.
    EXPECT_EQ(reg.symbols()[0].hotspotX, 7);
    const PoiSymbol& fallback = reg.symbolFor("Castle");
    EXPECT_EQ(fallback.name, "QM");
    EXPECT_EQ(fallback.hotspotX, 52);
    EXPECT_EQ(fallback.hotspotY, 55);

    PoiSymbolRegistry empty;
    empty.scan(dir.file("nothing/"));
    EXPECT_EQ(empty.symbols().size(), 1u);
}

}  // namespace
}  // namespace trek::test
