#pragma once

#include <cstdint>

#include "Control.h"
#include "TextStyle.h"

class Application;

// A control that shows its value text in a text style: the glyphs are drawn over whatever lies
// beneath (the background's plate), placed by the style's placement code (4: centred in the
// box, 5: at the left edge) and vertically centred on the height of the figures.
class ValueDisplay : public Control {
public:
    ValueDisplay(View* parent, const ControlDescriptor& descriptor, int32_t entry,
                 const TextStyle& style);

    bool showsText() const override { return true; }
    const TextStyle& style() const { return textStyle; }

    // Where the current text starts and its baseline, in control coordinates; false when the
    // font cannot be read.
    bool textPlacement(int32_t& x, int32_t& baseline);

protected:
    void draw(DrawContext& context) override;

private:
    TextStyle textStyle;
};
