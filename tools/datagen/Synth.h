#pragma once
// Small building blocks of sound: pitches, a resonant filter, a room reverb
// and the 16-bit WAV form the game's sound manager reads.

#include <cstdint>
#include <string>
#include <vector>

namespace DataGen {

inline constexpr int kSampleRate = 44100;

using Samples = std::vector<double>;

// Equal temperament, A4 (note 69) at 440 Hz.
double NoteFrequency(double note);

// sin(phase) from a table with linear interpolation: far quicker than the
// library's sine and within 3e-7 of it, which no ear tells apart.
double FastSin(double phase);

// A state-variable filter: low-pass, band-pass and high-pass at once.
class Filter {
public:
    // cutoff in Hz; resonance 0.5 (gentle) .. 10 (ringing).
    void Set(double cutoff, double resonance);
    void Process(double input);
    double Low() const { return mLow; }
    double Band() const { return mBand; }
    double High() const { return mHigh; }

private:
    double mF = 0.1;
    double mQ = 1.0;
    double mLow = 0.0;
    double mBand = 0.0;
    double mHigh = 0.0;
};

// A room of parallel combs and serial all-passes per channel, the two
// channels tuned apart for width. Adds the wet signal to the buffers.
void AddReverb(Samples& left, Samples& right, double wet, double size);

// Scales so that the loudest sample is `peak` (0..1).
void Normalise(Samples& samples, double peak);
double Peak(const Samples& samples);

// Mono or interleaved stereo 16-bit PCM at kSampleRate; samples beyond -1..1
// are held at full scale.
std::string WavFile(const Samples& samples, int channels);

} // namespace DataGen
