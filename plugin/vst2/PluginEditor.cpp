#include "PluginEditor.h"

#include "EditorEvent.h"
#include "PianoModule.h"

PluginEditor::PluginEditor(PianoPlugin* owner, PianoModule* engineModule)
    : effect(owner), module(engineModule), rect(std::make_unique<vst2::ERect>()) {}

PluginEditor::~PluginEditor() = default;

intptr_t PluginEditor::getRect(vst2::ERect** out) {
    if (module == nullptr || out == nullptr) {
        return 0;
    }
    int32_t r[4] = {0, 0, 0, 0};  // left, top, right, bottom
    module->getEditorRect(r);
    rect->top = static_cast<int16_t>(r[1]);
    rect->left = static_cast<int16_t>(r[0]);
    rect->bottom = static_cast<int16_t>(r[3]);
    rect->right = static_cast<int16_t>(r[2]);
    *out = rect.get();
    return 1;
}

intptr_t PluginEditor::open(void* parent) {
    if (module == nullptr || parent == nullptr) {
        return 0;
    }
    return module->openEditor(parent, 0) ? 1 : 0;
}

void PluginEditor::close() {
    if (module != nullptr) {
        module->closeEditor();
    }
}

void PluginEditor::idle() {
    if (module != nullptr) {
        module->idleEditor();
    }
    if (updateFlag.exchange(0) != 0) {
        update();
    }
}

void PluginEditor::update() {
    if (module != nullptr) {
        const EditorEvent refresh = EditorEvent::stamped(EditorEvent::kRefreshAll);
        module->handleEditorEvent(&refresh);
    }
}

void PluginEditor::postUpdate() noexcept {
    updateFlag.store(1);
}
