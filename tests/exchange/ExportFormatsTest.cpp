// What the writers put into each format, line by line where it matters.
#include <gtest/gtest.h>

#include "tests/exchange/RecordingSink.h"
#include "tests/exchange/TourFixture.h"
#include "tours/exchange/ExchangeTime.h"
#include "tours/exchange/TourExport.h"

namespace trek {
namespace {

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

class ExportFormats : public ::testing::Test {
protected:
    void write(bool withPoi) {
        Tour tour("Tour & <Co>", dir_.file("tour.TUR"));
        tour.setColour(TourColour{0, 0});
        TourRecorder::Options options;
        options.timeMarks = false;
        options.colour = 0;
        TourRecorder recorder(tour, options);
        ASSERT_TRUE(recorder.start());
        TourPoint a;
        a.lon = DegreesToGeoRounded(8.5);
        a.lat = DegreesToGeoRounded(47.25);
        a.alt = -250;
        a.speed = 123;
        a.time = *ExchangeTime{2010, 5, 12, 14, 33, 5}.toTourTime();
        test::AppendPoint(recorder, tour, a, tourfile::kSegmentStartBit);
        TourPoint b = a;
        b.alt = -50;
        b.lon += 1000;
        test::PoiSpec poi{"Hut", "A&B 'q' <x> \"d\" \xC3\xA4", "line1\r\nline2"};
        test::AppendPoint(recorder, tour, b, 0, withPoi ? &poi : nullptr);
    }
    std::vector<ExportReport> exportAll(std::vector<std::pair<std::string, std::string>>* messages = nullptr) {
        Tour tour("Tour & <Co>", dir_.file("tour.TUR"));
        EXPECT_TRUE(tour.readHeader());
        ExportOptions options;
        options.kml = options.loc = options.txt = true;
        return ExportTour(tour, dir_.path(), options, [&](const std::string& t, const std::string& c) {
            if (messages) messages->emplace_back(t, c);
        });
    }
    test::TempFolder dir_;
    test::ScopedTimeZone tz_{"UTC0"};
};

TEST_F(ExportFormats, EveryWriterReportsItsFileInOrder) {
    write(true);
    std::vector<std::pair<std::string, std::string>> messages;
    auto reports = exportAll(&messages);
    ASSERT_EQ(reports.size(), 4u);
    const char* extensions[] = {".GPX", ".KML", ".LOC", ".TXT"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(reports[i].written);
        EXPECT_EQ(reports[i].path, dir_.file(std::string("tour") + extensions[i]));
        EXPECT_EQ(messages[i].first, "2 points exported to " + reports[i].path + "!");
        EXPECT_EQ(messages[i].second, "Tour Export");
    }
}

TEST_F(ExportFormats, GpxEscapesTextsAndKeepsTheSignOfSmallNegativeAltitudes) {
    write(true);
    exportAll();
    std::string gpx = test::ReadFile(dir_.file("tour.GPX"));
    EXPECT_EQ(gpx.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx version=\"1.1\"", 0), 0u);
    EXPECT_TRUE(Contains(gpx, "\t<name>Tour &amp; &lt;Co&gt;</name>\r\n"));
    EXPECT_TRUE(Contains(gpx, "\t\t<name>A&amp;B &apos;q&apos; &lt;x&gt; \"d\" \xC3\xA4</name>\r\n"));
    EXPECT_TRUE(Contains(gpx, "\t\t<desc>line1\r\nline2</desc>\r\n\t\t<sym>Hut</sym>\r\n\t</wpt>\r\n"));
    EXPECT_TRUE(Contains(gpx, "\t\t\t\t<ele>-2.50</ele>\r\n\t\t\t\t<time>2010-05-12T14:33:05Z</time>\r\n"));
    EXPECT_TRUE(Contains(gpx, "\t\t\t\t<ele>-0.50</ele>\r\n"));
    EXPECT_TRUE(Contains(gpx, "\t\t\t\t<extensions><speed>12.3</speed></extensions>\r\n"));
    // 47.25 degrees is 82 466 807 geo units, which read back as 47.2499999...
    EXPECT_TRUE(Contains(gpx, "\t\t\t<trkpt lat=\"47.24999991"));
    // A POI on a track point is both a waypoint and a track point.
    EXPECT_TRUE(Contains(gpx, "\t<wpt lat="));
    const std::string end = "\t\t\t</trkpt>\r\n\t\t</trkseg>\r\n\t</trk>\r\n</gpx>\r\n";
    EXPECT_EQ(gpx.substr(gpx.size() - end.size()), end);
}

TEST_F(ExportFormats, KmlWritesTuplesWithoutBlanksAndTheTourColour) {
    write(true);
    exportAll();
    std::string kml = test::ReadFile(dir_.file("tour.KML"));
    EXPECT_TRUE(Contains(kml, "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n<Document>\r\n"));
    EXPECT_TRUE(Contains(kml, "\t\t\t\t\t<color>ff0000ff</color>\r\n"));
    EXPECT_TRUE(Contains(kml, "\t\t\t\t8.50000020514651,47.24999991019914,-2.50\r\n"));
    EXPECT_TRUE(Contains(kml, "\t\t\t<styleUrl>Hut</styleUrl>\r\n\t\t\t<Point>\r\n"));
    EXPECT_FALSE(Contains(kml, ", "));
}

TEST_F(ExportFormats, LocHoldsOnlyWaypoints) {
    write(false);
    exportAll();
    EXPECT_EQ(test::ReadFile(dir_.file("tour.LOC")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><loc version=\"1.0\" src=\"trekvane.example\">\r\n</loc>\r\n");
    write(true);
    exportAll();
    std::string loc = test::ReadFile(dir_.file("tour.LOC"));
    EXPECT_TRUE(Contains(loc, "\t\t<link text =\"Cache Details\">line1\r\nline2</link>\r\n\t\t<type>Hut</type>\r\n"));
}

TEST_F(ExportFormats, TxtWritesOneLinePerPointInEightBitText) {
    write(true);
    exportAll();
    EXPECT_EQ(test::ReadFile(dir_.file("tour.TXT")),
              "# Exported Tour\r\n# Name: Tour & <Co>\r\n# Date: " + Tour("x", "y").dateText() +
                  "\r\n\r\n"
                  "\r\n# segment"
                  "\r\n47.2499999, 8.5000002, -2.50, 12.3, 2010/05/12, 14:33:05"
                  "\r\n47.2499999, 8.5005732, -0.50, 12.3, 2010/05/12, 14:33:05, Hut, A&B 'q' <x> \"d\" \xE4, line1  line2"
                  "\r\n");
}

TEST_F(ExportFormats, UnwritableFolderWritesNothingButStillCounts) {
    write(false);
    Tour tour("t", dir_.file("tour.TUR"));
    ASSERT_TRUE(tour.readHeader());
    auto reports = ExportTour(tour, dir_.file("missing"), ExportOptions{});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].written);
    EXPECT_EQ(reports[0].points, 2);
}

}  // namespace
}  // namespace trek
