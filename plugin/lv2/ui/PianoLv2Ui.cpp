#include "PianoLv2Ui.h"

#include "EditorEvent.h"
#include "Lv2Ports.h"
#include "ModuleEditor.h"
#include "Parameter.h"
#include "WindowHost.h"
#include "WindowView.h"

PianoLv2Ui::PianoLv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller)
    : writePort(write), host(controller) {
    module.setChannels(1, 2);
    module.setup();
    module.setHost(this);
}

PianoLv2Ui::~PianoLv2Ui() {
    module.closeEditor();
}

bool PianoLv2Ui::open(void* parent) {
    return module.openEditor(parent, 0);
}

LV2UI_Widget PianoLv2Ui::widget() {
    const ModuleEditor* editor = module.editor();
    WindowView* window = editor != nullptr ? editor->window() : nullptr;
    WindowHost* native = window != nullptr ? window->host() : nullptr;
    return native != nullptr ? reinterpret_cast<LV2UI_Widget>(native->nativeHandle()) : nullptr;
}

void PianoLv2Ui::portEvent(uint32_t port, float value) {
    Parameter* p = module.parameterAt(Lv2Ports::slotOf(port));
    // A knob's own write comes back: a step of the same real value stays where it is.
    if (p != nullptr && p->realValue() != value) {
        p->setValue(p->nearestStep(value), false);
        refresh = true;
    }
}

int PianoLv2Ui::idle() {
    // The host's changes first: a drag that starts in this turn starts from them.
    if (refresh) {
        refresh = false;
        const EditorEvent all = EditorEvent::stamped(EditorEvent::kRefreshAll);
        module.handleEditorEvent(&all);
    }
    module.idleEditor();
    return 0;
}

void PianoLv2Ui::parameterEdited(int32_t n, float) {
    if (const Parameter* p = module.parameterAt(n); p != nullptr && writePort != nullptr) {
        const float value = p->realValue();
        writePort(host, Lv2Ports::portOf(n), sizeof value, 0, &value);
    }
}
