#include "FilmStripKnob.h"

#include <cmath>

#include "DrawContext.h"
#include "Image.h"
#include "KnobMath.h"

FilmStripKnob::FilmStripKnob(View* parent, const ControlDescriptor& descriptor, int32_t entry,
                             float centreX, float centreY, float pointerRadiusArg, float startAngle,
                             float endAngle, int32_t direction)
    : RotaryControl(parent, descriptor, entry, centreX, centreY, pointerRadiusArg, startAngle,
                    endAngle, direction) {}

void FilmStripKnob::setImagePivot(float x, float y) {
    pivotX = x;
    pivotY = y;
}

void FilmStripKnob::setImage(int32_t slot, std::shared_ptr<Image> image) {
    if (slot >= 0 && slot < kImageSlots) {
        images[slot] = std::move(image);
        chooseCell();
    }
}

const std::shared_ptr<Image>& FilmStripKnob::image(int32_t slot) const {
    static const std::shared_ptr<Image> none;
    return slot >= 0 && slot < kImageSlots ? images[slot] : none;
}

int32_t FilmStripKnob::cellColumn() const {
    return column;
}

int32_t FilmStripKnob::cellLeft() const {
    return static_cast<int32_t>(pointerX() - pivotX);
}
int32_t FilmStripKnob::cellTop() const {
    return static_cast<int32_t>(pointerY() - pivotY);
}

void FilmStripKnob::valueChanged() {
    RotaryControl::valueChanged();
    chooseCell();
}

void FilmStripKnob::chooseCell() {
    const Image* strip = images[0].get();
    if (strip == nullptr) {
        return;
    }
    const float a = KnobMath::wrapAngle(currentAngle() + angleOffset);
    const int32_t c = KnobMath::cellForAngle(a, strip->cellColumns());
    // The vertical fraction is 0: always row 0 of the strip.
    const int32_t r =
        static_cast<int32_t>(std::round(0.0f * static_cast<float>(strip->cellRows())));
    if (c >= 0 && c < strip->cellColumns()) {
        column = c;
    }
    if (r >= 0 && r < strip->cellRows()) {
        row = r;
    }
}

int32_t FilmStripKnob::hitTest(float x, float y) {
    const float dx = x - centreX();
    const float dy = y - centreY();
    const float distance = std::sqrt(dx * dx + dy * dy);
    return KnobMath::hitTestMode(distance, innerRadius(), pointerRadius, outerRadius());
}

void FilmStripKnob::draw(DrawContext& context) {
    Image* strip = images[0].get();
    if (strip == nullptr || strip->pixels() == nullptr) {
        return;
    }
    chooseCell();
    // The strip is shared by every knob that shows it: select this knob's cell, then draw.
    strip->selectCell(column, row);
    context.blendImage(*strip, strip->sourceRect(), cellLeft(), cellTop());
}
