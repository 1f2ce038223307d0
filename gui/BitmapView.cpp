#include "BitmapView.h"

#include "DrawContext.h"
#include "Image.h"

BitmapView::BitmapView(View* parent, const ControlDescriptor& descriptor,
                       std::shared_ptr<Image> image, int32_t option)
    : View(parent, descriptor), picture(std::move(image)), drawOption(option) {}

void BitmapView::draw(DrawContext& context) {
    if (!picture || picture->pixels() == nullptr) {
        return;
    }
    // Option 0: the picture is copied as it is (the background is opaque).
    if (drawOption == 0) {
        context.copyImage(*picture, picture->sourceRect(), 0, 0);
    } else {
        context.blendImage(*picture, picture->sourceRect(), 0, 0);
    }
}
