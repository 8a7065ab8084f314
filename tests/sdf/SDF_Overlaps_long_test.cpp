// A check of thousands of sections at one node writes millions of lines:
// the window gets its events meanwhile, Cancel shows and acts, and the other
// commands wait until the check is over.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "sdf/SDF_Utils.h"
#include "tests/sdf/sdf_support.h"

namespace {

using namespace sdftest;

class EventsBackend : public ui::HeadlessBackend {
public:
    std::function<void()> on_events;
    void DoEvents() override {
        ++do_events_calls;
        if (on_events) on_events();
    }
};

class SdfLongCheckTest : public SdfTest {
protected:
    void SetUp() override {
        SdfTest::SetUp();
        auto b = std::make_shared<EventsBackend>();
        b->on_unexpected = ui_->on_unexpected;
        events_ = b;
        ui_ = b;
        ui::SetBackend(b);
    }
    std::shared_ptr<EventsBackend> events_;
};

TEST_F(SdfLongCheckTest, CancelActsWhileSectionsAtOneNodeAreReported) {
    // Every section ends at the end of 0010, node 10002: 3000 sections give
    // about 4.5 million pairs.
    std::string text = "ID,Seg,Km1,Km2\r\n";
    for (int i = 1; i <= 3000; ++i) text += "S" + std::to_string(i) + ",0010,12.0,12.4\r\n";
    UseSdf(text);
    ui::CommandButton* cancel = form().Find<ui::CommandButton>("cmdSDFCancel");
    ui::CommandButton* overlaps = form().Find<ui::CommandButton>("cmdOverlaps");
    ASSERT_NE(cancel, nullptr);
    ASSERT_NE(overlaps, nullptr);
    ASSERT_FALSE(cancel->Visible());
    bool cancel_offered = false, others_held = true;
    events_->on_events = [&] {
        cancel_offered = cancel->Visible() && cancel->Enabled();
        others_held = others_held && !overlaps->Enabled();
        cancel->OnClick();
    };
    int16_t status = 0;
    SDF_Overlaps(status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(events_->do_events_calls, 1);
    EXPECT_TRUE(cancel_offered);
    EXPECT_TRUE(others_held);
    EXPECT_EQ(StatusLines().back(), "Processing CANCELLED");
    EXPECT_FALSE(StatusHas("overlaps found."));
    // as it was before the check
    EXPECT_FALSE(cancel->Visible());
    EXPECT_TRUE(overlaps->Enabled());
}

}  // namespace
