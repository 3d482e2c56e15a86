#pragma once
// The readers' decoding step: a whole file's bytes in memory to an image. The
// file-reading step in front of them is shared (ImageLib.cpp); keeping the two
// apart lets every decoder run on bytes that never touched a disk.
//
// Each returns null for data it cannot decode and never reads outside `data`.

#include "framework/resources/ImageLib.h"

#include <cstdint>
#include <memory>
#include <span>

namespace ImageLib {

// Uncompressed true-colour only (image type 2), 32 bits with descriptor 0x28
// or 24 bits with descriptor 0x20, rows from the top. Pixels beyond a short
// pixel block are 0.
std::unique_ptr<Image> DecodeTGA(std::span<const uint8_t> data);

// The first image of the file. Pixels the data leaves undecoded are 0.
std::unique_ptr<Image> DecodeGIF(std::span<const uint8_t> data);

std::unique_ptr<Image> DecodePNG(std::span<const uint8_t> data);

// A file cut short inside its scan data still gives an image: the library ends
// it as if the end-of-image marker had come.
std::unique_ptr<Image> DecodeJPEG(std::span<const uint8_t> data);

// A codestream or a JP2 file, told apart by their signatures; alpha is not kept.
std::unique_ptr<Image> DecodeJPEG2000(std::span<const uint8_t> data);

} // namespace ImageLib
