// The LV2 UI library's one export, lv2ui_descriptor: the X11 editor around PianoLv2Ui.
#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>

#include "FrameworkStartup.h"
#include "Lv2Ports.h"
#include "ModuleEditor.h"
#include "PianoLv2Ui.h"

namespace {

PianoLv2Ui* self(LV2UI_Handle h) {
    return static_cast<PianoLv2Ui*>(h);
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    void* parent = nullptr;
    const LV2UI_Resize* resize = nullptr;
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if (std::strcmp((*f)->URI, LV2_UI__parent) == 0) {
            parent = (*f)->data;
        } else if (std::strcmp((*f)->URI, LV2_UI__resize) == 0) {
            resize = static_cast<const LV2UI_Resize*>((*f)->data);
        }
    }
    if (parent == nullptr || !FrameworkStartup::run()) {
        return nullptr;
    }
    std::unique_ptr<PianoLv2Ui> ui;
    try {
        ui = std::make_unique<PianoLv2Ui>(write, controller);
        if (!ui->open(parent)) {
            return nullptr;
        }
    } catch (...) {
        return nullptr;  // no window or out of memory: no editor
    }
    if (resize != nullptr) {
        resize->ui_resize(resize->handle, ModuleEditor::kWidth, ModuleEditor::kHeight);
    }
    *widget = ui->widget();
    return ui.release();
}

void cleanup(LV2UI_Handle h) {
    delete self(h);
}

void portEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format == 0 && size == sizeof(float) && buffer != nullptr) {
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof value);
        self(h)->portEvent(port, value);
    }
}

int idle(LV2UI_Handle h) {
    return self(h)->idle();
}

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface = {idle};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor = {Lv2Ports::kUiUri, instantiate, cleanup, portEvent,
                                      extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
