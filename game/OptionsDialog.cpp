#include "game/OptionsDialog.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/ButtonWidget.h"
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

OptionsDialog::OptionsDialog()
    : Dialog(IMAGE_DIALOG_OPTIONS, kDialogId, true, "", "", "", 0),
      mOkButton(MakeButton(kButtonOk, this, IMAGE_BTN_OK)),
      mCancelButton(MakeButton(kButtonCancel, this, IMAGE_BTN_CANCEL))
{
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::OnAttached(WidgetManager* manager)
{
    Dialog::OnAttached(manager);
    manager->AddWidget(mOkButton.get());
    manager->AddWidget(mCancelButton.get());
}

void OptionsDialog::OnDetached(WidgetManager* manager)
{
    Dialog::OnDetached(manager);
    manager->RemoveWidget(mOkButton.get());
    manager->RemoveWidget(mCancelButton.get());
}

void OptionsDialog::Draw(Graphics* g)
{
    g->DrawImage(mComponentImage, 0, 0);
}

void OptionsDialog::Resize(int x, int y, int width, int height)
{
    Dialog::Resize(x, y, width, height);
    mOkButton->Resize(x + 306, y + 395, IMAGE_BTN_OK->GetWidth(), IMAGE_BTN_OK->GetHeight() / 2);
    mCancelButton->Resize(x + 396, y + 395, IMAGE_BTN_CANCEL->GetWidth(), IMAGE_BTN_CANCEL->GetHeight() / 2);
}

void OptionsDialog::ButtonDepress(int id)
{
    Dialog::ButtonDepress(id);
    gApplication->PlaySoundById(SOUND_BTN);
    if (id == kButtonOk || id == kButtonCancel)
        gApplication->CloseDialogObject(this);
}

} // namespace Vorn
