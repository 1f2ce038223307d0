#include <gtest/gtest.h>

#include "FontRecord.h"
#include "TestWindow.h"
#include "TypeFace.h"
#include "ValueDisplay.h"

#if defined(ORVANE_HAVE_RESOURCES)
#include "EmbeddedResources.h"

TEST(TypeFace, MeasuresTheEmbeddedFont) {
    auto face = TypeFace::fromRecord(EmbeddedResources::displayFont());
    ASSERT_TRUE(face);
    EXPECT_EQ(face->textWidth("", 14.0f), 0);
    const int32_t zero = face->textWidth("0", 14.0f);
    ASSERT_GT(zero, 0);
    // Hinted advances are whole pixels, so widths add up exactly.
    EXPECT_EQ(face->textWidth("00", 14.0f), 2 * zero);
    EXPECT_GT(face->textWidth("-50", 14.0f), face->textWidth("50", 14.0f));
    // Figures stand on the baseline and fit in a 14-pixel line.
    const int32_t height = face->figureHeight(14.0f);
    EXPECT_GT(height, 0);
    EXPECT_LE(height, 14);
    // Twice the size, about twice the width (each advance rounds by up to half a pixel).
    EXPECT_NEAR(face->textWidth("0000", 28.0f), 2 * face->textWidth("0000", 14.0f), 4);
    EXPECT_EQ(face->textWidth("0", -3.0f), 0);
}

#endif

TEST(TypeFace, DataThatIsNoFontGivesNoFaceAndNoText) {
    static const uint8_t junk[] = {0x80, 0x01, 0x10, 0x00, 0x00, 0x00, 'n', 'o', 'p', 'e'};
    FontRecord record("broken_font", 0, sizeof(junk), junk);
    EXPECT_FALSE(TypeFace::fromRecord(record));
    FontRecord empty("empty_font", 0, 0, nullptr);
    EXPECT_FALSE(TypeFace::fromRecord(empty));

    TestWindow t(60, 20);
    TextStyle style;
    style.font = &record;
    style.size = 14.0f;
    style.placement = TextStyle::kCentred;
    auto* display = t.window->add(std::make_unique<ValueDisplay>(
        t.window.get(), ControlDescriptor(11, 4, 3, 52, 14, 1, 0), 11, style));
    display->setTexts("20", "");
    ASSERT_TRUE(t.open());
    t.host().processEvents();
    // The window's own fill (black) everywhere: the display drew nothing.
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            ASSERT_EQ(t.host().frame()->pixelAddress(x, y)[2], 0);
        }
    }
}
