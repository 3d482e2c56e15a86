#pragma once
// A piecewise-linear curve over a particle's life fraction 0..1: the keys as
// given, a scale that multiplies every result, and a cursor from which the
// next evaluation searches. The cursor never moves back, so a curve is
// evaluated at rising fractions only; every particle carries its own copies.

#include <initializer_list>
#include <vector>

// A colour as the effect files give it: four components, nominally 0..1.
struct CurveColor {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 0.0f;
};

template <typename Value>
class LifeCurve {
public:
    struct Key {
        float time = 0.0f;
        Value value{};
    };

    LifeCurve() = default;
    LifeCurve(std::initializer_list<Key> keys) : mKeys(keys) {}

    // Keys are kept in the order added; their times are expected to rise.
    void AddKey(float time, const Value& value) { mKeys.push_back({time, value}); }
    // Keeps the storage, so that refilling a particle's copy does not allocate.
    void Clear();

    // An empty curve gives the neutral value: 0, or opaque white for a
    // colour. A zero-length segment gives the value of its later key.
    Value Evaluate(float t);

    int mCursor = 1;
    float mScale = 1.0f;
    std::vector<Key> mKeys;
};

using KeyCurve = LifeCurve<float>;
using ColorCurve = LifeCurve<CurveColor>;
