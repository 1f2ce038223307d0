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
#include "WindowView.h"

namespace {

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

std::array<int, 4> pixelOf(const Image& image, int x, int y) {
    const uint8_t* p = image.pixelAddress(x, y);
    return {p[0], p[1], p[2], p[3]};
}

struct EditorFixture : ::testing::Test {
    EditorFixture() { app.setWindowHostFactory(display.factory()); }

    void* parent() { return reinterpret_cast<void*>(uintptr_t{0x5151}); }
    OffscreenWindowHost& host() { return *display.attachedHost(); }
    bool send(int32_t type, int32_t data = 0) {
        EditorEvent event;
        event.type = type;
        event.data = data;
        return editor.handleEvent(&event);
    }
    Control& control(int32_t entry) { return *editor.control(entry); }

    OffscreenDisplay display;
    Application app{ApplicationDescriptor{"Corvale2_VST", "", "Res", "", "/nowhere/x.so"}};
    FakeParameters params;
    ModuleEditor editor{app, params,
                        ModuleEditor::Resources{&EmbeddedResources::background(),
                                                &EmbeddedResources::largeKnobStrip(),
                                                &EmbeddedResources::smallKnobStrip(),
                                                &EmbeddedResources::displayFont()}};
};

}  // namespace

TEST_F(EditorFixture, OpenBuildsTheLayoutAndBindsEveryControl) {
    // No window without a usable parent; events then reach nobody.
    void* unknown = reinterpret_cast<void*>(uintptr_t{0xBAD});
    display.markInvalidParent(unknown);
    EXPECT_FALSE(editor.open(unknown, 0));
    EXPECT_FALSE(editor.open(nullptr, 0));
    EXPECT_FALSE(send(EditorEvent::kRefreshAll));
    const int32_t xy[2] = {10, 20};  // the stored position places the next window
    EXPECT_TRUE(editor.setPosition(xy));
    ASSERT_TRUE(editor.open(parent(), 0));
    EXPECT_EQ(host().placement(), (PixelRect{10, 20, 610, 266}));
    EXPECT_TRUE(host().isVisible());
    EXPECT_TRUE(editor.control(0) == nullptr && editor.control(13) == nullptr);
    for (const Placed& p : kPlaced) {
        SCOPED_TRACE(p.entry);
        Control* c = editor.control(p.entry);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->windowPixels(), p.rect);
        EXPECT_EQ(c->model().parameterNumber, p.parameter);
        EXPECT_EQ(c->model().name, FakeParameters::prefixed('P', p.parameter));
        EXPECT_EQ(c->model().maximum, params.parameterStepCount(p.parameter));
        EXPECT_EQ(c->value(), params.parameterValue(p.parameter));
        EXPECT_EQ(c->showsText(), p.entry >= 11);
    }
    // Displays take the value text at binding: Voices step 19 reads "20".
    EXPECT_EQ(control(11).model().text, "20");
    EXPECT_EQ(control(12).model().text, "s50");
    // The seven large knobs share one decoded strip of 73 cells; the small ones another.
    const Image* large = dynamic_cast<FilmStripKnob&>(control(1)).image(0).get();
    EXPECT_EQ(large, dynamic_cast<FilmStripKnob&>(control(7)).image(0).get());
    EXPECT_EQ(large->cellColumns(), 73);
    EXPECT_EQ(dynamic_cast<FilmStripKnob&>(control(8)).image(0)->cellWidth(), 31);

    // Opening again keeps one window; closing twice closes once; reopening works.
    ASSERT_TRUE(editor.open(parent(), 0));
    EXPECT_EQ(display.hosts().size(), 1u);
    EXPECT_TRUE(editor.close());
    EXPECT_FALSE(editor.close());
    EXPECT_EQ(editor.control(1), nullptr);
    ASSERT_TRUE(editor.open(parent(), 0));
    EXPECT_EQ(display.hosts().size(), 1u);
}

TEST_F(EditorFixture, TurningAKnobSetsReportsAndRefreshesItsTwin) {
    ASSERT_TRUE(editor.open(parent(), 0));
    // Voices knob: window (434, 47), centre (15.5, 15.5). Half a pixel above the centre keeps
    // 19; 20.5 pixels above: 19 + 53 * 20.5 * 0.01041 = 30.31 -> 30.
    host().pressButton(449, 62);
    EXPECT_TRUE(params.sets.empty());
    host().moveMouse(449, 42);
    EXPECT_EQ(params.sets, (FakeParameters::Sets{{6, 30}}));
    EXPECT_EQ(params.notified, (std::vector<int32_t>{6}));
    // The twin display follows at once, without any idle call.
    EXPECT_EQ(control(11).value(), 30);
    EXPECT_EQ(control(11).model().text, "31");
    host().releaseButton(449, 42);
    EXPECT_EQ(params.notified.size(), 1u);

    // A knob reaching its parameter's own step (set by the host, not yet refreshed) reports
    // nothing. Decay centre (54, 173); 39 pixels up: 50 + 50 * 0.40599 = 70.3 -> 70.
    params.hostSets(1, 70);
    host().pressButton(54, 173);
    host().moveMouse(54, 134);
    host().releaseButton(54, 134);
    EXPECT_EQ(control(1).value(), 70);
    EXPECT_EQ(params.sets.size(), 1u);
}

TEST_F(EditorFixture, HostChangesReachTheControlsThroughRefreshEvents) {
    ASSERT_TRUE(editor.open(parent(), 0));
    send(EditorEvent::kIdle);  // paints everything
    ASSERT_TRUE(host().damagedRect().isEmpty());
    params.hostSets(2, 80);
    send(EditorEvent::kIdle);
    EXPECT_EQ(control(2).value(), 50);
    send(EditorEvent::kRefreshAll);
    EXPECT_EQ(control(2).value(), 80);
    EXPECT_FLOAT_EQ(control(2).model().floatValue, 80.0f);  // the real value 80.75 truncated
    send(EditorEvent::kIdle);
    // A quiet change moves the Voices knob without redrawing it; a loud one damages the knob
    // (434, 47)..(465, 78) and its display (374, 55)..(426, 69).
    params.hostSets(6, 40);
    send(EditorEvent::kParameterChangedQuietly, 6);
    EXPECT_EQ(control(9).value(), 40);
    EXPECT_TRUE(host().damagedRect().isEmpty());
    send(EditorEvent::kParameterChanged, 6);
    EXPECT_EQ(control(11).model().text, "41");
    EXPECT_EQ(host().damagedRect(), (PixelRect{374, 47, 465, 78}));
    send(EditorEvent::kIdle);
    // While the user drags Decay, a refresh of Decay does not redraw it.
    host().pressButton(54, 173);
    send(EditorEvent::kIdle);
    send(EditorEvent::kParameterChanged, 1);
    EXPECT_TRUE(host().damagedRect().isEmpty());
    host().releaseButton(54, 173);
    send(EditorEvent::kRedraw);
    EXPECT_EQ(host().damagedRect(), (PixelRect{0, 0, 600, 246}));
}

TEST_F(EditorFixture, ComposedFrameShowsBackgroundKnobsAndText) {
    ASSERT_TRUE(editor.open(parent(), 0));
    send(EditorEvent::kIdle);
    const Image& frame = *host().frame();
    auto background = ImageTable::decode(EmbeddedResources::background().data(),
                                         EmbeddedResources::background().size(), false);
    ASSERT_TRUE(background);
    // The Decay knob at step 50 shows column 18, drawn from control (2, 2): a transparent
    // corner of the cell shows the background exactly, an opaque pixel of the body the strip.
    auto& knob = dynamic_cast<FilmStripKnob&>(control(1));
    ASSERT_EQ(knob.cellColumn(), 18);
    const PixelRect cell = knob.image(0)->cellRect(18, 0);
    ASSERT_EQ(pixelOf(*knob.image(0), cell.left + 1, cell.top + 1)[3], 0);
    EXPECT_EQ(pixelOf(frame, 26 + 2 + 1, 145 + 2 + 1), pixelOf(*background, 29, 148));
    auto body = pixelOf(*knob.image(0), cell.left + 25, cell.top + 26);
    ASSERT_EQ(body[3], 255);
    auto shown = pixelOf(frame, 26 + 2 + 25, 145 + 2 + 26);
    shown[3] = body[3] = 0;  // the frame's alpha is not shown
    EXPECT_EQ(shown, body);

    // Every pixel that differs from the background lies in a control's box, and each display
    // has drawn ink in its own box.
    int inkLeft[2] = {600, 600};
    int inkRight[2] = {-1, -1};
    for (int y = 0; y < 246; ++y) {
        for (int x = 0; x < 600; ++x) {
            if (pixelOf(frame, x, y) == pixelOf(*background, x, y)) {
                continue;
            }
            int owner = -1;
            for (const Placed& p : kPlaced) {
                owner = p.rect.contains(x, y) ? p.entry : owner;
            }
            ASSERT_NE(owner, -1) << x << "," << y;
            if (owner >= 11) {
                inkLeft[owner - 11] = std::min(inkLeft[owner - 11], x);
                inkRight[owner - 11] = std::max(inkRight[owner - 11], x);
            }
        }
    }
    for (int i = 0; i < 2; ++i) {
        // Centred in the 52-pixel box: the ink's middle within 3 pixels of the box's middle
        // (whole-pixel placement plus the glyphs' side bearings).
        ASSERT_LE(inkLeft[i], inkRight[i]) << "display " << 11 + i << " drew nothing";
        EXPECT_NEAR(inkLeft[i] + inkRight[i] + 1, kPlaced[10 + i].rect.left * 2 + 52, 6) << i;
    }
}

#endif
