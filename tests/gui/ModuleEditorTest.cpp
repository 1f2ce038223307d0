#include <gtest/gtest.h>

#if defined(ORVANE_HAVE_RESOURCES)

#include <array>
#include <string>
#include <vector>

#include "Control.h"
#include "EditorEvent.h"
#include "EmbeddedResources.h"
#include "FilmStripKnob.h"
#include "FrameworkEvent.h"
#include "Image.h"
#include "ImageTable.h"
#include "ModuleEditor.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "ParameterAccess.h"
#include "WindowView.h"

namespace {

// Eleven parameter slots shaped like the instrument's (slot 0 empty): step counts, the current
// step, a real value 0.75 above it, a display text "s<step>" ("<step + 1>" for parameter 6),
// and a record of the editor's calls.
class FakeParameters : public ParameterAccess {
public:
    int32_t parameterCount() const override { return 11; }
    bool hasParameter(int32_t n) const override { return n >= 1 && n <= 10; }
    std::string parameterName(int32_t n) const override { return prefixed('P', n); }
    int32_t parameterStepCount(int32_t n) const override { return steps[index(n)]; }
    int32_t parameterValue(int32_t n) const override { return values[index(n)]; }
    float parameterRealValue(int32_t n) const override {
        return static_cast<float>(values[index(n)]) + 0.75f;
    }
    std::string parameterText(int32_t n, int32_t step) const override {
        return n == 6 ? std::to_string(step + 1) : prefixed('s', step);
    }
    std::string parameterUnit(int32_t n) const override { return n == 1 ? "%" : ""; }
    void setParameterValue(int32_t n, int32_t step) override {
        sets.push_back({n, step});  // parameter, step
        values[index(n)] = step;
    }
    void notifyHost(int32_t n) override { notified.push_back(n); }

    // A change from the host side: only the step moves.
    void hostSets(int32_t n, int32_t step) { values[index(n)] = step; }

    static std::string prefixed(char prefix, int32_t number) {
        std::string text(1, prefix);  // not "+": GCC 12 warns falsely about that copy
        return text.append(std::to_string(number));
    }

    using Sets = std::vector<std::array<int32_t, 2>>;
    Sets sets;
    std::vector<int32_t> notified;

private:
    static size_t index(int32_t n) { return n >= 0 && n <= 10 ? static_cast<size_t>(n) : 0; }
    std::array<int32_t, 11> steps{0, 100, 100, 100, 100, 100, 72, 100, 120, 100, 18};
    std::array<int32_t, 11> values{0, 50, 50, 50, 50, 100, 19, 50, 0, 0, 18};
};

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
        const EditorEvent event{type, data, 0, {0, 0, 0}};
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

// Decay: 56 x 55 at (26, 145), centre (28, 28) = window (54, 173), 213 -> 327 degrees over
// steps 0..100. Voices: 31 x 31 at (434, 47), centre (15.5, 15.5), steps 0..72.
TEST_F(EditorFixture, KnobsShowTheirCellAndFollowTheCapturedMouse) {
    ASSERT_TRUE(editor.open(parent(), 0));
    auto& knob = dynamic_cast<FilmStripKnob&>(control(1));
    // Voices, half a pixel above the centre, keeps 19; 20.5 pixels above: 19 + 53 * 20.5 *
    // 0.01041 = 30.31 -> 30, and the twin display follows without any idle.
    host().pressButton(449, 62);
    host().moveMouse(449, 42);
    EXPECT_EQ(control(11).model().text, "31");
    host().releaseButton(449, 42);
    // Decay reaching its parameter's own step (set by the host, not yet refreshed) reports
    // nothing: 39 pixels up, 50 + 50 * 0.40599 = 70.3 -> 70.
    params.hostSets(1, 70);
    host().pressButton(54, 173);
    host().moveMouse(54, 134);
    host().releaseButton(54, 134);
    EXPECT_EQ(params.notified, (std::vector<int32_t>{6}));
    // Beyond the outer radius 30, and moves without the button: nothing.
    host().pressButton(54 - 31, 173);
    host().releaseButton(54 - 31, 173);
    host().moveMouse(54, 100);
    // From 0, 96 pixels up: 99.94; captured, far outside the window the drag goes on to 100.
    knob.setValue(0, 0, false);
    host().pressButton(54, 173);
    EXPECT_TRUE(app.isTracking());
    host().moveMouse(94, 173 - 96);
    host().moveMouse(-300, -200);
    host().releaseButton(-300, -200);
    EXPECT_FALSE(app.isTracking());
    host().moveMouse(54, 200);
    // Shift: 30 pixels below from 40 move 30 / 200 of the way: 34.
    knob.setValue(40, 0, false);
    host().pressButton(54, 173, FrameworkEvent::kShift);
    host().moveMouse(54, 203, FrameworkEvent::kShift);
    host().releaseButton(54, 203, FrameworkEvent::kShift);
    // Between the radii the drag turns: 25 pixels right is angle 0, 213 / 246 of the way, 86;
    // straight below is 57 degrees past the end angle: the maximum.
    host().pressButton(54 + 25, 173);
    host().moveMouse(54, 173 + 25);
    host().releaseButton(54, 173 + 25);
    EXPECT_EQ(params.sets,
              (FakeParameters::Sets{{6, 30}, {1, 99}, {1, 100}, {1, 34}, {1, 86}, {1, 100}}));
    // Step 88: 0.12 * 246 + 327 - 360 = 356.52 degrees, column 72.29 -> 72. Step 87: 358.98
    // degrees, column 72.79 -> 73, beyond the strip: 72 stays. Step 86: 1.44 degrees, column 0.
    for (const auto& [step, column] : {std::array<int, 2>{88, 72}, {87, 72}, {86, 0}, {87, 0}}) {
        knob.setValue(step, 0, false);
        EXPECT_EQ(knob.cellColumn(), column) << step;
    }
}

TEST_F(EditorFixture, HostChangesReachTheControlsThroughRefreshEvents) {
    ASSERT_TRUE(editor.open(parent(), 0));
    send(EditorEvent::kIdle);  // paints everything
    ASSERT_TRUE(host().damagedRect().isEmpty());
    params.hostSets(2, 80);
    send(EditorEvent::kRefreshAll);
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
