#include "game/OptionsDialog.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Checkbox.h"
#include "framework/widgets/Slider.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameResources.h"

namespace Vorn {

namespace {

constexpr int kDialogId = 6;

// A button of a two-cel picture, normal above and hovered below.
std::unique_ptr<ButtonWidget> MakeButton(int id, ButtonListener* listener, Image* image)
{
    auto button = std::make_unique<ButtonWidget>(id, listener);
    button->mButtonImage = image;
    button->mOverImage = image;
    button->mNormalRect = image->GetCelRect(0);
    button->mOverRect = image->GetCelRect(1);
    button->mDoFinger = true;
    return button;
}

} // namespace

OptionsDialog::OptionsDialog() : Dialog(IMAGE_DIALOG_OPTIONS, kDialogId, true, "", "", "", 0)
{
    CreateControls();
}

// The controls go before the dialog part, as members declared after it.
OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::CreateControls()
{
    mMusicSlider = std::make_unique<Slider>(IMAGE_SLIDER_TRACK, IMAGE_SLIDER_THUMB, kSliderMusic, this);
    mMusicVolumeAtOpening = gApplication->GetMusicVolume();
    mMusicSlider->SetValue(mMusicVolumeAtOpening);
    mSoundSlider = std::make_unique<Slider>(IMAGE_SLIDER_TRACK, IMAGE_SLIDER_THUMB, kSliderSound, this);
    mSoundVolumeAtOpening = gApplication->GetSfxVolume();
    mSoundSlider->SetValue(mSoundVolumeAtOpening);
    mOkButton = MakeButton(kButtonOk, this, IMAGE_BTN_OK);
    mCancelButton = MakeButton(kButtonCancel, this, IMAGE_BTN_CANCEL);
    mFullScreenCheckbox = std::make_unique<Checkbox>(nullptr, nullptr, kCheckboxFullScreen, this);
}

void OptionsDialog::OnAttached(WidgetManager* manager)
{
    Dialog::OnAttached(manager);
    manager->AddWidget(mMusicSlider.get());
    manager->AddWidget(mSoundSlider.get());
    manager->AddWidget(mOkButton.get());
    manager->AddWidget(mCancelButton.get());
    // Both states are halves of one picture: unchecked left, checked right.
    const int width = IMAGE_CHECKBOX->GetWidth();
    const int height = IMAGE_CHECKBOX->GetHeight();
    mFullScreenCheckbox->mUncheckedImage = IMAGE_CHECKBOX;
    mFullScreenCheckbox->mCheckedImage = IMAGE_CHECKBOX;
    mFullScreenCheckbox->mUncheckedRect = Rect(0, 0, width / 2, height);
    mFullScreenCheckbox->mCheckedRect = Rect(width / 2, 0, width / 2, height);
    mFullScreenCheckbox->SetChecked(!gApplication->mIsWindowed, false);
    manager->AddWidget(mFullScreenCheckbox.get());
}

void OptionsDialog::OnDetached(WidgetManager* manager)
{
    Dialog::OnDetached(manager);
    manager->RemoveWidget(mMusicSlider.get());
    manager->RemoveWidget(mSoundSlider.get());
    manager->RemoveWidget(mOkButton.get());
    manager->RemoveWidget(mCancelButton.get());
    manager->RemoveWidget(mFullScreenCheckbox.get());
}

// The picture is the whole dialog: no texts and no buttons of its own.
void OptionsDialog::Draw(Graphics* g)
{
    g->DrawImage(mComponentImage, 0, 0);
}

void OptionsDialog::Resize(int x, int y, int width, int height)
{
    Dialog::Resize(x, y, width, height);
    const int sliderWidth = IMAGE_SLIDER_TRACK->GetWidth() - 2;
    const int sliderHeight = IMAGE_SLIDER_THUMB->GetHeight();
    mMusicSlider->Resize(x + 360, y + 216, sliderWidth, sliderHeight);
    mSoundSlider->Resize(x + 360, y + 285, sliderWidth, sliderHeight);
    mOkButton->Resize(x + 306, y + 395, IMAGE_BTN_OK->GetWidth(), IMAGE_BTN_OK->GetHeight() / 2);
    mCancelButton->Resize(x + 396, y + 395, IMAGE_BTN_CANCEL->GetWidth(), IMAGE_BTN_CANCEL->GetHeight() / 2);
    mFullScreenCheckbox->Resize(x + 314, y + 338, IMAGE_CHECKBOX->GetWidth() / 2, IMAGE_CHECKBOX->GetHeight());
}

void OptionsDialog::SliderVal(int id, double value)
{
    if (id == kSliderMusic) {
        gApplication->SetMusicVolume(value);
    } else if (id == kSliderSound) {
        gApplication->SetSfxVolume(value);
        // The player hears the new level once the thumb is let go or the
        // track clicked, not at every step of a drag.
        if (!mSoundSlider->mDragging)
            gApplication->PlaySoundById(SOUND_CLICK);
    }
}

void OptionsDialog::ButtonDepress(int id)
{
    Dialog::ButtonDepress(id);
    gApplication->PlaySoundById(SOUND_BTN);
    if (id == kButtonOk) {
        gApplication->ChangeScreenModeKeep3D(!mFullScreenCheckbox->mChecked);
        gApplication->CloseDialogObject(this);
    } else if (id == kButtonCancel) {
        gApplication->SetMusicVolume(mMusicVolumeAtOpening);
        gApplication->SetSfxVolume(mSoundVolumeAtOpening);
        gApplication->CloseDialogObject(this);
    }
}

void OptionsDialog::CheckboxChecked(int id, bool checked)
{
    // A desktop that allows no window keeps the game in full screen.
    if (id == kCheckboxFullScreen && !checked && gApplication->mForceFullScreen) {
        gApplication->OpenDialog(kNoWindowedModeDialogId, true, "No Windowed Mode",
            "Windowed mode is only available if your desktop is running in\n\t\t\t\teither 16 bit or 32 bit color "
            "mode, which it is not.",
            "OK", kButtonsFooter);
        mFullScreenCheckbox->SetChecked(true, true);
    }
    MarkDirty();
}

} // namespace Vorn
