// PNG through libpng. libpng reports errors by longjmp, so the functions that
// call it hold only plain C data: every buffer and every object with a
// destructor lives in the caller's frame, which a jump never skips.

#include "framework/resources/ImageDecoders.h"
#include "framework/resources/ImageLib.h"
#include "platform/Paths.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace ImageLib {

namespace {

static_assert(std::endian::native == std::endian::little, "B, G, R, A bytes are read as 0xAARRGGBB words");

struct PngInput {
    const uint8_t* bytes;
    size_t size;
    size_t position;
};

[[noreturn]] void JumpOnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t length)
{
    PngInput* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > in->size - in->position)
        png_error(png, "Read Error");
    std::memcpy(out, in->bytes + in->position, length);
    in->position += length;
}

uint32_t* AllocatePngPixels(std::unique_ptr<Image>* owner, png_uint_32 width, png_uint_32 height)
{
    *owner = Image::Create(width, height);
    return *owner ? (*owner)->GetBits() : nullptr;
}

bool DecodeInto(PngInput* input, std::unique_ptr<Image>* owner)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnPngError, IgnoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, input, ReadFromMemory);
    // Our own pixel limit is the only one; libpng's per-side default is lower.
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxPixels), static_cast<png_uint_32>(kMaxPixels));
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);

    // Every layout comes out as B, G, R, A bytes: palettes, low-bit grey and
    // transparency chunks expanded, 16-bit channels scaled to 8 (read raw they
    // would overrun the row), grey copied to red, green and blue, opaque alpha
    // added where there is none.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4)
        png_error(png, "Unexpected row size");

    uint32_t* pixels = AllocatePngPixels(owner, width, height);
    if (!pixels)
        png_error(png, "Image too large");
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, reinterpret_cast<png_bytep>(pixels + size_t{y} * width), nullptr);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool EncodeTo(FILE* file, const Image* image)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnPngError, IgnoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_color_8 significant{};
    significant.red = 8;
    significant.green = 8;
    significant.blue = 8;
    significant.alpha = 8;
    png_set_sBIT(png, info, &significant);
    png_set_bgr(png);
    const int width = image->GetWidth();
    const int height = image->GetHeight();
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const uint32_t* bits = image->GetBits();
    for (int y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(bits + size_t(y) * size_t(width)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::unique_ptr<Image> DecodePNG(std::span<const uint8_t> data)
{
    PngInput input{data.data(), data.size(), 0};
    std::unique_ptr<Image> image;
    if (!DecodeInto(&input, &image))
        return nullptr;
    return image;
}

bool WritePNGImage(const std::string& fileName, const Image& image)
{
    FILE* file = std::fopen(Platform::ResolveFileName(fileName).c_str(), "wb");
    if (!file)
        return false;
    const bool encoded = EncodeTo(file, &image);
    // A full disk may only show when the last buffer is flushed.
    const bool closed = std::fclose(file) == 0;
    return encoded && closed;
}

} // namespace ImageLib
