// Dialogs kept by id, message boxes, fatal errors, web pages and the
// deferred deletion of widgets.

#include "framework/app/VornAppBase.h"

#include "framework/app/StringUtils.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <cstdio>

namespace Vorn {

namespace {

constexpr int kIdOk = 1;
constexpr int kFirstDialogButton = 1000;
constexpr int kSecondDialogButton = 1001;

// Dialog ids are the application's own numbers; the offset wraps like the
// 32-bit arithmetic it always was instead of overflowing.
int OffsetId(int id, int offset)
{
    return static_cast<int>(static_cast<uint32_t>(id) + static_cast<uint32_t>(offset));
}

void WriteToStandardError(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
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
    AddDialog(dialog->mId, dialog);
}

void VornAppBase::AddDialog(int32_t id, Dialog* dialog)
{
    // Closing the dialog that is being added would queue it for deletion
    // while it stays open.
    if (GetDialog(id) == dialog)
        return;
    CloseDialog(id);
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
    return CloseDialog(dialog->mId);
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
    if (dialog->mResult == -1)
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
        ButtonPress(OffsetId(dialogId, 2000));
    else if (buttonId == kSecondDialogButton)
        ButtonPress(OffsetId(dialogId, 3000));
}

void VornAppBase::DialogButtonDepress(int dialogId, int buttonId)
{
    if (buttonId == kFirstDialogButton)
        ButtonDepress(OffsetId(dialogId, 2000));
    else if (buttonId == kSecondDialogButton)
        ButtonDepress(OffsetId(dialogId, 3000));
}

void VornAppBase::EnterMessageBoxMode() {}
void VornAppBase::LeaveMessageBoxMode() {}

// Without a window system to show a box on, the text goes to standard error
// and the answer is the default one.
int VornAppBase::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t)
{
    WriteToStandardError(caption + ": " + text + "\n");
    return kIdOk;
}

int VornAppBase::ShowMessageBoxW(const std::u16string& text, const std::u16string& caption, uint32_t flags)
{
    return ShowMessageBox(WStringToString(text), WStringToString(caption), flags);
}

void VornAppBase::ShowFatalError(const std::string& text)
{
    WriteToStandardError("FATAL ERROR: " + text + "\n");
}

void VornAppBase::ShowFatalErrorW(const std::u16string& text)
{
    ShowFatalError(WStringToString(text));
}

void VornAppBase::AppendToErrorLog(const std::string&) {}

void VornAppBase::OnWebPageFailed(const std::string&)
{
    mIsOpeningURL = false;
}

void VornAppBase::OnWebPageOpened(const std::string&)
{
    mIsOpeningURL = false;
}

// Nothing here can open a browser: every request fails at once.
bool VornAppBase::OpenWebPage(const std::string& url, bool)
{
    OnWebPageFailed(url);
    return false;
}

// Program files here carry no version resource.
std::string VornAppBase::GetProductVersion(const std::string&)
{
    return std::string();
}

} // namespace Vorn
