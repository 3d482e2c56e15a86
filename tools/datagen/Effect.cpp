// The explosion of a bomb ball: "FX/explode.fx" and the picture its
// particles are drawn with, both loose below the program, where the effect
// reader opens them.

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"

namespace DataGen {

namespace {

// Two emitters: a burst of hot glowing puffs and a spray of sparks that fall,
// 250 particles in all. Each runs one cycle and switches itself off, since
// the board switches the effect on at every bomb and nothing switches it off.
// Each cycle is one emission of all its particles: a switched-off emitter
// keeps counting its cycles, so one switched on in the middle of a cycle of
// several emissions would send only the rest of them, and the explosion
// would come out small.
constexpr const char* kExplode = R"(Emitter
Texture particle.png
EmitterType 2
Radius 12
ScatterAngle 360 0
Velocity 260
VelocityVariation 45
VelocityOverLife 3 1 0 0.35 0.4 0.1 1
EmitInterval 0.03
ParticlesPerEmit 90
BurstSize 1
UseCycle 1
SingleEmit 1
EmitsPerCycle 1
CycleInterval 1
PartLifeTime 0.8
PartRandomness 35
SizeOverLife 3 30 0 70 0.35 95 1
SizeVariation 30
SpinOverLife 2 0 0 2 1
SpinVariation 100
PartMass 1 1 0
PartColor 3 1 0.95 0.75 1 0 1 0.6 0.15 0.8 0.35 0.7 0.15 0.05 0 1
IsUseDarkShading 0

Emitter
Texture particle.png
EmitterType 0
ScatterAngle 360 0
Velocity 420
VelocityVariation 50
VelocityOverLife 2 1 0 0.3 1
EmitInterval 0.03
ParticlesPerEmit 80
BurstSize 2
BurstDelay 0.04
UseCycle 1
SingleEmit 1
EmitsPerCycle 1
CycleInterval 1
PartLifeTime 1.1
PartRandomness 40
Force 0 420
SizeOverLife 2 12 0 4 1
SizeVariation 40
PartMass 1 1 0
PartColor 3 1 1 0.85 1 0 1 0.8 0.3 1 0.5 1 0.4 0.1 0 1
IsUseDarkShading 0
)";

} // namespace

void MakeEffect(Files& loose)
{
    loose.push_back({"FX/explode.fx", kExplode});
    // A soft white glow; each particle tints it with its colour.
    constexpr int kSide = 64;
    Canvas particle(kSide, kSide);
    cairo_pattern_t* glow = cairo_pattern_create_radial(kSide / 2.0, kSide / 2.0, 0, kSide / 2.0, kSide / 2.0, kSide / 2.0);
    AddStop(glow, 0.0, {1, 1, 1}, 1.0);
    AddStop(glow, 0.25, {1, 1, 1}, 0.75);
    AddStop(glow, 0.6, {1, 1, 1}, 0.22);
    AddStop(glow, 1.0, {1, 1, 1}, 0.0);
    cairo_set_source(particle.Cr(), glow);
    cairo_paint(particle.Cr());
    cairo_pattern_destroy(glow);
    loose.push_back({"FX/particle.png", particle.Png()});
}

} // namespace DataGen
