// The sound effects, synthesised with envelopes: soft clicks, ten flip notes
// climbing a pentatonic scale, whooshes for a cleared pair, a noise burst for
// the bomb, a chime, an arpeggio, a warning, an error and a falling cadence.

#include "tools/datagen/Makers.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/Synth.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace DataGen {

namespace {

Samples Silence(double seconds)
{
    return Samples(static_cast<size_t>(seconds * kSampleRate), 0.0);
}

// A struck note: partials at the given ratios and weights, each dying away
// at its own rate, with a short attack against clicks.
struct Partial {
    double ratio, weight, decay;
};

void Strike(Samples& out, double start, double frequency, double amplitude, std::initializer_list<Partial> partials,
    double glide = 0.0)
{
    const size_t first = static_cast<size_t>(start * kSampleRate);
    for (const Partial& p : partials) {
        double phase = 0.0;
        for (size_t i = first; i < out.size(); ++i) {
            const double t = static_cast<double>(i - first) / kSampleRate;
            const double attack = std::min(1.0, t / 0.003);
            const double envelope = attack * std::exp(-t / p.decay);
            if (envelope < 1e-5 && t > 0.01)
                break;
            const double bend = 1.0 + glide * (1.0 - std::exp(-t / 0.02));
            phase += 2.0 * M_PI * frequency * p.ratio * bend / kSampleRate;
            out[i] += amplitude * p.weight * envelope * std::sin(phase);
        }
    }
}

// A noise tick: the body of a click.
void Tick(Samples& out, double start, double centre, double decay, double amplitude, uint64_t seed)
{
    Random random(seed);
    Filter filter;
    filter.Set(centre, 2.0);
    const size_t first = static_cast<size_t>(start * kSampleRate);
    for (size_t i = first; i < out.size(); ++i) {
        const double t = static_cast<double>(i - first) / kSampleRate;
        filter.Process(random.Signed());
        out[i] += amplitude * std::exp(-t / decay) * filter.Band();
    }
}

// Band-passed noise whose band sweeps from `from` to `to` Hz.
void Whoosh(Samples& out, double length, double from, double to, double amplitude, uint64_t seed)
{
    Random random(seed);
    Filter filter;
    const size_t count = std::min(out.size(), static_cast<size_t>(length * kSampleRate));
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double u = t / length;
        filter.Set(from * std::pow(to / from, u), 1.6);
        filter.Process(random.Signed());
        const double envelope = std::min(1.0, t / 0.05) * std::pow(1.0 - u, 1.6);
        out[i] += amplitude * envelope * filter.Band();
    }
}

std::string Sound(Samples samples, double peak)
{
    // Whatever still rings at the end fades out over 20 ms: a cut would click.
    const size_t fade = std::min(samples.size(), static_cast<size_t>(0.02 * kSampleRate));
    for (size_t i = 0; i < fade; ++i)
        samples[samples.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(fade);
    Normalise(samples, peak);
    return WavFile(samples, 1);
}

void Marimba(Samples& out, double start, double note, double amplitude, double decay, double glide = 0.0)
{
    Strike(out, start, NoteFrequency(note), amplitude,
        {{1.0, 1.0, decay}, {4.0, 0.3, decay * 0.3}, {9.9, 0.08, decay * 0.12}}, glide);
}

void Bell(Samples& out, double start, double note, double amplitude, double decay)
{
    Strike(out, start, NoteFrequency(note), amplitude,
        {{1.0, 1.0, decay}, {2.0, 0.45, decay * 0.6}, {3.0, 0.25, decay * 0.4}, {4.2, 0.14, decay * 0.25},
            {5.4, 0.08, decay * 0.18}});
}

} // namespace

void MakeSounds(Files& packed)
{
    const auto add = [&](const std::string& name, Samples samples, double peak) {
        packed.push_back({"sounds/" + name + ".wav", Sound(std::move(samples), peak)});
    };

    Samples button = Silence(0.12);
    Strike(button, 0.0, 700.0, 1.0, {{1.0, 1.0, 0.03}, {1.5, 0.5, 0.02}, {3.2, 0.2, 0.01}});
    Tick(button, 0.0, 3200.0, 0.004, 1.5, 11);
    add("btn", std::move(button), 0.55);

    Samples click = Silence(0.05);
    Strike(click, 0.0, 1900.0, 1.0, {{1.0, 1.0, 0.008}, {2.7, 0.3, 0.004}});
    Tick(click, 0.0, 5000.0, 0.002, 1.0, 12);
    add("click", std::move(click), 0.45);

    // C major pentatonic from C5 up: whichever of the ten plays, it fits.
    const double kPentatonic[] = {72, 74, 76, 79, 81, 84, 86, 88, 91, 93};
    for (int i = 0; i < 10; ++i) {
        Samples flip = Silence(0.5);
        Marimba(flip, 0.0, kPentatonic[i], 1.0, 0.16, 0.02);
        add("flip" + std::to_string(i + 1), std::move(flip), 0.5);
    }

    const struct {
        double length, from, to, chime;
    } kDeletes[] = {{0.45, 500, 4000, 88}, {0.5, 350, 3000, 91}, {0.42, 700, 5000, 93}};
    for (int i = 0; i < 3; ++i) {
        Samples whoosh = Silence(kDeletes[i].length + 0.3);
        Whoosh(whoosh, kDeletes[i].length, kDeletes[i].from, kDeletes[i].to, 1.0, 20 + static_cast<uint64_t>(i));
        // A faint bright note gives the sweep a sparkle.
        Bell(whoosh, kDeletes[i].length * 0.45, kDeletes[i].chime, 0.05, 0.25);
        add("delete" + std::to_string(i + 1), std::move(whoosh), 0.6);
    }

    Samples explode = Silence(1.4);
    {
        Random random(30);
        Filter filter;
        double phase = 0.0;
        for (size_t i = 0; i < explode.size(); ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            filter.Set(180.0 + 2200.0 * std::exp(-t / 0.18), 0.8);
            filter.Process(random.Signed());
            const double noise = filter.Low() * std::min(1.0, t / 0.004) * std::exp(-t / 0.32);
            phase += 2.0 * M_PI * (35.0 + 55.0 * std::exp(-t / 0.08)) / kSampleRate;
            const double thump = std::sin(phase) * std::exp(-t / 0.22);
            explode[i] = noise * 1.6 + thump * 0.8;
        }
    }
    add("explode", std::move(explode), 0.8);

    Samples chime = Silence(1.8);
    Bell(chime, 0.0, 88, 0.9, 0.9);
    Bell(chime, 0.12, 95, 0.7, 0.9);
    add("score", std::move(chime), 0.6);

    Samples arpeggio = Silence(1.2);
    const double kArpeggio[] = {72, 76, 79, 84, 88, 91};
    for (int i = 0; i < 6; ++i)
        Bell(arpeggio, i * 0.06, kArpeggio[i], 0.7, 0.35);
    add("bonus", std::move(arpeggio), 0.6);

    Samples warning = Silence(0.66);
    for (int i = 0; i < 3; ++i) {
        const double frequency = i % 2 == 0 ? 880.0 : 659.26;
        const size_t first = static_cast<size_t>(i * 0.22 * kSampleRate);
        const size_t count = static_cast<size_t>(0.16 * kSampleRate);
        for (size_t k = 0; k < count; ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            const double envelope = std::min(1.0, t / 0.01) * std::min(1.0, (0.16 - t) / 0.03);
            const double w = 2.0 * M_PI * frequency * t;
            warning[first + k] += envelope * (std::sin(w) + std::sin(3 * w) / 5.0 + std::sin(5 * w) / 12.0);
        }
    }
    add("warning", std::move(warning), 0.5);

    Samples error = Silence(0.35);
    {
        double phase = 0.0;
        Filter filter;
        filter.Set(900.0, 0.7);
        for (size_t i = 0; i < error.size(); ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            phase += 2.0 * M_PI * (200.0 - 60.0 * t / 0.35) / kSampleRate;
            const double triangle = 2.0 / M_PI * std::asin(std::sin(phase));
            filter.Process(triangle);
            error[i] = filter.Low() * std::min(1.0, t / 0.005) * std::exp(-t / 0.1);
        }
    }
    add("error", std::move(error), 0.5);

    // Down the scale to a soft resolving chord.
    Samples ending = Silence(3.8);
    const double kFall[] = {79, 76, 74, 72, 71};
    for (int i = 0; i < 5; ++i)
        Marimba(ending, i * 0.26, kFall[i], 0.8, 0.45);
    for (const double note : {48.0, 55.0, 60.0, 64.0, 67.0})
        Bell(ending, 1.4 + (note - 48.0) * 0.006, note, 0.35, 1.2);
    add("game_end", std::move(ending), 0.6);
}

} // namespace DataGen
