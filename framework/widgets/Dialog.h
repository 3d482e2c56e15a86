#pragma once
// The toolkit's message box: header, body lines and footer over a panel,
// with up to two buttons (ids 1000 and 1001) reported to a DialogListener
// under the dialog's own id.

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/Widget.h"

#include <cstdint>
#include <string>

namespace Vorn {

class DialogListener;
class Image;

// Button labels, set at start-up; a game may replace them.
extern std::string gDialogYesString;
extern std::string gDialogNoString;
extern std::string gDialogOkString;
extern std::string gDialogCancelString;

class Dialog : public Widget, public ButtonListener {
public:
    // The result until a button is released.
    static constexpr int kNoResult = INT32_MAX;

    // Button modes: 1 yes and no, 2 OK and cancel, 3 one button labelled with
    // the footer, anything else none. A width of 0 means not yet laid out.
    Dialog(Image* componentImage, int id, bool isModal, const std::string& header,
           const std::string& lines, const std::string& footer, int buttonMode);

    bool IsModal() const { return mIsModal; }
    // The height the dialog needs at this width; the application sizes a
    // dialog added without a size by it.
    virtual int GetPreferredHeight(int width);

    // The application's listener part by default.
    DialogListener* mDialogListener;
    Image* mComponentImage;
    std::string mDialogHeader;
    std::string mDialogFooter;
    std::string mDialogLines;
    int mButtonMode;
    int mId;
    bool mIsModal;
    int mResult = kNoResult;
};

} // namespace Vorn
