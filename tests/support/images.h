#pragma once

#include <QImage>
#include <cstdint>
#include <string>

namespace wallcycle::test {

// Writes a one-colour image (0xRRGGBB) in the format the name's ending asks for (bmp, png, jpg,
// progressive.jpg, …; HEIC, AVIF, JPEG XL and GIF through the formats' own tools).
void write_solid_image(const std::string& path, std::uint32_t rgb, int width = 64, int height = 48);

// Writes an image whose left half is one colour and right half another.
void write_split_image(const std::string& path, std::uint32_t left, std::uint32_t right, int width,
                       int height);

// Writes an image whose top quarter is one colour and the rest another: shown covering a wider
// screen, the top band is cut down to a strip; stretched or fitted, it stays a quarter.
void write_banded_image(const std::string& path, std::uint32_t top, std::uint32_t rest, int width,
                        int height);

// The mean difference per channel of two pictures of the same size (transparency ignored).
double mean_difference(const QImage& a, const QImage& b);

// Whether two colours are within the given distance on every channel (JPEG shifts colours a little).
bool colours_near(std::uint32_t a, std::uint32_t b, int tolerance = 6);

} // namespace wallcycle::test
