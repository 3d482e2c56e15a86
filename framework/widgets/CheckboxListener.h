#pragma once
// What a check box reports to its owner under its id: its new state. Does
// nothing by default.

namespace Vorn {

class CheckboxListener {
public:
    virtual void CheckboxChecked(int id, bool checked);

protected:
    // Never deleted through the interface.
    ~CheckboxListener() = default;
};

} // namespace Vorn
