#include "framework/widgets/Checkbox.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/CheckboxListener.h"

namespace Vorn {

Checkbox::Checkbox(Image* uncheckedImage, Image* checkedImage, int id, CheckboxListener* listener)
    : mListener(listener), mId(id), mUncheckedImage(uncheckedImage), mCheckedImage(checkedImage)
{
    mDoFinger = true;
}

void Checkbox::SetChecked(bool checked, bool tellListener)
{
    mChecked = checked;
    if (tellListener && mListener)
        mListener->CheckboxChecked(mId, mChecked);
    MarkDirty();
}

bool Checkbox::IsChecked()
{
    return mChecked;
}

void Checkbox::Draw(Graphics* g)
{
    if (mCheckedRect.mWidth == 0 && mCheckedImage && mUncheckedImage) {
        g->DrawImage(mChecked ? mCheckedImage : mUncheckedImage, 0, 0);
        return;
    }
    if (mCheckedRect.mWidth != 0 && mUncheckedImage) {
        g->DrawImage(mUncheckedImage, 0, 0, mChecked ? mCheckedRect : mUncheckedRect);
        return;
    }
    g->SetColor(mOutlineColor);
    g->FillRect(0, 0, mWidth, mHeight);
    g->SetColor(mBkgColor);
    g->FillRect(1, 1, mWidth - 2, mHeight - 2);
    if (mChecked) {
        g->SetColor(mCheckColor);
        g->DrawLine(1, 1, mWidth - 2, mHeight - 2);
        g->DrawLine(mWidth - 1, 1, 1, mHeight - 2);
    }
}

void Checkbox::MouseDownButton(int, int, int, int)
{
    mChecked = !mChecked;
    if (mListener)
        mListener->CheckboxChecked(mId, mChecked);
    MarkDirty();
}

} // namespace Vorn
