#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// A small PNG file for the tests, written by libpng. Rows are packed as the PNG stores them
// (big-endian 16-bit samples, sub-byte pixels from the high bits), without filter bytes.
struct TestPngLayout {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    bool interlaced = false;
    std::vector<uint8_t> rows{};
    std::vector<uint8_t> palette{};       // R, G, B triples
    std::vector<uint8_t> paletteAlpha{};  // tRNS entries of a palette image
    std::optional<uint16_t> transparentGrey{};
};

std::vector<uint8_t> makeTestPng(const TestPngLayout& layout);

// An RGBA film strip laid out like the knob strips: a cyan grid (top row, bottom row, columns
// k * pitch), a transparent last column, and in every cell a transparent field with an opaque
// 5 x 5 square at the cell's middle whose red byte is the cell number.
TestPngLayout filmStripLayout(int cells, int cellWidth, int cellHeight);
