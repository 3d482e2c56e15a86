// The title and game music: a calm loop of 24 bars at 80 beats a minute
// (72 seconds) with a pad, a bass, broken chords on an electric piano, a
// melody and soft percussion, in a small room. Notes still sounding at the
// end are folded onto the start, so the loop has no seam. Encoded as Ogg
// Vorbis.

#include "tools/datagen/Makers.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/Synth.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace DataGen {

namespace {

constexpr double kBeat = 0.75;
constexpr double kBar = 4 * kBeat;
constexpr int kBars = 24;
constexpr double kLength = kBars * kBar;
constexpr double kTail = 6.0;

struct Chord {
    int root;                    // bass note
    std::array<int, 4> tones;    // pad voicing, around middle C
};

// C, Am, F, G and their relatives, four bars to a phrase; the last bar leads
// back to the first.
const std::array<Chord, 6> kChords = {{
    {36, {60, 64, 67, 71}}, // C maj7
    {45, {57, 60, 64, 67}}, // A m7
    {41, {57, 60, 64, 65}}, // F maj7
    {43, {55, 59, 62, 67}}, // G
    {40, {55, 59, 62, 64}}, // E m7
    {38, {57, 60, 62, 65}}, // D m7
}};
enum { C, Am, F, G, Em, Dm };
constexpr std::array<int, kBars> kProgression = {
    C, Am, F, G, C, Em, F, G, Am, F, C, G, F, G, Em, Am, C, Am, Dm, G, F, G, C, G,
};

struct Mix {
    Samples left, right;

    explicit Mix(double seconds)
        : left(static_cast<size_t>(seconds * kSampleRate), 0.0), right(static_cast<size_t>(seconds * kSampleRate), 0.0)
    {
    }
    void Add(size_t i, double value, double pan)
    {
        if (i >= left.size())
            return;
        left[i] += value * (1.0 - pan) * 0.7;
        right[i] += value * (1.0 + pan) * 0.7;
    }
};

// An electric-piano note: a sine whose brightness (a second sine bending
// its phase) fades faster than its body.
void Piano(Mix& mix, double start, double note, double amplitude, double pan)
{
    const double step = 2.0 * M_PI * NoteFrequency(note) / kSampleRate;
    const size_t first = static_cast<size_t>(start * kSampleRate);
    const size_t count = static_cast<size_t>(2.5 * kSampleRate);
    // Exponential decays as one factor per sample.
    const double bodyFade = std::exp(-1.0 / (0.7 * kSampleRate));
    const double brightFade = std::exp(-1.0 / (0.25 * kSampleRate));
    double body = amplitude;
    double index = 1.6;
    for (size_t k = 0; k < count; ++k) {
        const double w = step * static_cast<double>(k);
        const double attack = std::min(1.0, static_cast<double>(k) / (0.004 * kSampleRate));
        mix.Add(first + k, body * attack * FastSin(w + index * FastSin(w)), pan);
        body *= bodyFade;
        index *= brightFade;
    }
}

// A pad note: soft partials swelling in and out over the bar, a little
// detuned between the sides.
void Pad(Mix& mix, double start, double length, double note, double amplitude)
{
    const double frequency = NoteFrequency(note);
    const size_t first = static_cast<size_t>(start * kSampleRate);
    const size_t count = std::min(static_cast<size_t>((length + 0.8) * kSampleRate), mix.left.size() - std::min(first, mix.left.size()));
    static constexpr std::array<std::array<double, 2>, 3> kPartials = {{{1.0, 1.0}, {2.0, 0.35}, {3.0, 0.12}}};
    for (const auto& [ratio, weight] : kPartials) {
        // Each side a turning pointer: one rotation per sample, no sine.
        const double stepLeft = 2.0 * M_PI * frequency * ratio * 0.9985 / kSampleRate;
        const double stepRight = 2.0 * M_PI * frequency * ratio * 1.0015 / kSampleRate;
        const double cosLeft = std::cos(stepLeft);
        const double sinLeft = std::sin(stepLeft);
        const double cosRight = std::cos(stepRight);
        const double sinRight = std::sin(stepRight);
        double xLeft = 1.0, yLeft = 0.0, xRight = 1.0, yRight = 0.0;
        for (size_t k = 0; k < count; ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double rise = std::min(1.0, t / 0.5);
            const double fall = t < length ? 1.0 : std::max(0.0, 1.0 - (t - length) / 0.8);
            const double level = amplitude * weight * rise * rise * fall;
            mix.left[first + k] += level * yLeft;
            mix.right[first + k] += level * yRight;
            const double nextLeft = xLeft * cosLeft - yLeft * sinLeft;
            yLeft = yLeft * cosLeft + xLeft * sinLeft;
            xLeft = nextLeft;
            const double nextRight = xRight * cosRight - yRight * sinRight;
            yRight = yRight * cosRight + xRight * sinRight;
            xRight = nextRight;
        }
    }
}

void Bass(Mix& mix, double start, double length, double note, double amplitude)
{
    const double frequency = NoteFrequency(note);
    const size_t first = static_cast<size_t>(start * kSampleRate);
    const size_t count = static_cast<size_t>((length + 0.1) * kSampleRate);
    for (size_t k = 0; k < count; ++k) {
        const double t = static_cast<double>(k) / kSampleRate;
        const double envelope = std::min(1.0, t / 0.01) * std::exp(-t / 1.2) * std::min(1.0, (length + 0.1 - t) / 0.1);
        const double w = 2.0 * M_PI * frequency * t;
        mix.Add(first + k, amplitude * envelope * (FastSin(w) + 0.25 * FastSin(2 * w) + 0.08 * FastSin(3 * w)), 0.0);
    }
}

// The melody's voice: a round tone with a slow vibrato that comes in late.
void Lead(Mix& mix, double start, double length, double note, double amplitude)
{
    const double frequency = NoteFrequency(note);
    const size_t first = static_cast<size_t>(start * kSampleRate);
    const size_t count = static_cast<size_t>((length + 0.25) * kSampleRate);
    double phase = 0.0;
    for (size_t k = 0; k < count; ++k) {
        const double t = static_cast<double>(k) / kSampleRate;
        const double envelope = std::min(1.0, t / 0.04) * (t < length ? 1.0 - 0.25 * t / length : 0.75 * (1.0 - (t - length) / 0.25));
        const double vibrato = 1.0 + 0.004 * std::min(1.0, t / 0.6) * FastSin(2.0 * M_PI * 5.0 * t);
        phase += 2.0 * M_PI * frequency * vibrato / kSampleRate;
        mix.Add(first + k, amplitude * envelope * (FastSin(phase) + 0.18 * FastSin(2 * phase) + 0.06 * FastSin(3 * phase)), 0.15);
    }
}

void Kick(Mix& mix, double start, double amplitude)
{
    const size_t first = static_cast<size_t>(start * kSampleRate);
    double phase = 0.0;
    for (size_t k = 0; k < static_cast<size_t>(0.4 * kSampleRate); ++k) {
        const double t = static_cast<double>(k) / kSampleRate;
        phase += 2.0 * M_PI * (45.0 + 60.0 * std::exp(-t / 0.04)) / kSampleRate;
        mix.Add(first + k, amplitude * std::min(1.0, t / 0.002) * std::exp(-t / 0.13) * FastSin(phase), 0.0);
    }
}

void NoiseBurst(Mix& mix, double start, double centre, double decay, double amplitude, double pan, Random& random)
{
    Filter filter;
    filter.Set(centre, 1.2);
    const size_t first = static_cast<size_t>(start * kSampleRate);
    for (size_t k = 0; k < static_cast<size_t>(decay * 8.0 * kSampleRate); ++k) {
        const double t = static_cast<double>(k) / kSampleRate;
        filter.Process(random.Signed());
        mix.Add(first + k, amplitude * std::min(1.0, t / 0.002) * std::exp(-t / decay) * filter.Band(), pan);
    }
}

constexpr std::array<int, 11> kScale = {67, 69, 72, 74, 76, 79, 81, 84, 86, 88, 91};

// The scale step nearest to `position` whose note belongs to the chord.
int NearestChordTone(int position, const Chord& chord)
{
    for (int step = 0; step < static_cast<int>(kScale.size()); ++step) {
        for (const int candidate : {position - step, position + step}) {
            if (candidate < 0 || candidate >= static_cast<int>(kScale.size()))
                continue;
            for (const int tone : chord.tones) {
                if ((kScale[static_cast<size_t>(candidate)] - tone) % 12 == 0)
                    return candidate;
            }
        }
    }
    return position;
}

// A melody from the pentatonic scale: chord tones on the strong beats,
// steps between them, a breath at the end of each phrase.
void Melody(Mix& mix)
{
    static constexpr std::array<std::array<double, 4>, 4> kRhythms = {{
        {1.0, 1.0, 2.0, 0.0},
        {1.5, 0.5, 1.0, 1.0},
        {2.0, 1.0, 1.0, 0.0},
        {1.0, 0.5, 0.5, 2.0},
    }};
    Random random(0x3E10D1);
    int position = 4;
    for (int bar = 4; bar < kBars; ++bar) {
        // The first phrase is the accompaniment alone; every fourth bar rests
        // after its first note.
        const Chord& chord = kChords[static_cast<size_t>(kProgression[static_cast<size_t>(bar)])];
        const auto& rhythm = kRhythms[static_cast<size_t>(random.Below(4))];
        double beat = 0.0;
        for (size_t n = 0; n < rhythm.size() && rhythm[n] > 0.0; ++n) {
            if (bar % 4 == 3 && n > 0)
                break;
            const bool strong = beat == 0.0 || beat == 2.0;
            if (strong)
                position = NearestChordTone(position, chord);
            else
                position += random.Below(2) == 0 ? -1 : 1;
            position = std::clamp(position, 1, static_cast<int>(kScale.size()) - 2);
            const double length = bar % 4 == 3 ? kBar * 0.75 : rhythm[n] * kBeat;
            Lead(mix, bar * kBar + beat * kBeat, length * 0.92, kScale[static_cast<size_t>(position)], 0.11);
            beat += rhythm[n];
        }
    }
}

Samples Render()
{
    Mix mix(kLength + kTail);
    Random random(0x5E1A);
    for (int bar = 0; bar < kBars; ++bar) {
        const double start = bar * kBar;
        const Chord& chord = kChords[static_cast<size_t>(kProgression[static_cast<size_t>(bar)])];
        for (const int tone : chord.tones)
            Pad(mix, start, kBar, tone, 0.028);
        Bass(mix, start, kBeat * 2.0, chord.root, 0.2);
        Bass(mix, start + kBeat * 2.0, kBeat * 1.5, chord.root + (bar % 2 == 0 ? 7 : 12), 0.15);
        // Broken chords in eighths, up and down.
        static constexpr std::array<int, 8> kPattern = {0, 1, 2, 3, 2, 1, 2, 3};
        for (int eighth = 0; eighth < 8; ++eighth) {
            const int tone = chord.tones[static_cast<size_t>(kPattern[static_cast<size_t>(eighth)])] + 12;
            const double accent = eighth % 2 == 0 ? 1.0 : 0.7;
            Piano(mix, start + eighth * kBeat / 2.0, tone, 0.05 * accent, eighth % 2 == 0 ? -0.3 : 0.3);
        }
        // Soft percussion: kick on one and three, a brush on two and four,
        // a shaker on the off-beats from the second phrase on.
        Kick(mix, start, 0.35);
        Kick(mix, start + 2.0 * kBeat, 0.28);
        NoiseBurst(mix, start + kBeat, 2200.0, 0.05, 0.09, -0.1, random);
        NoiseBurst(mix, start + 3.0 * kBeat, 2200.0, 0.05, 0.09, -0.1, random);
        if (bar >= 4) {
            for (int eighth = 1; eighth < 8; eighth += 2)
                NoiseBurst(mix, start + eighth * kBeat / 2.0, 8000.0, 0.025, 0.05, 0.35, random);
        }
    }
    Melody(mix);
    AddReverb(mix.left, mix.right, 0.28, 0.7);

    // Fold what rings past the end onto the start: the loop joins seamlessly.
    const size_t loop = static_cast<size_t>(kLength * kSampleRate);
    for (size_t i = loop; i < mix.left.size(); ++i) {
        mix.left[i - loop] += mix.left[i];
        mix.right[i - loop] += mix.right[i];
    }
    Samples stereo(loop * 2);
    for (size_t i = 0; i < loop; ++i) {
        stereo[i * 2] = mix.left[i];
        stereo[i * 2 + 1] = mix.right[i];
    }
    Normalise(stereo, 0.8);
    return stereo;
}

std::string Encode(const Samples& stereo)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, kSampleRate, 0.4f) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("cannot set up the music encoder");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "Zarquel");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    // A fixed serial number: the same bytes on every build.
    ogg_stream_init(&stream, 0x5A41524B);
    std::string out;
    ogg_page page;
    const auto writePage = [&] {
        out.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
    };
    {
        ogg_packet header;
        ogg_packet commentHeader;
        ogg_packet codeHeader;
        vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
        ogg_stream_packetin(&stream, &header);
        ogg_stream_packetin(&stream, &commentHeader);
        ogg_stream_packetin(&stream, &codeHeader);
        while (ogg_stream_flush(&stream, &page) != 0)
            writePage();
    }
    const size_t frames = stereo.size() / 2;
    constexpr size_t kChunk = 4096;
    for (size_t done = 0;; done += kChunk) {
        const size_t count = std::min(kChunk, frames - std::min(done, frames));
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i) {
                buffer[0][i] = static_cast<float>(stereo[(done + i) * 2]);
                buffer[1][i] = static_cast<float>(stereo[(done + i) * 2 + 1]);
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        }
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
        if (count == 0)
            break;
    }
    while (ogg_stream_flush(&stream, &page) != 0)
        writePage();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

} // namespace

void MakeMusic(Files& loose)
{
    loose.push_back({"Music/Music.ogg", Encode(Render())});
}

} // namespace DataGen
