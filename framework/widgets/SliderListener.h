#pragma once
// What a slider reports to its owner under its id: its new value. Does
// nothing by default.

namespace Vorn {

class SliderListener {
public:
    virtual void SliderVal(int id, double value);

protected:
    // Never deleted through the interface.
    ~SliderListener() = default;
};

} // namespace Vorn
