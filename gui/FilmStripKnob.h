#pragma once

#include <cstdint>
#include <memory>

#include "RotaryControl.h"

class Image;

// A knob whose picture is one cell of a film strip: the cell for the current angle,
// drawn with its image pivot on the pointer point. A press within the inner radius drags
// vertically, between the inner and outer radius rotates; elsewhere it is ignored.
class FilmStripKnob : public RotaryControl {
public:
    static constexpr int32_t kImageSlots = 4;  // one per visual state; the strip is in slot 0

    FilmStripKnob(View* parent, const ControlDescriptor& descriptor, int32_t entry, float centreX,
                  float centreY, float pointerRadius, float startAngle, float endAngle,
                  int32_t direction);

    void setImagePivot(float x, float y);
    void setImage(int32_t slot, std::shared_ptr<Image> image);
    const std::shared_ptr<Image>& image(int32_t slot) const;

    // The strip cell the current angle selects; a column or row not below the strip's count
    // keeps this knob's previous one.
    int32_t cellColumn() const;
    // Top-left corner of the drawn cell in control coordinates (truncated).
    int32_t cellLeft() const;
    int32_t cellTop() const;

    int32_t hitTest(float x, float y) override;

protected:
    void draw(DrawContext& context) override;
    void valueChanged() override;

private:
    void chooseCell();

    std::shared_ptr<Image> images[kImageSlots];
    float pivotX = 0.0f;
    float pivotY = 0.0f;
    int32_t column = 0;
    int32_t row = 0;
};
