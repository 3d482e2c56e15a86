#include "framework/widgets/Dialog.h"

#include "framework/app/VornAppBase.h"

namespace Vorn {

namespace {

constexpr int kContentInset = 24;

} // namespace

std::string gDialogYesString = "YES";
std::string gDialogNoString = "NO";
std::string gDialogOkString = "OK";
std::string gDialogCancelString = "CANCEL";

Dialog::Dialog(Image* componentImage, int id, bool isModal, const std::string& header,
               const std::string& lines, const std::string& footer, int buttonMode)
    : mDialogListener(gApplication),
      mComponentImage(componentImage),
      mDialogHeader(header),
      mDialogFooter(footer),
      mDialogLines(lines),
      mButtonMode(buttonMode),
      mId(id),
      mIsModal(isModal)
{
}

// Without fonts no text takes room: the content insets above and below are
// the whole height.
int Dialog::GetPreferredHeight(int)
{
    return 2 * kContentInset;
}

} // namespace Vorn
