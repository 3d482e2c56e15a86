#pragma once
// The options dialog, modal over the title screen. For now it shows its
// picture with OK and Cancel, both of which close it: the volume sliders and
// the full-screen box come with those controls.

#include "framework/widgets/Dialog.h"

#include <memory>

namespace Vorn {

class ButtonWidget;

class OptionsDialog : public Dialog {
public:
    static constexpr int kButtonOk = 2;
    static constexpr int kButtonCancel = 3;

    OptionsDialog();
    ~OptionsDialog() override;

    void OnAttached(WidgetManager* manager) override;
    void OnDetached(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    using Dialog::Resize;
    void Resize(int x, int y, int width, int height) override;
    void ButtonDepress(int id) override;

    std::unique_ptr<ButtonWidget> mOkButton;
    std::unique_ptr<ButtonWidget> mCancelButton;
};

} // namespace Vorn
