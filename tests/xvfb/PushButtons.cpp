// push_buttons: the framework's application, main loop and widget manager
// in the system's window "Zarquel buttons", 800 x 600, showing two push
// buttons over a dark blue background, each with a lamp below it. Prints one
// line per report of the buttons ("enter 1", "press 1", "depress 1",
// "leave 1", ...) and per developer key ("debug key 112"), "Frame drawn"
// once the first frame is shown; ends 0 when its window is closed.
//
// Hovering a button turns its face yellow; a click on it (released over it)
// turns its lamp from red to green and back.
//   button 1 (100, 100, 200, 60), lamp 1 (100, 300, 200, 60)
//   button 2 (400, 100, 200, 60), lamp 2 (400, 300, 200, 60)

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/WidgetManager.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

const Vorn::Color kFace(212, 212, 212);
const Vorn::Color kHovered(255, 255, 0);
const Vorn::Color kLampOff(255, 0, 0);
const Vorn::Color kLampOn(0, 255, 0);

class Fill : public Vorn::Widget {
public:
    Fill(const Vorn::Rect& rect, const Vorn::Color& color) : mColor(color) { Resize(rect); }
    void Draw(Vorn::Graphics* g) override
    {
        g->SetColor(mColor);
        g->FillRect(0, 0, mWidth, mHeight);
    }
    void SetFill(const Vorn::Color& color)
    {
        mColor = color;
        MarkDirty();
    }
    const Vorn::Color& GetFill() const { return mColor; }

private:
    Vorn::Color mColor;
};

class ButtonsApp : public Vorn::VornAppBase {
public:
    ButtonsApp()
    {
        mProductName = "Zarquel buttons";
        mTitle = mProductName;
        mWidth = 800;
        mHeight = 600;
    }
    ~ButtonsApp() override { mWidgetManager->RemoveAllWidgets(false, false); }

    void Init() override
    {
        VornAppBase::Init();
        mWidgetManager->AddWidget(&mBackground);
        for (int i = 0; i < 2; ++i) {
            mButtons[i] = std::make_unique<Vorn::ButtonWidget>(i + 1, this);
            mButtons[i]->Resize(100 + 300 * i, 100, 200, 60);
            mWidgetManager->AddWidget(mButtons[i].get());
            mWidgetManager->AddWidget(&mLamps[i]);
        }
    }

    bool DrawDirty() override
    {
        const bool drawn = VornAppBase::DrawDirty();
        if (drawn && !mShown) {
            mShown = true;
            Say("Frame drawn");
        }
        return drawn;
    }

    void ButtonPress(int id) override { Say("press " + std::to_string(id)); }
    void ButtonDepress(int id) override
    {
        Say("depress " + std::to_string(id));
        Fill& lamp = mLamps[id - 1];
        lamp.SetFill(lamp.GetFill() == kLampOn ? kLampOff : kLampOn);
    }
    void ButtonMouseEnter(int id) override
    {
        Say("enter " + std::to_string(id));
        mButtons[id - 1]->SetColor(Vorn::ButtonWidget::kColorButton, kHovered);
    }
    void ButtonMouseLeave(int id) override
    {
        Say("leave " + std::to_string(id));
        mButtons[id - 1]->SetColor(Vorn::ButtonWidget::kColorButton, kFace);
    }
    bool HandleDebugKey(int key) override
    {
        Say("debug key " + std::to_string(key));
        return true;
    }

private:
    static void Say(const std::string& line)
    {
        std::puts(line.c_str());
        std::fflush(stdout);
    }

    Fill mBackground{Vorn::Rect(0, 0, 800, 600), Vorn::Color(0, 0, 128)};
    std::unique_ptr<Vorn::ButtonWidget> mButtons[2];
    Fill mLamps[2] = {{Vorn::Rect(100, 300, 200, 60), kLampOff}, {Vorn::Rect(400, 300, 200, 60), kLampOff}};
    bool mShown = false;
};

} // namespace

int main(int argc, char** argv)
{
    const auto app = std::make_unique<ButtonsApp>();
    app->SetCommandLine(argc, argv);
    app->Init();
    app->Start();
    return 0;
}
