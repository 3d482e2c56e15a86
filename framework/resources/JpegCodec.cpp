// JPEG through libjpeg. The library's error exit jumps back (longjmp) into the
// function that called it, so those functions hold only plain C data: buffers
// and objects with destructors live in the caller's frame.

#include "framework/app/DebugPrint.h"
#include "framework/resources/ImageDecoders.h"
#include "framework/resources/ImageLib.h"
#include "platform/Paths.h"

#include <cstdio>
// libjpeg's header needs FILE and size_t declared before it.
#include <jpeglib.h>

#include <bit>
#include <csetjmp>
#include <vector>

namespace ImageLib {

namespace {

static_assert(std::endian::native == std::endian::little, "B, G, R, A bytes are read as 0xAARRGGBB words");

constexpr int kWriteQuality = 80;

struct JumpingErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void OutputToDebug(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    Vorn::DebugPrint("%s\n", text);
}

[[noreturn]] void JumpOnJpegError(j_common_ptr info)
{
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JumpingErrors*>(info->err)->jump, 1);
}

jpeg_error_mgr* UseJumpingErrors(JumpingErrors* errors)
{
    jpeg_error_mgr* manager = jpeg_std_error(&errors->manager);
    manager->error_exit = JumpOnJpegError;
    manager->output_message = OutputToDebug;
    return manager;
}

uint32_t* AllocateJpegPixels(std::unique_ptr<Image>* owner, JDIMENSION width, JDIMENSION height)
{
    *owner = Image::Create(width, height);
    return *owner ? (*owner)->GetBits() : nullptr;
}

// The library hands four-component files over as C, M, Y, K bytes; files that
// carry the Adobe marker store them inverted (255 = no ink).
void CmykToRgb(uint32_t* pixels, size_t count, bool inverted)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t w = inverted ? pixels[i] : ~pixels[i];
        const uint32_t k = w >> 24;
        const uint32_t r = ((w & 0xFF) * k + 127) / 255;
        const uint32_t g = ((w >> 8 & 0xFF) * k + 127) / 255;
        const uint32_t b = ((w >> 16 & 0xFF) * k + 127) / 255;
        pixels[i] = 0xFF000000u | r << 16 | g << 8 | b;
    }
}

bool DecompressInto(const uint8_t* bytes, size_t size, std::unique_ptr<Image>* owner)
{
    JumpingErrors errors;
    jpeg_decompress_struct info{};
    info.err = UseJumpingErrors(&errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    // The memory source ends data cut short with a warning and a fake
    // end-of-image marker, and refuses empty input.
    jpeg_mem_src(&info, bytes, size);
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    // Grey and colour rows come out as B, G, R, A bytes with A = 0xFF, straight
    // into the pixel array.
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    uint32_t* pixels = AllocateJpegPixels(owner, info.image_width, info.image_height);
    if (!pixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != 4) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels + size_t{info.output_scanline} * info.output_width);
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            jpeg_destroy_decompress(&info);
            return false;
        }
    }
    if (cmyk)
        CmykToRgb(pixels, size_t{info.output_width} * info.output_height, info.saw_Adobe_marker);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool CompressTo(FILE* file, const Image* image, uint8_t* row)
{
    JumpingErrors errors;
    jpeg_compress_struct info{};
    info.err = UseJumpingErrors(&errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    const int width = image->GetWidth();
    const int height = image->GetHeight();
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kWriteQuality, TRUE);
    jpeg_stdio_dest(&info, file);
    jpeg_start_compress(&info, TRUE);
    const uint32_t* bits = image->GetBits();
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = bits + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<uint8_t>(source[x] >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(source[x] >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(source[x]);
        }
        JSAMPROW rows = row;
        jpeg_write_scanlines(&info, &rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::unique_ptr<Image> DecodeJPEG(std::span<const uint8_t> data)
{
    std::unique_ptr<Image> image;
    if (!DecompressInto(data.data(), data.size(), &image))
        return nullptr;
    return image;
}

bool WriteJPEGImage(const std::string& fileName, const Image& image)
{
    std::vector<uint8_t> row(size_t(image.GetWidth()) * 3);
    FILE* file = std::fopen(Platform::ResolveFileName(fileName).c_str(), "wb");
    if (!file)
        return false;
    const bool encoded = CompressTo(file, &image, row.data());
    // A full disk may only show when the last buffer is flushed.
    const bool closed = std::fclose(file) == 0;
    return encoded && closed;
}

} // namespace ImageLib
