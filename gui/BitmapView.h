#pragma once

#include <cstdint>
#include <memory>

#include "View.h"

class Image;

// A view that shows an image at its top-left corner (the selected cell of a film strip, or
// the whole picture). Without an image it draws nothing.
class BitmapView : public View {
public:
    BitmapView(View* parent, const ControlDescriptor& descriptor, std::shared_ptr<Image> image,
               int32_t option);

    const std::shared_ptr<Image>& image() const { return picture; }

protected:
    void draw(DrawContext& context) override;

private:
    std::shared_ptr<Image> picture;
    int32_t drawOption;
};
