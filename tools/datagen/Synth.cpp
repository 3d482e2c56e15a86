#include "tools/datagen/Synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace DataGen {

double NoteFrequency(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

double FastSin(double phase)
{
    constexpr int kSize = 4096;
    static const std::vector<double> kTable = [] {
        std::vector<double> table(kSize + 1);
        for (int i = 0; i <= kSize; ++i)
            table[static_cast<size_t>(i)] = std::sin(2.0 * M_PI * i / kSize);
        return table;
    }();
    double turns = phase / (2.0 * M_PI);
    // Whole turns off without a library call; a negative phase rounds down.
    auto whole = static_cast<int64_t>(turns);
    if (turns < static_cast<double>(whole))
        --whole;
    turns -= static_cast<double>(whole);
    const double position = turns * kSize;
    const auto index = static_cast<size_t>(position);
    const double fraction = position - static_cast<double>(index);
    return kTable[index] + (kTable[index + 1] - kTable[index]) * fraction;
}

void Filter::Set(double cutoff, double resonance)
{
    mF = 2.0 * std::sin(M_PI * std::min(cutoff, kSampleRate / 6.0) / kSampleRate);
    mQ = 1.0 / resonance;
}

void Filter::Process(double input)
{
    mLow += mF * mBand;
    mHigh = input - mLow - mQ * mBand;
    mBand += mF * mHigh;
}

namespace {

class Comb {
public:
    explicit Comb(size_t length) : mBuffer(length, 0.0) {}
    double Process(double input, double feedback, double damp)
    {
        const double out = mBuffer[mIndex];
        mStore = out * (1.0 - damp) + mStore * damp;
        mBuffer[mIndex] = input + mStore * feedback;
        mIndex = (mIndex + 1) % mBuffer.size();
        return out;
    }

private:
    std::vector<double> mBuffer;
    size_t mIndex = 0;
    double mStore = 0.0;
};

class AllPass {
public:
    explicit AllPass(size_t length) : mBuffer(length, 0.0) {}
    double Process(double input)
    {
        const double buffered = mBuffer[mIndex];
        mBuffer[mIndex] = input + buffered * 0.5;
        mIndex = (mIndex + 1) % mBuffer.size();
        return buffered - input;
    }

private:
    std::vector<double> mBuffer;
    size_t mIndex = 0;
};

void ReverbChannel(const Samples& dryLeft, const Samples& dryRight, Samples& out, double wet, double size, size_t spread)
{
    static constexpr std::array<size_t, 6> kCombs = {1116, 1188, 1277, 1356, 1422, 1491};
    static constexpr std::array<size_t, 3> kAllPasses = {556, 441, 341};
    std::vector<Comb> combs;
    for (const size_t length : kCombs)
        combs.emplace_back(length + spread);
    std::vector<AllPass> allPasses;
    for (const size_t length : kAllPasses)
        allPasses.emplace_back(length + spread);
    const double feedback = 0.7 + 0.28 * size;
    for (size_t i = 0; i < out.size(); ++i) {
        const double input = (dryLeft[i] + dryRight[i]) * 0.015;
        double sum = 0.0;
        for (Comb& comb : combs)
            sum += comb.Process(input, feedback, 0.35);
        for (AllPass& pass : allPasses)
            sum = pass.Process(sum);
        out[i] += sum * wet;
    }
}

} // namespace

void AddReverb(Samples& left, Samples& right, double wet, double size)
{
    const Samples dryLeft = left;
    const Samples dryRight = right;
    ReverbChannel(dryLeft, dryRight, left, wet, size, 0);
    ReverbChannel(dryLeft, dryRight, right, wet, size, 23);
}

double Peak(const Samples& samples)
{
    double peak = 0.0;
    for (const double s : samples)
        peak = std::max(peak, std::abs(s));
    return peak;
}

void Normalise(Samples& samples, double peak)
{
    const double current = Peak(samples);
    if (current <= 0.0)
        return;
    for (double& s : samples)
        s *= peak / current;
}

namespace {

void Put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

} // namespace

std::string WavFile(const Samples& samples, int channels)
{
    const auto dataSize = static_cast<uint32_t>(samples.size() * 2);
    const auto blockAlign = static_cast<uint32_t>(channels * 2);
    std::string out = "RIFF";
    Put32(out, 36 + dataSize);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(channels));
    Put32(out, kSampleRate);
    Put32(out, kSampleRate * blockAlign);
    Put16(out, blockAlign);
    Put16(out, 16);
    out += "data";
    Put32(out, dataSize);
    for (const double s : samples) {
        const long value = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        Put16(out, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(value))));
    }
    return out;
}

} // namespace DataGen
