#include "framework/resources/ImageDecoders.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>

namespace ImageLib {

namespace {

constexpr uint8_t kJp2Signature[] = {0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodestreamSignature[] = {0xFF, 0x4F, 0xFF, 0x51};
constexpr size_t kStreamChunk = 64 * 1024;

bool StartsWith(std::span<const uint8_t> data, std::span<const uint8_t> signature)
{
    return data.size() >= signature.size() && std::equal(signature.begin(), signature.end(), data.begin());
}

struct MemoryStream {
    std::span<const uint8_t> data;
    size_t position = 0;
};

OPJ_SIZE_T ReadStream(void* buffer, OPJ_SIZE_T count, void* user)
{
    MemoryStream* s = static_cast<MemoryStream*>(user);
    const size_t n = std::min<size_t>(count, s->data.size() - s->position);
    if (n == 0)
        return static_cast<OPJ_SIZE_T>(-1);
    std::memcpy(buffer, s->data.data() + s->position, n);
    s->position += n;
    return n;
}

OPJ_OFF_T SkipStream(OPJ_OFF_T count, void* user)
{
    MemoryStream* s = static_cast<MemoryStream*>(user);
    if (count < 0)
        return -1;
    const size_t n = std::min<size_t>(static_cast<size_t>(count), s->data.size() - s->position);
    s->position += n;
    return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL SeekStream(OPJ_OFF_T offset, void* user)
{
    MemoryStream* s = static_cast<MemoryStream*>(user);
    if (offset < 0 || static_cast<uint64_t>(offset) > s->data.size())
        return OPJ_FALSE;
    s->position = static_cast<size_t>(offset);
    return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDeleter {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

// One component scaled to 8 bits, sampled at image pixel (x, y) whatever its
// subsampling, never outside its data.
class Channel {
public:
    explicit Channel(const opj_image_comp_t& c)
        : mComp(c), mOffset(c.sgnd ? int64_t{1} << (c.prec - 1) : 0), mMax((int64_t{1} << c.prec) - 1)
    {
    }

    static bool Usable(const opj_image_comp_t& c)
    {
        return c.data != nullptr && c.w > 0 && c.h > 0 && c.dx > 0 && c.dy > 0 && c.prec >= 1 && c.prec <= 31;
    }

    uint32_t At(uint32_t x, uint32_t y) const
    {
        const uint32_t cx = std::min(x / mComp.dx, mComp.w - 1);
        const uint32_t cy = std::min(y / mComp.dy, mComp.h - 1);
        const int64_t v = std::clamp<int64_t>(mComp.data[size_t{cy} * mComp.w + cx] + mOffset, 0, mMax);
        if (mComp.prec >= 8)
            return static_cast<uint32_t>(v >> (mComp.prec - 8));
        return static_cast<uint32_t>(v * 255 / mMax);
    }

private:
    const opj_image_comp_t& mComp;
    int64_t mOffset;
    int64_t mMax;
};

} // namespace

std::unique_ptr<Image> DecodeJPEG2000(std::span<const uint8_t> data)
{
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    if (StartsWith(data, kJp2Signature))
        format = OPJ_CODEC_JP2;
    else if (StartsWith(data, kCodestreamSignature))
        format = OPJ_CODEC_J2K;
    else
        return nullptr;

    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_decompress(format));
    if (!codec)
        return nullptr;
    opj_set_error_handler(codec.get(), Quiet, nullptr);
    opj_set_warning_handler(codec.get(), Quiet, nullptr);
    opj_set_info_handler(codec.get(), Quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters))
        return nullptr;

    MemoryStream source{data};
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(kStreamChunk, OPJ_TRUE));
    if (!stream)
        return nullptr;
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), data.size());
    opj_stream_set_read_function(stream.get(), ReadStream);
    opj_stream_set_skip_function(stream.get(), SkipStream);
    opj_stream_set_seek_function(stream.get(), SeekStream);

    opj_image_t* header = nullptr;
    const bool headerRead = opj_read_header(stream.get(), codec.get(), &header);
    std::unique_ptr<opj_image_t, ImageDeleter> decoded(header);
    if (!headerRead || !decoded || decoded->x1 <= decoded->x0 || decoded->y1 <= decoded->y0 || decoded->numcomps == 0)
        return nullptr;
    const uint32_t width = decoded->x1 - decoded->x0;
    const uint32_t height = decoded->y1 - decoded->y0;
    // Refused before the codec allocates anything of the image's size.
    if (int64_t{width} * height > kMaxPixels)
        return nullptr;
    if (!opj_decode(codec.get(), stream.get(), decoded.get()) || !opj_end_decompress(codec.get(), stream.get()))
        return nullptr;

    const uint32_t colours = decoded->numcomps >= 3 ? 3 : 1;
    for (uint32_t c = 0; c < colours; ++c) {
        if (!Channel::Usable(decoded->comps[c]))
            return nullptr;
    }
    std::unique_ptr<Image> image = Image::Create(width, height);
    if (!image)
        return nullptr;
    const Channel red(decoded->comps[0]);
    const Channel green(decoded->comps[colours == 3 ? 1 : 0]);
    const Channel blue(decoded->comps[colours == 3 ? 2 : 0]);
    uint32_t* out = image->GetBits();
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            *out++ = 0xFF000000u | red.At(x, y) << 16 | green.At(x, y) << 8 | blue.At(x, y);
    }
    return image;
}

} // namespace ImageLib
