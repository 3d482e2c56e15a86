// The in-game message dialogs, kept by id, shown over the widgets, and
// whose buttons reach the application as its own button events.

#include "framework/app/VornAppBase.h"

#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>

namespace Vorn {

namespace {

constexpr int kFirstDialogButton = 1000;
constexpr int kSecondDialogButton = 1001;
constexpr int kFirstButtonOffset = 2000;
constexpr int kSecondButtonOffset = 3000;

// Dialog ids are the application's own numbers; the offset wraps like the
// 32-bit arithmetic it always was instead of overflowing.
int OffsetId(int id, int offset)
{
    return static_cast<int>(static_cast<uint32_t>(id) + static_cast<uint32_t>(offset));
}

} // namespace

Dialog* VornAppBase::MakeDialog(int32_t id, bool isModal, const std::string& header, const std::string& lines,
                                const std::string& footer, int32_t buttonMode)
{
    return new Dialog(nullptr, id, isModal, header, lines, footer, buttonMode);
}

Dialog* VornAppBase::OpenDialog(int32_t id, bool isModal, const std::string& header, const std::string& lines,
                                const std::string& footer, int32_t buttonMode)
{
    CloseDialog(id);
    Dialog* dialog = MakeDialog(id, isModal, header, lines, footer, buttonMode);
    if (dialog)
        AddDialog(id, dialog);
    return dialog;
}

Dialog* VornAppBase::GetDialog(int32_t id)
{
    const auto it = mDialogMap.find(id);
    return it == mDialogMap.end() ? nullptr : it->second;
}

void VornAppBase::AddDialogObject(Dialog* dialog)
{
    if (dialog)
        AddDialog(dialog->mId, dialog);
}

void VornAppBase::AddDialog(int32_t id, Dialog* dialog)
{
    // A dialog already open, under this id or another, would be closed and
    // queued for deletion while it is added again.
    if (!dialog || std::find(mDialogList.begin(), mDialogList.end(), dialog) != mDialogList.end())
        return;
    CloseDialog(id);

    if (dialog->mWidth == 0) {
        const int32_t width = mWidth / 2;
        dialog->Resize((mWidth - width) / 2, mHeight / 5, width, dialog->GetPreferredHeight(width));
    }

    mDialogMap[id] = dialog;
    mDialogList.push_back(dialog);
    mWidgetManager->AddWidget(dialog);
    if (dialog->IsModal()) {
        mWidgetManager->PushModalLayer(dialog);
        ModalOpen();
    }
}

bool VornAppBase::CloseDialogObject(Dialog* dialog)
{
    return dialog && CloseDialog(dialog->mId);
}

bool VornAppBase::CloseDialog(int32_t id)
{
    return RemoveDialog(id, true, true);
}

bool VornAppBase::RemoveDialog(int32_t id, bool removeWidget, bool deleteDialog)
{
    const auto it = mDialogMap.find(id);
    if (it == mDialogMap.end())
        return false;
    Dialog* dialog = it->second;
    if (dialog->mResult == Dialog::kNoResult)
        dialog->mResult = 0;
    mDialogList.remove(dialog);
    mDialogMap.erase(it);
    if (removeWidget || deleteDialog)
        mWidgetManager->RemoveWidget(dialog);
    if (dialog->IsModal()) {
        ModalClose();
        mWidgetManager->PopModalLayer(dialog);
    }
    if (deleteDialog)
        QueueWidgetDeletion(dialog);
    return true;
}

int VornAppBase::GetDialogCount()
{
    return static_cast<int>(mDialogMap.size());
}

void VornAppBase::ModalOpen() {}
void VornAppBase::ModalClose() {}

void VornAppBase::DialogButtonPress(int dialogId, int buttonId)
{
    if (buttonId == kFirstDialogButton)
        ButtonPress(OffsetId(dialogId, kFirstButtonOffset));
    else if (buttonId == kSecondDialogButton)
        ButtonPress(OffsetId(dialogId, kSecondButtonOffset));
}

void VornAppBase::DialogButtonDepress(int dialogId, int buttonId)
{
    if (buttonId == kFirstDialogButton)
        ButtonDepress(OffsetId(dialogId, kFirstButtonOffset));
    else if (buttonId == kSecondDialogButton)
        ButtonDepress(OffsetId(dialogId, kSecondButtonOffset));
}

} // namespace Vorn
