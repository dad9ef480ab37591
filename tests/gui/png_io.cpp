#include "png_io.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace guitest {

using VSTGUI::platform::Pixels;

bool writePng(const std::string& path, const Pixels& pixels)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    std::vector<png_byte> row(static_cast<size_t>(pixels.width) * 3);
    if (ok && setjmp(png_jmpbuf(png)) == 0)
    {
        png_init_io(png, file);
        png_set_IHDR(png, info, pixels.width, pixels.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int32_t y = 0; y < pixels.height; ++y)
        {
            for (int32_t x = 0; x < pixels.width; ++x)
            {
                const uint32_t c = pixels.at(x, y);
                row[x * 3] = png_byte(c >> 16);
                row[x * 3 + 1] = png_byte(c >> 8);
                row[x * 3 + 2] = png_byte(c);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    else
        ok = false;
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
}

bool readPng(const std::string& path, Pixels& pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> buffer(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr))
        return false;
    Pixels out(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
    for (size_t i = 0; i < out.data.size(); ++i)
        out.data[i] = (uint32_t(buffer[i * 3]) << 16) | (uint32_t(buffer[i * 3 + 1]) << 8) | buffer[i * 3 + 2];
    pixels = std::move(out);
    return true;
}

} // namespace guitest
