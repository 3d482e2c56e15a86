#pragma once
// A lossless 3 x 2 JPEG 2000 file made by the codec itself, one plane of
// eight-bit samples per component, as a raw codestream or a JP2 file.

#include "fakes/TempDir.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace Testing {

inline std::vector<uint8_t> EncodeJpeg2000(OPJ_CODEC_FORMAT format, const std::vector<std::vector<uint8_t>>& planes)
{
    std::vector<opj_image_cmptparm_t> parameters(planes.size(), opj_image_cmptparm_t{});
    for (opj_image_cmptparm_t& p : parameters)
        p.dx = p.dy = 1, p.w = 3, p.h = 2, p.prec = 8;
    opj_image_t* image = opj_image_create(OPJ_UINT32(planes.size()), parameters.data(), OPJ_CLRSPC_SRGB);
    image->x1 = 3;
    image->y1 = 2;
    for (size_t c = 0; c < planes.size(); ++c)
        std::copy(planes[c].begin(), planes[c].end(), image->comps[c].data);
    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.numresolution = 1;
    opj_codec_t* codec = opj_create_compress(format);
    opj_setup_encoder(codec, &settings, image);
    const TempDir dir;
    opj_stream_t* stream = opj_stream_create_default_file_stream((dir / "out").c_str(), OPJ_FALSE);
    EXPECT_TRUE(opj_start_compress(codec, image, stream) && opj_encode(codec, stream) && opj_end_compress(codec, stream));
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    std::ifstream in(dir / "out", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace Testing
