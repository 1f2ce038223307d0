#include "ValueDisplay.h"

#include "Application.h"
#include "DrawContext.h"
#include "TypeFace.h"
#include "WindowView.h"

ValueDisplay::ValueDisplay(View* parent, const ControlDescriptor& descriptor, int32_t entry,
                           const TextStyle& style)
    : Control(parent, descriptor, entry), textStyle(style) {}

bool ValueDisplay::textPlacement(int32_t& x, int32_t& baseline) {
    if (textStyle.font == nullptr || window() == nullptr) {
        return false;
    }
    TypeFace* face = window()->application().typeFace(*textStyle.font);
    if (face == nullptr) {
        return false;
    }
    const auto boxWidth = static_cast<int32_t>(rect().width());
    const auto boxHeight = static_cast<int32_t>(rect().height());
    const int32_t width = face->textWidth(model().text, textStyle.size);
    x = textStyle.placement == TextStyle::kCentred ? (boxWidth - width) / 2 : 0;
    // Figures centred vertically: the baseline sits half the figure height below the middle.
    baseline = (boxHeight + face->figureHeight(textStyle.size) + 1) / 2;
    return true;
}

void ValueDisplay::draw(DrawContext& context) {
    int32_t x = 0;
    int32_t baseline = 0;
    if (model().text.empty() || !textPlacement(x, baseline)) {
        return;
    }
    TypeFace* face = window()->application().typeFace(*textStyle.font);
    face->drawText(context, model().text, textStyle.size, x, baseline, textStyle.colour);
}
