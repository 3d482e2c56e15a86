#include "game/FXSprite.h"

#include "game/Renderer.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <type_traits>
#include <utility>

namespace {

using KeyReader = bool (*)(std::istream&, ParticleEmitter&);

template <auto Field>
using FieldType = std::remove_reference_t<decltype(std::declval<ParticleEmitter&>().*Field)>;

// Each reader reads into a local first: a failed extraction writes 0, and the
// field must keep the value it had.
template <auto Field>
bool ReadValue(std::istream& in, ParticleEmitter& emitter)
{
    FieldType<Field> value;
    if (!(in >> value))
        return false;
    emitter.*Field = value;
    return true;
}

// A count the emitter loops over, kept where no product of counts overflows
// and an emission can end.
template <auto Field, int Least, int Most>
bool ReadCount(std::istream& in, ParticleEmitter& emitter)
{
    int value;
    if (!(in >> value))
        return false;
    emitter.*Field = std::clamp(value, Least, Most);
    return true;
}

template <auto Field>
bool ReadPair(std::istream& in, ParticleEmitter& emitter)
{
    float x;
    if (!(in >> x))
        return false;
    (emitter.*Field).mX = x;
    float y;
    if (!(in >> y))
        return false;
    (emitter.*Field).mY = y;
    return true;
}

// The keys replace the curve's own; no storage is reserved from the count,
// which a file may set to anything.
template <auto Field>
bool ReadCurve(std::istream& in, ParticleEmitter& emitter)
{
    KeyCurve& curve = emitter.*Field;
    curve.Clear();
    int count;
    if (!(in >> count))
        return false;
    for (int i = 0; i < count; ++i) {
        float value;
        float time;
        if (!(in >> value >> time))
            return false;
        curve.AddKey(time, value);
    }
    return true;
}

bool ReadColorCurve(std::istream& in, ParticleEmitter& emitter)
{
    ColorCurve& curve = emitter.PartColor;
    curve.Clear();
    int count;
    if (!(in >> count))
        return false;
    for (int i = 0; i < count; ++i) {
        CurveColor color;
        float time;
        if (!(in >> color.red >> color.green >> color.blue >> color.alpha >> time))
            return false;
        curve.AddKey(time, color);
    }
    return true;
}

bool ReadTexture(std::istream& in, ParticleEmitter& emitter)
{
    std::string name;
    if (!(in >> name))
        return false;
    emitter.mTextureName = name;
    emitter.LoadTexture();
    return true;
}

constexpr int kPool = veParticleSystem::kCapacity;

constexpr std::pair<const char*, KeyReader> kKeys[] = {
    {"Texture", ReadTexture},
    {"Velocity", ReadValue<&ParticleEmitter::Velocity>},
    {"VelocityDir", ReadPair<&ParticleEmitter::VelocityDir>},
    {"VelocityVariation", ReadValue<&ParticleEmitter::VelocityVariation>},
    {"ShiftX", ReadValue<&ParticleEmitter::ShiftX>},
    {"ShiftY", ReadValue<&ParticleEmitter::ShiftY>},
    {"EmitInterval", ReadValue<&ParticleEmitter::EmitInterval>},
    {"ParticlesPerEmit", ReadCount<&ParticleEmitter::ParticlesPerEmit, 0, kPool>},
    {"CycleInterval", ReadValue<&ParticleEmitter::CycleInterval>},
    {"CycleVariation", ReadValue<&ParticleEmitter::CycleVariation>},
    {"EmitsPerCycle", ReadCount<&ParticleEmitter::EmitsPerCycle, 1, INT_MAX>},
    {"UseCycle", ReadValue<&ParticleEmitter::UseCycle>},
    {"SingleEmit", ReadValue<&ParticleEmitter::SingleEmit>},
    {"ScatterAngle", ReadPair<&ParticleEmitter::ScatterAngle>},
    {"EmitterType", ReadValue<&ParticleEmitter::EmitterType>},
    {"Point", ReadPair<&ParticleEmitter::Point>},
    {"Radius", ReadValue<&ParticleEmitter::Radius>},
    {"PartLifeTime", ReadValue<&ParticleEmitter::PartLifeTime>},
    {"PartRandomness", ReadValue<&ParticleEmitter::PartRandomness>},
    {"BurstSize", ReadCount<&ParticleEmitter::BurstSize, 0, kPool>},
    {"BurstDelay", ReadValue<&ParticleEmitter::BurstDelay>},
    {"BindToEmitter", ReadValue<&ParticleEmitter::BindToEmitter>},
    {"MotionVariation", ReadValue<&ParticleEmitter::MotionVariation>},
    {"SpinVariation", ReadValue<&ParticleEmitter::SpinVariation>},
    {"SizeVariation", ReadValue<&ParticleEmitter::SizeVariation>},
    {"Force", ReadPair<&ParticleEmitter::Force>},
    {"ReColor", ReadValue<&ParticleEmitter::ReColor>},
    {"IsUseDarkShading", ReadValue<&ParticleEmitter::IsUseDarkShading>},
    {"VelocityOverLife", ReadCurve<&ParticleEmitter::VelocityOverLife>},
    {"MotionOverLife", ReadCurve<&ParticleEmitter::MotionOverLife>},
    {"SpinOverLife", ReadCurve<&ParticleEmitter::SpinOverLife>},
    {"SizeOverLife", ReadCurve<&ParticleEmitter::SizeOverLife>},
    {"PartMass", ReadCurve<&ParticleEmitter::PartMass>},
    {"PartColor", ReadColorCurve},
};

KeyReader FindKey(const std::string& token)
{
    for (const auto& [name, reader] : kKeys)
        if (token == name)
            return reader;
    return nullptr;
}

// Toward zero, held within int; a value that is no number gives 0.
int TruncateToInt(float value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp<double>(std::trunc(value), INT_MIN, INT_MAX));
}

} // namespace

FXSprite::FXSprite(Renderer* renderer) : mRenderer(renderer) {}

FXSprite::~FXSprite()
{
    DeleteEmitters();
}

void FXSprite::Load(const std::string& name)
{
    Platform::RegularFileStream in(Platform::ResolveFileName("FX\\" + name));
    Read(in);
    SetEmittersPosition(TruncateToInt(mX), TruncateToInt(mY));
}

void FXSprite::Read(std::istream& in)
{
    ParticleEmitter* emitter = nullptr;
    std::string token;
    while (in >> token) {
        if (token == "Emitter") {
            emitter = &AddEmitter();
            continue;
        }
        // Keys before the first emitter have nothing to set: skipped like
        // unknown words.
        const KeyReader reader = emitter != nullptr ? FindKey(token) : nullptr;
        if (reader != nullptr && !reader(in, *emitter))
            return;
    }
}

ParticleEmitter& FXSprite::AddEmitter()
{
    auto emitter = std::make_unique<ParticleEmitter>();
    mRenderer->mParticleSystem->AddEmitter(emitter.get());
    if (mLayer == 0)
        mLayer = kDefaultLayer;
    emitter->mLayer = mLayer;
    mEmitters.push_back(std::move(emitter));
    return *mEmitters.back();
}

void FXSprite::SetLayer(int layer)
{
    mLayer = layer;
    for (const auto& emitter : mEmitters)
        emitter->mLayer = layer;
}

void FXSprite::SetEmittersPosition(int x, int y)
{
    for (const auto& emitter : mEmitters) {
        emitter->mX = x;
        emitter->mY = y;
    }
}

void FXSprite::SetEmittersActive(bool on)
{
    for (const auto& emitter : mEmitters) {
        emitter->mEnabled = on;
        if (on)
            emitter->mClock = 0.0f;
    }
}

void FXSprite::DeleteEmitters()
{
    for (const auto& emitter : mEmitters)
        emitter->Unlink();
    mEmitters.clear();
}
