// Writes a test tone as an Ogg Vorbis or MP3 file, so that the decoders'
// tests and benchmarks have compressed files made by other encoders:
//   sound_encode ogg|mp3 <out> <channels> <rate> <frames> <hertz> [amplitude]
// The left (or only) channel carries the tone, the right one the tone at
// twice its frequency. Amplitude is a fraction of full scale (0.5 default).

#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<float> Tone(int channels, int rate, long frames, double hertz, double amplitude)
{
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    for (long i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i * channels + c)] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * hertz * (c + 1) * i / rate));
    }
    return samples;
}

bool WriteOgg(std::FILE* out, int channels, int rate, long frames, const std::vector<float>& samples)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.4f) != 0)
        return false;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    const auto writePage = [&] {
        std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out);
        std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out);
    };
    while (ogg_stream_flush(&stream, &page) != 0)
        writePage();
    constexpr long kChunk = 1024;
    const auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    writePage();
            }
        }
    };
    for (long done = 0; done < frames; done += kChunk) {
        const long count = std::min(kChunk, frames - done);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
        for (long i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c)
                buffer[c][i] = samples[static_cast<size_t>((done + i) * channels + c)];
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        drain();
    }
    // The end of the stream.
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page) != 0)
        writePage();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool WriteMp3(std::FILE* out, int channels, int rate, long frames, const std::vector<float>& samples)
{
    lame_global_flags* lame = lame_init();
    lame_set_num_channels(lame, channels);
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(lame, 5);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }
    std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (long i = 0; i < frames; ++i) {
        left[static_cast<size_t>(i)] = samples[static_cast<size_t>(i * channels)];
        right[static_cast<size_t>(i)] = samples[static_cast<size_t>(i * channels + channels - 1)];
    }
    std::vector<unsigned char> encoded(static_cast<size_t>(1.25 * frames + 7200) * 2);
    const int size = lame_encode_buffer_ieee_float(lame, left.data(), right.data(), static_cast<int>(frames),
                                                   encoded.data(), static_cast<int>(encoded.size()));
    if (size < 0) {
        lame_close(lame);
        return false;
    }
    std::fwrite(encoded.data(), 1, static_cast<size_t>(size), out);
    const int tail = lame_encode_flush(lame, encoded.data(), static_cast<int>(encoded.size()));
    std::fwrite(encoded.data(), 1, static_cast<size_t>(std::max(tail, 0)), out);
    // The decoder finds the exact length and delay in the first frame's tag.
    const size_t tagSize = lame_get_lametag_frame(lame, encoded.data(), encoded.size());
    if (tagSize > 0 && tagSize <= encoded.size()) {
        std::fseek(out, 0, SEEK_SET);
        std::fwrite(encoded.data(), 1, tagSize, out);
    }
    lame_close(lame);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s ogg|mp3 out channels rate frames hertz [amplitude]\n", argv[0]);
        return 2;
    }
    const int channels = std::atoi(argv[3]);
    const int rate = std::atoi(argv[4]);
    const long frames = std::atol(argv[5]);
    const double amplitude = argc > 7 ? std::atof(argv[7]) : 0.5;
    const std::vector<float> samples = Tone(channels, rate, frames, std::atof(argv[6]), amplitude);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out)
        return 1;
    const bool written = std::strcmp(argv[1], "ogg") == 0 ? WriteOgg(out, channels, rate, frames, samples)
                                                          : WriteMp3(out, channels, rate, frames, samples);
    return std::fclose(out) == 0 && written ? 0 : 1;
}
