#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An image being drawn: straight (not premultiplied) colour and alpha per
// pixel, rows from the top, each channel 0..1.
struct TCanvas {
    int Width = 0;
    int Height = 0;
    std::vector<float> Red, Green, Blue, Alpha;

    TCanvas(int width, int height);
    size_t At(int x, int y) const { return size_t(y) * Width + x; }
    // Paints colour c (0..1 per channel) with coverage a over the pixel.
    void Over(int x, int y, float r, float g, float b, float a);
};

// Writes 8-bit grey + alpha (grey taken from red) or 8-bit RGB + alpha.
void WritePng(const std::string& path, const TCanvas& canvas, bool grey);
// Writes a baseline three-component JPEG.
void WriteJpeg(const std::string& path, const TCanvas& canvas, int quality);
