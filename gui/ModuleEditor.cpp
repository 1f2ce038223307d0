#include "ModuleEditor.h"

#include <cmath>
#include <exception>
#include <new>
#include <string>

#include "Application.h"
#include "BitmapView.h"
#include "ControlDescriptor.h"
#include "EditorEvent.h"
#include "FilmStripKnob.h"
#include "FrameworkEvent.h"
#include "GSystemException.h"
#include "ParameterAccess.h"
#include "ResourceRecord.h"
#include "ValueDisplay.h"
#include "WindowView.h"

namespace {

enum class Kind { kDisplay, kLargeKnob, kSmallKnob };

// One control of the panel: its entry, kind, parameter and layout point on the background.
struct Placement {
    int32_t entry;
    Kind kind;
    int32_t parameter;
    int32_t x;
    int32_t y;
};

// In creation order.
constexpr Placement kLayout[] = {
    {11, Kind::kDisplay, 6, 374, 55},     // "Voices"
    {12, Kind::kDisplay, 7, 483, 55},     // "Tune"
    {1, Kind::kLargeKnob, 1, 25, 144},    // "Decay"
    {2, Kind::kLargeKnob, 2, 102, 144},   // "Release"
    {3, Kind::kLargeKnob, 3, 178, 144},   // "Bell Volume"
    {4, Kind::kLargeKnob, 4, 255, 144},   // "Damper Volume"
    {5, Kind::kLargeKnob, 5, 332, 144},   // "Stereo"
    {6, Kind::kLargeKnob, 8, 432, 127},   // "Tremolo Rate"
    {7, Kind::kLargeKnob, 9, 509, 127},   // "Tremolo Depth"
    {8, Kind::kSmallKnob, 10, 485, 180},  // "Tremolo Stereo"
    {9, Kind::kSmallKnob, 6, 434, 47},    // "Voices"
    {10, Kind::kSmallKnob, 7, 543, 47},   // "Tune"
};

// The two knob kinds: cell size, rotation centre, travel (degrees, clockwise from start to
// end), image pivot, drag radii. A large knob sits one pixel right of and below its layout
// point.
struct KnobSettings {
    int32_t inset;
    int32_t width;
    int32_t height;
    float centre;
    float startAngle;
    float endAngle;
    float pivotX;
    float pivotY;
    float innerRadius;
    float outerRadius;
};

constexpr KnobSettings kLargeKnob{1, 56, 55, 28.0f, 213.0f, 327.0f, 25.5f, 26.0f, 18.0f, 30.0f};
constexpr KnobSettings kSmallKnob{0, 31, 31, 15.5f, 205.0f, 330.0f, 15.5f, 15.5f, 10.0f, 30.0f};
constexpr int32_t kDisplayWidth = 52;
constexpr int32_t kDisplayHeight = 14;
constexpr float kDisplayTextSize = 14.0f;
constexpr int32_t kInitialMaximum = 100;
constexpr size_t kTextLimit = 255;
constexpr size_t kUnitLimit = 31;

// Allocates a view; a failure raises the thread's last system error (code 8 without one).
template <typename T, typename... Args>
std::unique_ptr<T> make(Args&&... args) {
    T* view = new (std::nothrow) T(std::forward<Args>(args)...);
    if (view == nullptr) {
        GSystemException::raiseLastError();
    }
    return std::unique_ptr<T>(view);
}

}  // namespace

ModuleEditor::ModuleEditor(Application& application, ParameterAccess& parameters,
                           const Resources& embedded)
    : app(application), params(parameters), resources(embedded), controlListener(*this) {}

ModuleEditor::~ModuleEditor() {
    close();
}

bool ModuleEditor::open(void* parent, int32_t) {
    try {
        return build(parent);
    } catch (const std::exception&) {
        // Nothing throws across the host boundary: a failed allocation fails the open.
        return false;
    }
}

bool ModuleEditor::build(void* parent) {
    if (windowView) {
        windowView->close();
        windowView.reset();
    }
    controls.fill(nullptr);

    windowView = make<WindowView>(
        app, ControlDescriptor(0, position[0], position[1], kWidth, kHeight, 1, 1));
    if (!windowView->attach(parent)) {
        windowView.reset();
        return false;
    }

    std::shared_ptr<Image> backgroundImage;
    if (resources.background != nullptr) {
        backgroundImage = app.images().imageFor(*resources.background, true);
    }
    View* background = windowView->add(make<BitmapView>(
        windowView.get(), ControlDescriptor(0, 0, 0, kWidth, kHeight, 1, 1), backgroundImage, 0));

    for (const Placement& p : kLayout) {
        Control* control = nullptr;
        if (p.kind == Kind::kDisplay) {
            TextStyle style;
            style.font = resources.displayFont;
            style.size = kDisplayTextSize;
            style.colour = TextStyle::kStandardColour;
            style.placement = TextStyle::kCentred;
            control = background->add(make<ValueDisplay>(
                background,
                ControlDescriptor(p.entry, p.x, p.y, kDisplayWidth, kDisplayHeight, 1, 0), p.entry,
                style));
        } else {
            const bool large = p.kind == Kind::kLargeKnob;
            const KnobSettings& k = large ? kLargeKnob : kSmallKnob;
            auto knob = make<FilmStripKnob>(
                background,
                ControlDescriptor(p.entry, p.x + k.inset, p.y + k.inset, k.width, k.height, 1, 1),
                p.entry, k.centre, k.centre, 0.0f, k.startAngle, k.endAngle, 0);
            knob->setImagePivot(k.pivotX, k.pivotY);
            knob->setRadii(k.innerRadius, k.outerRadius);
            knob->model().setMaximum(kInitialMaximum);
            const ResourceRecord* strip =
                large ? resources.largeKnobStrip : resources.smallKnobStrip;
            if (strip != nullptr) {
                knob->setImage(0, app.images().imageFor(*strip, false));
            }
            control = background->add(std::move(knob));
        }
        controls[static_cast<size_t>(p.entry)] = control;
        bind(control, &controlListener, p.parameter);
    }
    return windowView->show(true, true, true);
}

bool ModuleEditor::close() {
    if (!windowView) {
        return false;
    }
    const bool result = windowView->close();
    windowView.reset();
    // The controls went with the window: no entry may point at them any more.
    controls.fill(nullptr);
    return result;
}

bool ModuleEditor::getRect(int32_t* rect) const {
    if (rect != nullptr) {
        rect[0] = 0;
        rect[1] = 0;
        rect[2] = kWidth;
        rect[3] = kHeight;
    }
    return true;
}

bool ModuleEditor::setPosition(const int32_t* xy) {
    if (xy != nullptr) {
        position[0] = xy[0];
        position[1] = xy[1];
    }
    return true;
}

Control* ModuleEditor::control(int32_t entry) const {
    return entry > 0 && entry < kEntries ? controls[static_cast<size_t>(entry)] : nullptr;
}

void ModuleEditor::bind(Control* control, ControlListener* listener, int32_t parameter) {
    if (control == nullptr || parameter == 0) {
        return;
    }
    if (listener != nullptr) {
        control->addListener(listener);
    }
    if (!params.hasParameter(parameter)) {
        return;
    }
    ValueModel model;
    model.name = params.parameterName(parameter);
    model.parameterNumber = parameter;
    model.minimum = 0;
    model.maximum = params.parameterStepCount(parameter);
    model.value = params.parameterValue(parameter);
    if (control->showsText()) {
        model.text = params.parameterText(parameter, model.value).substr(0, kTextLimit);
        model.unit = params.parameterUnit(parameter).substr(0, kUnitLimit);
    }
    control->setModel(model);
}

bool ModuleEditor::handleEvent(const EditorEvent* event) {
    if (event == nullptr || !windowView) {
        return false;
    }
    FrameworkEvent framework{event->type, event->data, event->time, 0, 0, 0};
    windowView->handleEvent(framework);
    // The window may have gone while it handled the event.
    if (!windowView) {
        return true;
    }
    switch (event->type) {
        case EditorEvent::kParameterChanged:
            refresh(event->data, false);
            break;
        case EditorEvent::kParameterChangedQuietly:
            refresh(event->data, true);
            break;
        case EditorEvent::kRefreshAll:
            for (int32_t n = 1; n < params.parameterCount(); ++n) {
                refresh(n, false);
            }
            break;
        case EditorEvent::kRedraw:
            windowView->invalidateAll();
            break;
        default:
            break;
    }
    return true;
}

void ModuleEditor::refresh(int32_t parameter, bool quietly) {
    if (!params.hasParameter(parameter)) {
        return;
    }
    for (int32_t entry = 1; entry < kEntries; ++entry) {
        Control* c = controls[static_cast<size_t>(entry)];
        if (c == nullptr || c->model().parameterNumber != parameter) {
            continue;
        }
        const int32_t step = params.parameterValue(parameter);
        c->setValue(step, 0, false);
        const float real = params.parameterRealValue(parameter);
        const bool representable = std::isfinite(real) && std::fabs(real) < 2.0e9f;
        c->setFloatValue(representable ? static_cast<float>(static_cast<int32_t>(real)) : 0.0f, 0);
        c->setTexts(params.parameterText(parameter, step).substr(0, kTextLimit),
                    params.parameterUnit(parameter).substr(0, kUnitLimit));
        if (!c->isTracking() && !quietly) {
            c->invalidate();
        }
    }
}

void ModuleEditor::onValueChanged(int32_t entry, Control& control, int32_t value) {
    if (entry <= 0 || entry >= kEntries || controls[static_cast<size_t>(entry)] == nullptr) {
        return;
    }
    const int32_t n = control.model().parameterNumber;
    if (n <= 0 || n >= params.parameterCount() || !params.hasParameter(n)) {
        return;
    }
    if (params.parameterValue(n) == value) {
        return;
    }
    params.setParameterValue(n, value);
    params.notifyHost(n);
    const EditorEvent changed = EditorEvent::stamped(EditorEvent::kParameterChanged, n);
    handleEvent(&changed);
}

void ModuleEditor::Listener::valueChanged(int32_t entry, Control& control, int32_t value) {
    editor.onValueChanged(entry, control, value);
}
