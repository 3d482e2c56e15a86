#include "game/LifeCurve.h"

namespace {

float Neutral(float)
{
    return 0.0f;
}

CurveColor Neutral(const CurveColor&)
{
    return {1.0f, 1.0f, 1.0f, 1.0f};
}

float Scaled(float value, float scale)
{
    return value * scale;
}

CurveColor Scaled(const CurveColor& c, float scale)
{
    return {c.red * scale, c.green * scale, c.blue * scale, c.alpha * scale};
}

float Between(float from, float to, float f)
{
    return from + f * (to - from);
}

CurveColor Between(const CurveColor& from, const CurveColor& to, float f)
{
    return {Between(from.red, to.red, f), Between(from.green, to.green, f), Between(from.blue, to.blue, f),
        Between(from.alpha, to.alpha, f)};
}

} // namespace

template <typename Value>
void LifeCurve<Value>::Clear()
{
    mKeys.clear();
    mCursor = 1;
}

template <typename Value>
Value LifeCurve<Value>::Evaluate(float t)
{
    const int count = static_cast<int>(mKeys.size());
    if (count == 0)
        return Neutral(Value{});
    // A single key has no key above any fraction: its value throughout.
    for (int i = mCursor; i < count; ++i) {
        const Key& to = mKeys[i];
        if (t < to.time) {
            mCursor = i;
            const Key& from = mKeys[i - 1];
            if (to.time == from.time)
                return Scaled(to.value, mScale);
            return Scaled(Between(from.value, to.value, (t - from.time) / (to.time - from.time)), mScale);
        }
    }
    return Scaled(mKeys[count - 1].value, mScale);
}

template class LifeCurve<float>;
template class LifeCurve<CurveColor>;
