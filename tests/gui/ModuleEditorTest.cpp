#include <gtest/gtest.h>

#if defined(ORVANE_HAVE_RESOURCES)

#include <array>

#include "Control.h"
#include "EditorEvent.h"
#include "EmbeddedResources.h"
#include "FakeParameters.h"
#include "FilmStripKnob.h"
#include "Image.h"
#include "ImageTable.h"
#include "ModuleEditor.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "ValueDisplay.h"
#include "WindowView.h"

namespace {

ModuleEditor::Resources embedded() {
    return ModuleEditor::Resources{
        &EmbeddedResources::background(), &EmbeddedResources::largeKnobStrip(),
        &EmbeddedResources::smallKnobStrip(), &EmbeddedResources::displayFont()};
}

struct Placed {
    int entry;
    int parameter;
    PixelRect rect;
};

// The panel's controls: large knobs one pixel right of and below their layout points.
const Placed kPlaced[] = {
    {1, 1, {26, 145, 82, 200}},   {2, 2, {103, 145, 159, 200}},  {3, 3, {179, 145, 235, 200}},
    {4, 4, {256, 145, 312, 200}}, {5, 5, {333, 145, 389, 200}},  {6, 8, {433, 128, 489, 183}},
    {7, 9, {510, 128, 566, 183}}, {8, 10, {485, 180, 516, 211}}, {9, 6, {434, 47, 465, 78}},
    {10, 7, {543, 47, 574, 78}},  {11, 6, {374, 55, 426, 69}},   {12, 7, {483, 55, 535, 69}},
};

struct EditorFixture : ::testing::Test {
    EditorFixture() { app.setWindowHostFactory(display.factory()); }

    void* parent() { return reinterpret_cast<void*>(uintptr_t{0x5151}); }
    OffscreenWindowHost& host() { return *display.attachedHost(); }
    void send(int32_t type, int32_t data = 0) {
        EditorEvent event;
        event.type = type;
        event.data = data;
        editor.handleEvent(&event);
    }
    void idle() { send(EditorEvent::kIdle); }
    std::array<int, 4> framePixel(int x, int y) {
        const uint8_t* p = host().frame()->pixelAddress(x, y);
        return {p[0], p[1], p[2], p[3]};
    }
    static std::array<int, 4> pixelOf(const Image& image, int x, int y) {
        const uint8_t* p = image.pixelAddress(x, y);
        return {p[0], p[1], p[2], p[3]};
    }

    OffscreenDisplay display;
    Application app{ApplicationDescriptor{"Corvale2_VST", "", "Res", "", "/nowhere/x.so"}};
    FakeParameters params;
    ModuleEditor editor{app, params, embedded()};
};

}  // namespace

TEST_F(EditorFixture, RectangleIsFixed) {
    int32_t rect[4] = {-1, -1, -1, -1};
    EXPECT_TRUE(editor.getRect(rect));
    EXPECT_EQ(rect[0], 0);
    EXPECT_EQ(rect[1], 0);
    EXPECT_EQ(rect[2], 600);
    EXPECT_EQ(rect[3], 246);
}

TEST_F(EditorFixture, OpenBuildsTheLayoutAndBindsEveryControl) {
    ASSERT_TRUE(editor.open(parent(), 0));
    ASSERT_EQ(display.hosts().size(), 1u);
    EXPECT_EQ(host().placement(), (PixelRect{0, 0, 600, 246}));
    EXPECT_TRUE(host().isVisible());
    EXPECT_EQ(editor.control(0), nullptr);
    EXPECT_EQ(editor.control(13), nullptr);
    for (const Placed& p : kPlaced) {
        SCOPED_TRACE(p.entry);
        Control* c = editor.control(p.entry);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->identifier(), p.entry);
        EXPECT_EQ(c->windowPixels(), p.rect);
        EXPECT_EQ(c->model().parameterNumber, p.parameter);
        EXPECT_EQ(c->model().name, FakeParameters::prefixed('P', p.parameter));
        EXPECT_EQ(c->model().minimum, 0);
        EXPECT_EQ(c->model().maximum, params.parameterStepCount(p.parameter));
        EXPECT_EQ(c->value(), params.parameterValue(p.parameter));
        EXPECT_EQ(c->showsText(), p.entry >= 11);
    }
    // Displays take the value text at binding: Voices step 19 reads "20".
    EXPECT_EQ(editor.control(11)->model().text, "20");
    EXPECT_EQ(editor.control(12)->model().text, "s50");
    // Knob geometry of the two kinds.
    auto* large = dynamic_cast<FilmStripKnob*>(editor.control(1));
    auto* small = dynamic_cast<FilmStripKnob*>(editor.control(8));
    ASSERT_TRUE(large && small);
    EXPECT_FLOAT_EQ(large->sweepAngle(), 246.0f);
    EXPECT_FLOAT_EQ(small->sweepAngle(), 235.0f);
    EXPECT_FLOAT_EQ(large->innerRadius(), 18.0f);
    EXPECT_FLOAT_EQ(small->innerRadius(), 10.0f);
    EXPECT_FLOAT_EQ(small->outerRadius(), 30.0f);
    // The seven large knobs share one decoded strip, the three small ones another.
    EXPECT_EQ(large->image(0), dynamic_cast<FilmStripKnob*>(editor.control(7))->image(0));
    EXPECT_EQ(large->image(0)->cellColumns(), 73);
    EXPECT_EQ(small->image(0)->cellColumns(), 73);
    EXPECT_EQ(large->image(0)->cellWidth(), 56);
    EXPECT_EQ(small->image(0)->cellWidth(), 31);
}

TEST_F(EditorFixture, OpeningTwiceLeavesOneWindowAndReopeningWorks) {
    ASSERT_TRUE(editor.open(parent(), 0));
    ASSERT_TRUE(editor.open(parent(), 0));
    EXPECT_EQ(display.hosts().size(), 1u);
    EXPECT_TRUE(editor.close());
    EXPECT_EQ(display.hosts().size(), 0u);
    EXPECT_FALSE(editor.close());
    EXPECT_EQ(editor.control(1), nullptr);
    ASSERT_TRUE(editor.open(parent(), 0));
    EXPECT_EQ(display.hosts().size(), 1u);
    EXPECT_NE(editor.control(1), nullptr);
}

TEST_F(EditorFixture, NoWindowWithoutAUsableParent) {
    display.markInvalidParent(parent());
    EXPECT_FALSE(editor.open(parent(), 0));
    EXPECT_FALSE(editor.open(nullptr, 0));
    EXPECT_EQ(editor.window(), nullptr);
    EditorEvent event;
    EXPECT_FALSE(editor.handleEvent(&event));  // idle reaches nobody
    event.type = EditorEvent::kRefreshAll;
    EXPECT_FALSE(editor.handleEvent(&event));
}

TEST_F(EditorFixture, StoredPositionPlacesTheNextWindow) {
    const int32_t xy[2] = {10, 20};
    EXPECT_TRUE(editor.setPosition(xy));
    ASSERT_TRUE(editor.open(parent(), 0));
    EXPECT_EQ(host().placement(), (PixelRect{10, 20, 610, 266}));
}

TEST_F(EditorFixture, TurningVoicesUpdatesItsDisplayInTheSameCallChain) {
    ASSERT_TRUE(editor.open(parent(), 0));
    // Voices knob: window (434, 47), centre (15.5, 15.5). A press half a pixel above the
    // centre keeps 19 (19 + 53 * 0.0052 = 19.28).
    host().pressButton(449, 62);
    EXPECT_TRUE(params.sets.empty());
    // 20.5 pixels above: 19 + 53 * 20.5 * 0.01041 = 30.31 -> 30.
    host().moveMouse(449, 42);
    ASSERT_EQ(params.sets.size(), 1u);
    EXPECT_EQ(params.sets[0].parameter, 6);
    EXPECT_EQ(params.sets[0].step, 30);
    EXPECT_EQ(params.notified, (std::vector<int32_t>{6}));
    EXPECT_EQ(editor.control(9)->value(), 30);
    // The twin display follows at once, without any idle call.
    EXPECT_EQ(editor.control(11)->value(), 30);
    EXPECT_EQ(editor.control(11)->model().text, "31");
    host().releaseButton(449, 42);
    EXPECT_EQ(params.sets.size(), 1u);
    EXPECT_EQ(params.notified.size(), 1u);
}

TEST_F(EditorFixture, ReachingTheParametersOwnValueReportsNothing) {
    ASSERT_TRUE(editor.open(parent(), 0));
    params.hostSets(1, 70);  // not yet refreshed: the knob still shows 50
    // Decay knob centre at window (54, 173); 39 pixels above: 50 + 50 * 0.40599 = 70.3 -> 70.
    host().pressButton(54, 173);
    host().moveMouse(54, 134);
    EXPECT_EQ(editor.control(1)->value(), 70);
    host().releaseButton(54, 134);
    EXPECT_TRUE(params.sets.empty());
    EXPECT_TRUE(params.notified.empty());
    // The same through the listener directly.
    editor.listener().valueChanged(1, *editor.control(1), 70);
    EXPECT_TRUE(params.sets.empty());
}

TEST_F(EditorFixture, ControlMessagesWithBadEntriesChangeNothing) {
    ASSERT_TRUE(editor.open(parent(), 0));
    for (int32_t entry : {0, 13, 14, -1}) {
        editor.listener().valueChanged(entry, *editor.control(1), 7);
    }
    EXPECT_TRUE(params.sets.empty());
    EXPECT_TRUE(params.notified.empty());
    editor.listener().valueChanged(1, *editor.control(1), 7);
    ASSERT_EQ(params.sets.size(), 1u);
    EXPECT_EQ(params.sets[0].step, 7);
}

TEST_F(EditorFixture, HostChangesReachTheControlsOnlyWithTheRefresh) {
    ASSERT_TRUE(editor.open(parent(), 0));
    params.hostSets(2, 80);
    idle();
    EXPECT_EQ(editor.control(2)->value(), 50);
    send(EditorEvent::kRefreshAll);
    EXPECT_EQ(editor.control(2)->value(), 80);
    // The real value 80.75 is truncated into the floating value.
    EXPECT_FLOAT_EQ(editor.control(2)->model().floatValue, 80.0f);
    params.hostSets(7, 12);
    send(EditorEvent::kParameterChanged, 7);
    EXPECT_EQ(editor.control(10)->value(), 12);
    EXPECT_EQ(editor.control(12)->model().text, "s12");
}

TEST_F(EditorFixture, QuietRefreshAndDraggedControlsAreNotRedrawn) {
    ASSERT_TRUE(editor.open(parent(), 0));
    idle();  // paints everything
    ASSERT_TRUE(host().damagedRect().isEmpty());
    params.hostSets(6, 40);
    send(EditorEvent::kParameterChangedQuietly, 6);
    EXPECT_EQ(editor.control(9)->value(), 40);
    EXPECT_TRUE(host().damagedRect().isEmpty());
    send(EditorEvent::kParameterChanged, 6);
    // The Voices knob (434, 47)..(465, 78) and display (374, 55)..(426, 69) are damaged.
    EXPECT_EQ(host().damagedRect(), (PixelRect{374, 47, 465, 78}));
    idle();
    // While the user drags the Decay knob, a refresh of Decay does not redraw it.
    host().pressButton(54, 173);
    idle();
    ASSERT_TRUE(editor.control(1)->isTracking());
    send(EditorEvent::kParameterChanged, 1);
    EXPECT_TRUE(host().damagedRect().isEmpty());
    host().releaseButton(54, 173);
    send(EditorEvent::kRedraw);
    EXPECT_EQ(host().damagedRect(), (PixelRect{0, 0, 600, 246}));
}

TEST_F(EditorFixture, ComposedFrameShowsBackgroundKnobsAndText) {
    ASSERT_TRUE(editor.open(parent(), 0));
    idle();
    auto background = ImageTable::decode(EmbeddedResources::background().data(),
                                         EmbeddedResources::background().size(), false);
    ASSERT_TRUE(background);
    ASSERT_EQ(background->width(), 600);
    ASSERT_EQ(background->height(), 246);
    // Away from every control the frame is the background, pixel for pixel.
    EXPECT_EQ(framePixel(5, 5), pixelOf(*background, 5, 5));
    EXPECT_EQ(framePixel(300, 100), pixelOf(*background, 300, 100));

    // The Decay knob at step 50 shows column 18; its cell is drawn from control (2, 2).
    auto* knob = dynamic_cast<FilmStripKnob*>(editor.control(1));
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->cellColumn(), 18);
    const Image& strip = *knob->image(0);
    const PixelRect cell = strip.cellRect(18, 0);
    // A transparent corner of the cell shows the background exactly ...
    ASSERT_EQ(pixelOf(strip, cell.left + 1, cell.top + 1)[3], 0);
    EXPECT_EQ(framePixel(26 + 2 + 1, 145 + 2 + 1), pixelOf(*background, 29, 148));
    // ... and an opaque pixel of the body replaces it with the strip's colour.
    const auto body = pixelOf(strip, cell.left + 25, cell.top + 26);
    ASSERT_EQ(body[3], 255);
    const auto shown = framePixel(26 + 2 + 25, 145 + 2 + 26);
    EXPECT_EQ((std::array<int, 3>{shown[0], shown[1], shown[2]}),
              (std::array<int, 3>{body[0], body[1], body[2]}));

    // Every pixel that differs from the background lies in a knob's or a display's box, and
    // each display has drawn ink in its own box.
    int inkLeft[2] = {600, 600};
    int inkRight[2] = {-1, -1};
    for (int y = 0; y < 246; ++y) {
        for (int x = 0; x < 600; ++x) {
            if (framePixel(x, y) == pixelOf(*background, x, y)) {
                continue;
            }
            int owner = -1;
            for (const Placed& p : kPlaced) {
                if (p.rect.contains(x, y)) {
                    owner = p.entry;
                }
            }
            ASSERT_NE(owner, -1) << x << "," << y;
            if (owner >= 11) {
                const int i = owner - 11;
                inkLeft[i] = std::min(inkLeft[i], x);
                inkRight[i] = std::max(inkRight[i], x);
            }
        }
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_LE(inkLeft[i], inkRight[i]) << "display " << 11 + i << " drew nothing";
        // Centred in the 52-pixel box: the ink's middle within 3 pixels of the box's middle
        // (whole-pixel placement plus the glyphs' side bearings).
        const int boxMiddle2 = kPlaced[10 + i].rect.left * 2 + 52;
        EXPECT_NEAR(inkLeft[i] + inkRight[i] + 1, boxMiddle2, 6) << i;
    }
}

#endif
