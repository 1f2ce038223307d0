#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Application.h"
#include "ExternalRecord.h"
#include "GSysMemoryException.h"
#include "GSystemException.h"
#include "Image.h"
#include "ModuleInstance.h"

namespace {

std::string textOf(int code) {
    try {
        GSystemException::raise(code);
    } catch (const GSystemException& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(Win32SystemErrors, OutOfMemoryCodesRaiseTheMemoryException) {
    for (const int code : {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY}) {  // 8 and 14
        try {
            GSystemException::raise(code);
            ADD_FAILURE() << "nothing thrown for " << code;
        } catch (const GSysMemoryException& e) {
            EXPECT_STREQ(e.what(), "bad allocation");
        }
    }
}

TEST(Win32SystemErrors, OtherCodesCarryTheSystemsMessageText) {
    // ERROR_ACCESS_DENIED: every system's text for it says "denied".
    const std::string text = textOf(ERROR_ACCESS_DENIED);
    EXPECT_NE(text.find("denied"), std::string::npos) << text;
    EXPECT_LE(text.size(), 512u);
    // A code the system has no text for gives an empty text, never a memory exception.
    EXPECT_EQ(textOf(0x2000FFFF), "");
}

TEST(Win32DisplaySurfaces, ThirtyTwoBitSurfaceIsATopDownDibSectionStartingWhite) {
    std::unique_ptr<Image> image = Image::create(7, 3, 32, true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->format(), Image::kSurface32);
    DIBSECTION section{};
    ASSERT_EQ(
        GetObjectW(reinterpret_cast<HBITMAP>(image->surfaceHandle()), sizeof section, &section),
        static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmBits, image->pixels());
    EXPECT_EQ(section.dsBm.bmWidth, 7);
    EXPECT_EQ(section.dsBm.bmHeight, 3);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(image->rowStep(), 28);
    EXPECT_EQ(image->byteSize(), 84);
    for (int i = 0; i < image->byteSize(); ++i) {
        ASSERT_EQ(image->pixels()[i], 255) << i;
    }

    // Rows run top to bottom: the first bytes of the buffer are the window's top row. A pixel
    // written at (2, 0) reads back from GDI at the top.
    uint8_t* p = image->pixelAddress(2, 0);
    p[0] = 30;  // blue
    p[1] = 20;  // green
    p[2] = 10;  // red
    HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous =
        SelectObject(memory, reinterpret_cast<HBITMAP>(image->surfaceHandle()));
    EXPECT_EQ(GetPixel(memory, 2, 0), RGB(10, 20, 30));
    EXPECT_EQ(GetPixel(memory, 2, 2), RGB(255, 255, 255));
    SelectObject(memory, previous);
    DeleteDC(memory);

    // Plain memory images have no surface and start cleared.
    std::unique_ptr<Image> plain = Image::create(7, 3, 32, false);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->surfaceHandle(), 0);
    EXPECT_EQ(plain->pixels()[0], 0);
}

TEST(Win32DisplaySurfaces, EightBitSurfaceHasPaddedRowsAndAGreyPalette) {
    std::unique_ptr<Image> image = Image::create(5, 3, 8, true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->format(), Image::kSurface8);
    EXPECT_EQ(image->rowStep(), 8);  // 5 bytes padded to two 32-bit words
    EXPECT_EQ(image->byteSize(), 24);
    EXPECT_EQ(image->pixelAddress(0, 1) - image->pixels(), 8);

    HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous =
        SelectObject(memory, reinterpret_cast<HBITMAP>(image->surfaceHandle()));
    RGBQUAD palette[256] = {};
    ASSERT_EQ(GetDIBColorTable(memory, 0, 256, palette), 256u);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(palette[i].rgbRed, i);
        ASSERT_EQ(palette[i].rgbGreen, i);
        ASSERT_EQ(palette[i].rgbBlue, i);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
}

TEST(Win32Module, ProgramInstanceAndFile) {
    // Linked into a program, the framework's module is the program itself.
    EXPECT_EQ(ModuleInstance::handle(), GetModuleHandleW(nullptr));
    const std::string path = ModuleInstance::path();
    const std::string name = "orvane-tests-win32.exe";
    ASSERT_GE(path.size(), name.size());
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    EXPECT_NE(path.find('\\'), std::string::npos);  // the system's own form of the path
}

TEST(Win32ExternalResources, ModulesInTheResFolderBesideTheModuleThatExportGetRessource) {
    // Res beside the program holds alpha_Res.dll (answers), gamma_Res.dll (no GetRessource)
    // and broken_Res.dll (not a library).
    Application app(ApplicationDescriptor{"Test", "", "Res", "", ModuleInstance::path()});
    const std::string path = ModuleInstance::path();
    EXPECT_EQ(app.resourceDirectory(), path.substr(0, path.find_last_of('\\') + 1) + "Res/");
    ASSERT_TRUE(app.start());
    ASSERT_EQ(app.externals().count(), 1u);
    EXPECT_NE(app.externals().modulePath(0).find("alpha_Res.dll"), std::string::npos);

    ExternalRecord* record = nullptr;
    ASSERT_TRUE(app.externals().find("alpha_only", &record));
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->name(), "alpha_only");
    EXPECT_FALSE(app.externals().find("gamma_only", &record));
    app.shutDown();
    EXPECT_EQ(app.externals().count(), 0u);
}

}  // namespace
