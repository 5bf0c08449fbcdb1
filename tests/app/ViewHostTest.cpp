// The view host without windows: layouts, split layouts, the view table and
// the backlight state.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ui/ViewHost.h"
#include "ui/views/NamedView.h"

namespace trek {
namespace {

using platform::Rect;

class ViewHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        flags_.set_topRow(1);
        flags_.set_bottomRow(1);
        flags_.set_hSplit(0);
        flags_.set_vSplit(0);
        const ViewKind order[] = {ViewKind::SmallInfo, ViewKind::Nmea,      ViewKind::Satellites, ViewKind::Profile,
                                  ViewKind::Roadbook,  ViewKind::TrackingB, ViewKind::TrackingA,  ViewKind::GeoCaching};
        for (ViewKind k : order) {
            if (k == ViewKind::TrackingA || k == ViewKind::TrackingB)
                views_.push_back(std::make_unique<NamedTrackingView>(k, nullptr, "Tracking View"));
            else
                views_.push_back(std::make_unique<NamedView>(k, nullptr, "v"));
            host_.registerView(views_.back().get());
        }
        host_.setRawCaptureHook([this](bool on) { capture_.push_back(on); });
    }

    std::vector<ViewKind> visible() const {
        std::vector<ViewKind> out;
        for (const auto& e : host_.entries())
            if (e.visible && e.view->kind() != ViewKind::SmallInfo) out.push_back(e.view->kind());
        return out;
    }

    FlagWords flags_;
    ViewHost host_{flags_};
    std::vector<std::unique_ptr<View>> views_;
    std::vector<bool> capture_;
};

TEST_F(ViewHostTest, RegisteringLeavesOnlyTheLastViewVisible) {
    ASSERT_EQ(host_.entries().size(), 8u);
    EXPECT_EQ(visible(), std::vector<ViewKind>{ViewKind::GeoCaching});
    EXPECT_TRUE(host_.view(ViewKind::GeoCaching)->shown());
    EXPECT_FALSE(host_.view(ViewKind::Nmea)->shown());
    // The table holds ten views at most.
    NamedView a(ViewKind::Nmea, nullptr, "a"), b(ViewKind::Nmea, nullptr, "b"), c(ViewKind::Nmea, nullptr, "c");
    EXPECT_TRUE(host_.registerView(&a));
    EXPECT_TRUE(host_.registerView(&b));
    EXPECT_FALSE(host_.registerView(&c));
    host_.clearViews();
}

TEST_F(ViewHostTest, ClientAreaSplitsIntoInfoRowsAndPanes) {
    struct Case {
        int top, bottom, hsplit, vsplit;
        Rect strip, a, b;
    } cases[] = {
        {1, 1, 0, 0, {0, 0, 480, 36}, {0, 36, 480, 614}, {0, 36, 480, 614}},
        {1, 0, 0, 0, {0, 0, 480, 18}, {0, 18, 480, 614}, {0, 18, 480, 614}},
        {0, 0, 0, 0, {0, 0, 480, 0}, {0, 0, 480, 614}, {0, 0, 480, 614}},
        // Horizontal: A the upper 40 % of the rest, B the lower 60 %.
        {1, 1, 1, 0, {0, 0, 480, 36}, {0, 36, 480, 267}, {0, 267, 480, 614}},
        // Vertical: A the left 40 % of the width.
        {0, 1, 0, 1, {0, 0, 480, 18}, {0, 18, 192, 614}, {192, 18, 480, 614}},
    };
    for (const Case& c : cases) {
        flags_.set_topRow(c.top);
        flags_.set_bottomRow(c.bottom);
        flags_.set_hSplit(c.hsplit);
        flags_.set_vSplit(c.vsplit);
        host_.layoutPanes({0, 0, 480, 614});
        EXPECT_EQ(host_.infoStripRect(), c.strip);
        EXPECT_EQ(host_.paneRect(Pane::A), c.a);
        EXPECT_EQ(host_.paneRect(Pane::B), c.b);
        // Views get their pane's size, at their window's origin.
        EXPECT_EQ(host_.trackingView(Pane::B)->rect(), (Rect{0, 0, c.b.width(), c.b.height()}));
        EXPECT_EQ(host_.view(ViewKind::Profile)->rect(), (Rect{0, 0, c.a.width(), c.a.height()}));
    }
    // At display scale 2 the rows are twice as high.
    host_.setDpi(192);
    flags_.set_topRow(1);
    flags_.set_bottomRow(1);
    host_.layoutPanes({0, 0, 960, 1228});
    EXPECT_EQ(host_.infoStripRect().height(), 72);
}

TEST_F(ViewHostTest, LayoutsShowTheirViewAndRememberTheIndex) {
    const struct {
        uint32_t command;
        ViewKind view;
    } rows[] = {{40004, ViewKind::Profile}, {40005, ViewKind::Roadbook}, {40006, ViewKind::GeoCaching},
                {40007, ViewKind::Satellites}, {40008, ViewKind::Nmea}, {40003, ViewKind::TrackingA}};
    for (const auto& r : rows) {
        ASSERT_TRUE(host_.chooseLayout(r.command, false));
        EXPECT_EQ(visible(), std::vector<ViewKind>{r.view}) << r.command;
        EXPECT_EQ(flags_.viewLayout(), r.command - 40003);
        EXPECT_EQ(host_.layoutCommand(), r.command);
    }
    // Raw capture only while the NMEA layout is chosen.
    EXPECT_EQ(capture_, (std::vector<bool>{false, false, false, false, true, false}));
    EXPECT_FALSE(host_.chooseLayout(40009, false));
    EXPECT_FALSE(host_.chooseLayout(40002, false));
    EXPECT_EQ(host_.layoutCommand(), 40003u);
    // Geocaching from the menu switches guidance on; from a key it does not.
    flags_.set_destGuidance(0);
    host_.chooseLayout(40006, false);
    EXPECT_EQ(flags_.destGuidance(), 0u);
    host_.chooseLayout(40006, true);
    EXPECT_EQ(flags_.destGuidance(), 1u);
}

TEST_F(ViewHostTest, SplitLayoutsShowBothTrackingViewsAndMakeBCurrent) {
    host_.chooseLayout(40003, false);
    EXPECT_EQ(host_.currentTrackingPane(), Pane::A);
    flags_.set_vSplit(1);
    host_.applySplit();
    EXPECT_EQ(host_.currentTrackingPane(), Pane::B);
    EXPECT_EQ(host_.currentTrackingView(), host_.trackingView(Pane::B));
    EXPECT_EQ(visible(), (std::vector<ViewKind>{ViewKind::TrackingB, ViewKind::TrackingA}));

    // Leaving layout 0 in a split: A is current again; B stays beside the profile.
    host_.chooseLayout(40004, false);
    EXPECT_EQ(host_.currentTrackingPane(), Pane::A);
    EXPECT_EQ(visible(), (std::vector<ViewKind>{ViewKind::Profile, ViewKind::TrackingB}));
    host_.chooseLayout(40003, false);
    EXPECT_EQ(host_.currentTrackingPane(), Pane::B);

    // Without a split B's view is hidden and A is current.
    flags_.set_vSplit(0);
    host_.applySplit();
    EXPECT_EQ(host_.currentTrackingPane(), Pane::A);
    EXPECT_EQ(visible(), std::vector<ViewKind>{ViewKind::TrackingA});
    EXPECT_FALSE(host_.trackingView(Pane::B)->shown());
}

TEST_F(ViewHostTest, StartLayoutComesFromTheFlagWords) {
    flags_.set_viewLayout(4);
    host_.applyStartLayout();
    EXPECT_EQ(host_.layoutCommand(), 40007u);
    EXPECT_EQ(visible(), std::vector<ViewKind>{ViewKind::Satellites});
    // An index beyond the six layouts starts with the tracking view.
    flags_.set_viewLayout(7);
    host_.applyStartLayout();
    EXPECT_EQ(host_.layoutCommand(), 40003u);
}

TEST_F(ViewHostTest, BacklightLevelsFollowTheFlagWords) {
    std::vector<int> sink;
    host_.setBacklightSink([&](int level) { sink.push_back(level); });
    flags_.set_autoDim(1);
    flags_.set_dispLock(1);
    // No control: automatic dimming and the lock are switched off, the level stays.
    flags_.set_backlightControl(0);
    host_.backlight().lcdCapability = 0;
    host_.setBacklightLevel(5);
    EXPECT_EQ(host_.backlight().level, 6);
    EXPECT_EQ(flags_.autoDim(), 0u);
    EXPECT_EQ(flags_.dispLock(), 0u);
    flags_.set_backlightControl(1);
    host_.backlight().lcdCapability = -1;
    host_.setBacklightLevel(5);
    EXPECT_EQ(host_.backlight().level, 6);

    host_.backlight().lcdCapability = 1;
    host_.setBacklightLevel(static_cast<int>(flags_.dimLevel()));
    EXPECT_TRUE(host_.atDimLevel());
    EXPECT_TRUE(host_.backlight().swallowNextKey);
    host_.backlight().swallowNextKey = false;
    host_.setBacklightLevel(static_cast<int>(flags_.normalLevel()));
    EXPECT_TRUE(host_.atNormalLevel());
    EXPECT_FALSE(host_.backlight().swallowNextKey);
    EXPECT_EQ(sink, (std::vector<int>{5, 6}));
}

TEST_F(ViewHostTest, ScreenCentreAndSquareFollowTheScale) {
    host_.recomputeScreenCentre({0, 0, 480, 614});
    EXPECT_EQ(host_.screenCentre(), (platform::Point{240, 307}));
    EXPECT_EQ(host_.centreSquare(), (Rect{224, 291, 256, 323}));
    host_.setDpi(192);
    host_.recomputeScreenCentre({0, 0, 960, 1228});
    EXPECT_EQ(host_.centreSquare().width(), 64);
}

}  // namespace
}  // namespace trek
