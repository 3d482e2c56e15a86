#pragma once
// The options dialog, modal over the title screen: the music and the sound
// effects volumes on two sliders, live as they move, and full screen on a
// check box, applied by OK. Cancel puts both volumes back as they were when
// the dialog opened.

#include "framework/widgets/CheckboxListener.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/SliderListener.h"

#include <memory>

namespace Vorn {

class ButtonWidget;
class Checkbox;
class Slider;

class OptionsDialog : public Dialog, public SliderListener, public CheckboxListener {
public:
    static constexpr int kSliderMusic = 0;
    static constexpr int kSliderSound = 1;
    static constexpr int kButtonOk = 2;
    static constexpr int kButtonCancel = 3;
    static constexpr int kCheckboxFullScreen = 4;
    // The message shown when the desktop allows no window.
    static constexpr int kNoWindowedModeDialogId = 5;

    OptionsDialog();
    ~OptionsDialog() override;

    void OnAttached(WidgetManager* manager) override;
    void OnDetached(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    using Dialog::Resize;
    void Resize(int x, int y, int width, int height) override;
    void SliderVal(int id, double value) override;
    void ButtonDepress(int id) override;
    void CheckboxChecked(int id, bool checked) override;

    std::unique_ptr<Slider> mMusicSlider;
    std::unique_ptr<Slider> mSoundSlider;
    std::unique_ptr<ButtonWidget> mOkButton;
    std::unique_ptr<ButtonWidget> mCancelButton;
    std::unique_ptr<Checkbox> mFullScreenCheckbox;
    double mMusicVolumeAtOpening = 0.0;
    double mSoundVolumeAtOpening = 0.0;

private:
    void CreateControls();
};

} // namespace Vorn
