// "FX/explode.fx" read token by token as the effect reader reads it.

#include "GameData.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(Effect, EveryEmitterRunsOneCycleAndItsPictureLiesBesideIt)
{
    std::istringstream in(Testing::ReadLooseFile("FX/explode.fx"));
    // Keys and the count of numbers after each (curves count themselves).
    const std::map<std::string, int> keys = {{"Velocity", 1}, {"VelocityDir", 2}, {"VelocityVariation", 1},
        {"ShiftX", 1}, {"ShiftY", 1}, {"EmitInterval", 1}, {"ParticlesPerEmit", 1}, {"CycleInterval", 1},
        {"CycleVariation", 1}, {"EmitsPerCycle", 1}, {"UseCycle", 1}, {"SingleEmit", 1}, {"ScatterAngle", 2},
        {"EmitterType", 1}, {"Point", 2}, {"Radius", 1}, {"PartLifeTime", 1}, {"PartRandomness", 1},
        {"BurstSize", 1}, {"BurstDelay", 1}, {"BindToEmitter", 1}, {"MotionVariation", 1}, {"SpinVariation", 1},
        {"SizeVariation", 1}, {"Force", 2}, {"ReColor", 1}, {"IsUseDarkShading", 1}};
    const std::set<std::string> curves = {"VelocityOverLife", "MotionOverLife", "SpinOverLife", "SizeOverLife", "PartMass"};
    std::vector<std::map<std::string, std::string>> emitters;
    std::string word;
    while (in >> word) {
        if (word == "Emitter") {
            emitters.emplace_back();
            continue;
        }
        ASSERT_FALSE(emitters.empty()) << word << " before the first emitter";
        if (word == "Texture") {
            ASSERT_TRUE(in >> emitters.back()[word]);
        } else if (keys.contains(word)) {
            std::string values;
            for (int i = 0; i < keys.at(word); ++i) {
                double v = 0;
                ASSERT_TRUE(in >> v) << word;
                values += (i ? " " : "") + std::to_string(v);
            }
            emitters.back()[word] = values;
        } else if (curves.contains(word) || word == "PartColor") {
            int count = 0;
            ASSERT_TRUE(in >> count) << word;
            ASSERT_GT(count, 0) << word;
            double previousTime = -1.0;
            for (int k = 0; k < count; ++k) {
                double v = 0;
                for (int i = 0; i < (word == "PartColor" ? 4 : 1); ++i)
                    ASSERT_TRUE(in >> v) << word;
                double time = 0;
                ASSERT_TRUE(in >> time) << word;
                EXPECT_GT(time, previousTime) << word << ": keys in rising time";
                previousTime = time;
            }
            emitters.back()[word] = std::to_string(count);
        } else {
            ADD_FAILURE() << "unknown key " << word;
        }
    }
    ASSERT_FALSE(emitters.empty());
    double particles = 0.0;
    for (const auto& emitter : emitters) {
        // The board switches the effect on at each bomb and never off: each
        // emitter must switch itself off after one cycle.
        EXPECT_EQ(emitter.at("UseCycle"), std::to_string(1.0));
        EXPECT_EQ(emitter.at("SingleEmit"), std::to_string(1.0));
        // Switched off, an emitter still counts its cycles on: with more
        // than one emission to a cycle, a bomb in the middle of one would
        // get only the rest.
        EXPECT_EQ(emitter.at("EmitsPerCycle"), std::to_string(1.0));
        particles += std::stod(emitter.at("ParticlesPerEmit")) * std::stod(emitter.at("BurstSize"));
        ASSERT_TRUE(emitter.contains("Texture"));
        EXPECT_FALSE(Testing::ReadLooseFile("FX/" + emitter.at("Texture")).empty());
    }
    EXPECT_EQ(particles, 250.0);
}

} // namespace
