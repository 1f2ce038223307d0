#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "BitmapView.h"
#include "Control.h"
#include "Image.h"
#include "TestWindow.h"

namespace {

// A control that takes every press (drag mode 1) and records the points it is dragged to.
class ProbeControl : public Control {
public:
    using Control::Control;
    struct Step {
        float x;
        float y;
        int32_t modifiers;
    };
    std::vector<Step> steps;
    int ends = 0;

protected:
    int32_t hitTest(float, float) override { return 1; }
    void drag(int32_t, bool, bool) override { steps.push_back({mouseX, mouseY, modifierFlags}); }
    void endDrag() override { ++ends; }
};

std::shared_ptr<Image> flat(int w, int h, uint8_t grey) {
    std::shared_ptr<Image> image = Image::create(w, h, 32, false);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image->pixelAddress(x, y);
            p[0] = p[1] = p[2] = grey;
            p[3] = 255;
        }
    }
    return image;
}

}  // namespace

TEST(WindowHost, AttachNeedsAParentTheDisplayKnows) {
    TestWindow t;
    EXPECT_FALSE(t.window->attach(nullptr));
    EXPECT_EQ(t.window->host(), nullptr);
    void* unknown = reinterpret_cast<void*>(uintptr_t{0xBAD});
    t.display.markInvalidParent(unknown);
    EXPECT_FALSE(t.window->attach(unknown));
    EXPECT_FALSE(t.window->show(true, true, true));  // nothing to show
    EXPECT_TRUE(t.open());
    EXPECT_TRUE(t.window->isShown());
    EXPECT_EQ(t.host().parentWindow(), TestWindow::parentHandle());
    EXPECT_EQ(t.host().placement(), (PixelRect{0, 0, 200, 120}));
    EXPECT_TRUE(t.window->close());
    EXPECT_FALSE(t.window->close());  // nothing left to close
}

TEST(WindowHost, PressCapturesMovesFollowOnlyWhileCaptured) {
    TestWindow t;
    auto* probe = t.window->add(std::make_unique<ProbeControl>(
        t.window.get(), ControlDescriptor(1, 50, 40, 20, 20, 1, 1), 1));
    ASSERT_TRUE(t.open());
    t.host().moveMouse(55, 45);  // no button: not delivered
    EXPECT_TRUE(probe->steps.empty());
    t.host().pressButton(55, 45, 2);
    ASSERT_EQ(probe->steps.size(), 1u);
    EXPECT_FLOAT_EQ(probe->steps[0].x, 5.0f);  // control coordinates
    EXPECT_FLOAT_EQ(probe->steps[0].y, 5.0f);
    EXPECT_EQ(probe->steps[0].modifiers, 2);
    EXPECT_TRUE(t.host().isCaptured());
    // Outside the window while captured: still delivered, with the outside coordinates.
    t.host().moveMouse(-20, 500);
    ASSERT_EQ(probe->steps.size(), 2u);
    EXPECT_FLOAT_EQ(probe->steps[1].x, -70.0f);
    EXPECT_FLOAT_EQ(probe->steps[1].y, 460.0f);
    t.host().releaseButton(-20, 500);
    EXPECT_EQ(probe->steps.size(), 3u);
    EXPECT_EQ(probe->ends, 1);
    EXPECT_FALSE(t.host().isCaptured());
    t.host().moveMouse(55, 45);
    EXPECT_EQ(probe->steps.size(), 3u);
    // A press beside every control reaches nobody.
    t.host().pressButton(5, 5);
    t.host().releaseButton(5, 5);
    EXPECT_EQ(probe->steps.size(), 3u);
}

TEST(WindowHost, PaintsOnlyWhatIsDamaged) {
    TestWindow t;
    auto* picture = t.window->add(std::make_unique<BitmapView>(
        t.window.get(), ControlDescriptor(0, 0, 0, 200, 120, 1, 1), flat(200, 120, 60), 0));
    (void)picture;
    ASSERT_TRUE(t.open());
    t.host().processEvents();  // the first paint shows everything
    ASSERT_EQ(t.host().presentCount(), 1);
    EXPECT_EQ(t.host().frame()->pixelAddress(199, 119)[0], 60);
    // An empty damage draws nothing.
    t.host().processEvents();
    EXPECT_EQ(t.host().presentCount(), 1);
    // Paint over the frame's corner behind the framework's back, then damage a small part:
    // only that part is painted again.
    Image* frame = const_cast<Image*>(t.host().frame());
    frame->pixelAddress(10, 10)[0] = 1;
    frame->pixelAddress(100, 100)[0] = 1;
    t.window->invalidateRect(PixelRect{95, 95, 105, 105});
    EXPECT_EQ(t.host().damagedRect(), (PixelRect{95, 95, 105, 105}));
    t.host().processEvents();
    EXPECT_EQ(t.host().presentCount(), 2);
    EXPECT_EQ(t.host().frame()->pixelAddress(100, 100)[0], 60);
    EXPECT_EQ(t.host().frame()->pixelAddress(10, 10)[0], 1);
    // Damage outside the client area is dropped.
    t.window->invalidateRect(PixelRect{300, 300, 400, 400});
    EXPECT_TRUE(t.host().damagedRect().isEmpty());
}

TEST(WindowHost, TheOffscreenBufferIsSharedAndGrows) {
    TestWindow t;
    Image* small = t.application.offscreenBuffer(10, 10);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(t.application.offscreenBuffer(5, 8), small);
    Image* large = t.application.offscreenBuffer(300, 4);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->width(), 300);
    EXPECT_EQ(large->height(), 10);  // at least as large as before
    EXPECT_TRUE(large->hasDisplaySurface());
}
