#pragma once
// What a message dialog reports to its owner: which of its buttons was
// pressed or clicked, under the dialog's id. Both do nothing by default.

namespace Vorn {

class DialogListener {
public:
    virtual void DialogButtonPress(int dialogId, int buttonId);
    virtual void DialogButtonDepress(int dialogId, int buttonId);

protected:
    // Never deleted through the interface.
    ~DialogListener() = default;
};

} // namespace Vorn
