#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "render/TDIB.h"

// How a test PNG is made: size, colour type and depth, and each pixel's raw
// samples (grey; index; r, g, b; grey, alpha; r, g, b, alpha) at that depth.
struct TPngRecipe {
    int Width = 4;
    int Height = 3;
    int ColorType = 6;
    int BitDepth = 8;
    bool Interlaced = false;
    std::function<std::vector<uint32_t>(int x, int y)> Samples;
    std::vector<uint32_t> Palette;            // 0xRRGGBB entries for colour type 3
    std::vector<uint8_t> PaletteAlpha;        // tRNS for colour type 3
    std::vector<uint16_t> TransparentColour;  // tRNS grey or r, g, b for types 0 and 2
};
std::vector<uint8_t> MakePng(const TPngRecipe& recipe);

// A baseline JPEG of the given colours (0xRRGGBB per pixel, rows from the top).
std::vector<uint8_t> MakeJpeg(int width, int height, const std::function<uint32_t(int x, int y)>& colour,
                              int quality = 95, bool grey = false);

// A bitmap file image of a bitmap.
std::vector<uint8_t> MakeBmp(const TDIB& dib);

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// A folder of its own for one test, removed afterwards.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Colour channels of 0xAARRGGBB.
inline uint32_t Red(uint32_t c) { return (c >> 16) & 0xFF; }
inline uint32_t Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline uint32_t Blue(uint32_t c) { return c & 0xFF; }
inline uint32_t Alpha(uint32_t c) { return c >> 24; }
