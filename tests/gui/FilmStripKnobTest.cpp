#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "BitmapView.h"
#include "ControlListener.h"
#include "FilmStripKnob.h"
#include "FrameworkEvent.h"
#include "Image.h"
#include "ImageTable.h"
#include "TestPng.h"
#include "TestWindow.h"

namespace {

std::shared_ptr<Image> makeStrip(int cellWidth, int cellHeight) {
    TestPngLayout layout;
    layout.colourType = 6;
    layout.width = 73 * (cellWidth + 1) + 2;
    layout.height = cellHeight + 2;
    layout.rows = makeFilmStripRgba(73, cellWidth, cellHeight);
    auto png = makeTestPng(layout);
    return ImageTable::decode(png.data(), png.size(), false);
}

std::shared_ptr<Image> makeFlat(int w, int h, uint8_t grey) {
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

struct CountingListener : ControlListener {
    void valueChanged(int32_t entry, Control&, int32_t value) override {
        ++calls;
        lastEntry = entry;
        lastValue = value;
    }
    int calls = 0;
    int32_t lastEntry = 0;
    int32_t lastValue = -1;
};

// A large knob as the editor makes it, at (40, 30) in a grey window: control rectangle
// 40..96 x 30..85, centre (28, 28) = window (68, 58).
struct KnobFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(strip);
        background = fixture.window->add(std::make_unique<BitmapView>(
            fixture.window.get(), ControlDescriptor(0, 0, 0, 200, 120, 1, 1),
            makeFlat(200, 120, 90), 0));
        knob = background->add(
            std::make_unique<FilmStripKnob>(background, ControlDescriptor(1, 40, 30, 56, 55, 1, 1),
                                            1, 28.0f, 28.0f, 0.0f, 213.0f, 327.0f, 0));
        knob->setImagePivot(25.5f, 26.0f);
        knob->setRadii(18.0f, 30.0f);
        knob->model().setMaximum(100);
        knob->setImage(0, strip);
        knob->addListener(&listener);
        ASSERT_TRUE(fixture.open());
    }
    std::array<int, 4> framePixel(int x, int y) {
        const uint8_t* p = fixture.host().frame()->pixelAddress(x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    void setValue(int32_t v) { knob->setValue(v, 0, false); }

    std::shared_ptr<Image> strip = makeStrip(56, 55);
    TestWindow fixture{200, 120};
    View* background = nullptr;
    FilmStripKnob* knob = nullptr;
    CountingListener listener;
    static constexpr int kCentreX = 68;
    static constexpr int kCentreY = 58;
};

}  // namespace

TEST_F(KnobFixture, CellsForMinimumMiddleAndMaximum) {
    setValue(0);
    EXPECT_FLOAT_EQ(knob->currentAngle(), 213.0f);
    EXPECT_EQ(knob->cellColumn(), 43);
    setValue(50);
    EXPECT_EQ(knob->cellColumn(), 18);
    setValue(100);
    EXPECT_EQ(knob->cellColumn(), 66);
    EXPECT_EQ(knob->cellRow(), 0);
}

TEST_F(KnobFixture, AColumnBeyondTheStripKeepsThePreviousOne) {
    // Value 88: 0.12 * 246 + 327 - 360 = 356.52 degrees, column 72.29 -> 72.
    setValue(88);
    EXPECT_EQ(knob->cellColumn(), 72);
    // Value 87: 358.98 degrees, column 72.79 -> 73, beyond the strip: 72 stays.
    setValue(87);
    EXPECT_NEAR(knob->currentAngle(), 358.98f, 1e-3f);  // float arithmetic of the angle
    EXPECT_EQ(knob->cellColumn(), 72);
    // Value 86: 1.44 degrees, column 0; then 87 keeps 0.
    setValue(86);
    EXPECT_EQ(knob->cellColumn(), 0);
    setValue(87);
    EXPECT_EQ(knob->cellColumn(), 0);
}

TEST_F(KnobFixture, DrawsItsCellWithThePivotOnTheCentre) {
    setValue(0);
    fixture.host().processEvents();
    // Pointer point (28, 28) minus pivot (25.5, 26): the cell's corner at (2.5, 2.0) -> (2, 2).
    EXPECT_EQ(knob->cellLeft(), 2);
    EXPECT_EQ(knob->cellTop(), 2);
    // The strip's opaque mark sits at cell (28, 27) with the cell number as its red byte:
    // window (40 + 2 + 28, 30 + 2 + 27).
    EXPECT_EQ(framePixel(70, 59)[2], 43);
    EXPECT_EQ(framePixel(70, 59)[3], 255);
    // A transparent cell pixel shows the background exactly.
    EXPECT_EQ(framePixel(40 + 3, 30 + 3), (std::array<int, 4>{90, 90, 90, 255}));
    // Outside the control the background is untouched.
    EXPECT_EQ(framePixel(10, 10), (std::array<int, 4>{90, 90, 90, 255}));
}

TEST_F(KnobFixture, KnobsSharingAStripEachDrawTheirOwnCell) {
    auto* second = background->add(
        std::make_unique<FilmStripKnob>(background, ControlDescriptor(2, 120, 30, 56, 55, 1, 1), 2,
                                        28.0f, 28.0f, 0.0f, 213.0f, 327.0f, 0));
    second->setImagePivot(25.5f, 26.0f);
    second->model().setMaximum(100);
    second->setImage(0, strip);
    second->setValue(100, 0, false);
    setValue(0);
    fixture.window->invalidateAll();
    fixture.host().processEvents();
    EXPECT_EQ(framePixel(70, 59)[2], 43);
    EXPECT_EQ(framePixel(150, 59)[2], 66);
}

TEST_F(KnobFixture, HitTestRadii) {
    EXPECT_EQ(knob->hitTest(28.0f, 28.0f - 18.0f), 3);
    EXPECT_EQ(knob->hitTest(28.0f, 28.0f - 18.5f), 4);
    EXPECT_EQ(knob->hitTest(28.0f + 30.0f, 28.0f), 4);
    EXPECT_EQ(knob->hitTest(28.0f, 28.0f + 31.0f), 0);
    // A press 31 pixels from the centre starts nothing.
    fixture.host().pressButton(kCentreX - 31, kCentreY);
    EXPECT_FALSE(knob->isTracking());
    fixture.host().releaseButton(kCentreX - 31, kCentreY);
    EXPECT_EQ(listener.calls, 0);
}

TEST_F(KnobFixture, VerticalDragFromZero) {
    setValue(0);
    fixture.host().pressButton(kCentreX, kCentreY);
    EXPECT_TRUE(knob->isTracking());
    EXPECT_EQ(knob->dragMode(), 3);
    EXPECT_TRUE(fixture.application.isTracking());
    EXPECT_EQ(listener.calls, 0);  // the press at the centre's height keeps 0
    fixture.host().moveMouse(kCentreX + 40, kCentreY - 96);
    EXPECT_EQ(knob->value(), 99);
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(listener.lastEntry, 1);
    EXPECT_EQ(listener.lastValue, 99);
    // Captured: far outside the window still drags, and 97 pixels or more give the maximum.
    fixture.host().moveMouse(-300, kCentreY - 200);
    EXPECT_EQ(knob->value(), 100);
    fixture.host().releaseButton(-300, kCentreY - 200);
    EXPECT_FALSE(knob->isTracking());
    EXPECT_FALSE(fixture.application.isTracking());
    EXPECT_EQ(listener.calls, 2);
    // Moves after the release reach nobody.
    fixture.host().moveMouse(kCentreX, kCentreY + 50);
    EXPECT_EQ(knob->value(), 100);
}

TEST_F(KnobFixture, FineModeWithShift) {
    setValue(40);
    fixture.host().pressButton(kCentreX, kCentreY, FrameworkEvent::kShift);
    // 30 pixels below: 30 / 200 = 0.15 of the way from 40 to 0: 34.
    fixture.host().moveMouse(kCentreX, kCentreY + 30, FrameworkEvent::kShift);
    EXPECT_EQ(knob->value(), 34);
    // Shift released mid-drag: the coarse rule, from the same start value 40:
    // 40 - 40 * 30 * 0.01041 = 27.51 -> 27.
    fixture.host().moveMouse(kCentreX, kCentreY + 30, 0);
    EXPECT_EQ(knob->value(), 27);
    fixture.host().releaseButton(kCentreX, kCentreY + 30);
}

TEST_F(KnobFixture, RotaryDragIntoTheBottomGap) {
    setValue(50);
    // 25 pixels right of the centre: rotary zone, angle 0: 213 / 246 of the way -> 86.
    fixture.host().pressButton(kCentreX + 25, kCentreY);
    EXPECT_EQ(knob->dragMode(), 4);
    EXPECT_EQ(knob->value(), 86);
    // Straight below the centre: 57 degrees past the end angle, the maximum.
    fixture.host().moveMouse(kCentreX, kCentreY + 25);
    EXPECT_EQ(knob->value(), 100);
    // Lower left at (-16, +19): 229.9 degrees, 97 past the end: the minimum.
    fixture.host().moveMouse(kCentreX - 16, kCentreY + 19);
    EXPECT_EQ(knob->value(), 0);
    fixture.host().releaseButton(kCentreX - 16, kCentreY + 19);
    EXPECT_EQ(listener.calls, 3);
}

TEST_F(KnobFixture, MovesWithoutTheButtonDoNothing) {
    setValue(10);
    fixture.host().moveMouse(kCentreX, kCentreY - 80);
    fixture.host().moveMouse(kCentreX + 1, kCentreY - 90);
    EXPECT_FALSE(fixture.host().isCaptured());
    EXPECT_EQ(knob->value(), 10);
    EXPECT_EQ(listener.calls, 0);
}

TEST_F(KnobFixture, ASecondPressStartsAgainFromTheCurrentValue) {
    setValue(20);
    fixture.host().pressButton(kCentreX, kCentreY - 10);
    // 20 + 80 * 10 * 0.01041 = 28.33 -> 28
    EXPECT_EQ(knob->value(), 28);
    fixture.host().releaseButton(kCentreX, kCentreY - 10);
    // The double click's second press: start value 28, no reset to a default.
    fixture.host().pressButton(kCentreX, kCentreY - 10);
    // 28 + 72 * 0.1041 = 35.50 -> 35
    EXPECT_EQ(knob->value(), 35);
    fixture.host().releaseButton(kCentreX, kCentreY - 10);
}

TEST_F(KnobFixture, AHiddenWindowIgnoresPresses) {
    TestWindow hidden;
    auto* k = hidden.window->add(std::make_unique<FilmStripKnob>(
        hidden.window.get(), ControlDescriptor(1, 0, 0, 56, 55, 1, 1), 1, 28.0f, 28.0f, 0.0f,
        213.0f, 327.0f, 0));
    k->setRadii(18.0f, 30.0f);
    k->model().setMaximum(100);
    ASSERT_TRUE(hidden.window->attach(TestWindow::parentHandle()));
    hidden.host().pressButton(28, 10);
    EXPECT_FALSE(k->isTracking());
    EXPECT_EQ(k->value(), 0);
}

TEST_F(KnobFixture, WithoutAnImageNothingIsDrawn) {
    knob->setImage(0, nullptr);
    fixture.window->invalidateAll();
    fixture.host().processEvents();
    for (int y = 30; y < 85; y += 3) {
        for (int x = 40; x < 96; x += 3) {
            ASSERT_EQ(framePixel(x, y), (std::array<int, 4>{90, 90, 90, 255}));
        }
    }
}
