#pragma once
// A widget that writes down every call the tree and the manager make on it,
// as "<name> <call> <arguments>", into a log shared by the widgets of a test;
// counts its draws; fills its rectangle with its colour when drawn (nothing
// for alpha 0); and runs a test's action at a call ("update", "draw",
// "enter", "leave", "down", "up", "drag", "focus", "lost focus", "attached",
// "detached"), so that a test can change the tree from inside a callback.

#include "framework/graphics/Graphics.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Testing {

class LoggingWidget : public Vorn::Widget {
public:
    LoggingWidget(std::vector<std::string>& log, std::string name, const Vorn::Rect& rect = Vorn::Rect(),
        const Vorn::Color& fill = Vorn::Color(0, 0, 0, 0))
        : mLog(log), mName(std::move(name)), mFill(fill)
    {
        mX = rect.mX;
        mY = rect.mY;
        mWidth = rect.mWidth;
        mHeight = rect.mHeight;
    }

    void Update() override
    {
        Widget::Update();
        Note("update");
    }
    void UpdateFraction(float fraction) override { Note("fraction", static_cast<int>(fraction * 100)); }
    void Draw(Vorn::Graphics* g) override
    {
        ++mDraws;
        if (mFill.mAlpha > 0) {
            g->SetColor(mFill);
            g->FillRect(0, 0, mWidth, mHeight);
        }
        Run("draw");
    }
    void DrawOverlay(Vorn::Graphics*, int priority) override { Note("overlay", priority); }
    void OnAttached(Vorn::WidgetManager* manager) override
    {
        Widget::OnAttached(manager);
        Note("attached");
    }
    void OnDetached(Vorn::WidgetManager* manager) override
    {
        Widget::OnDetached(manager);
        Note("detached");
    }
    void ZOrderChanged() override { Note("z"); }
    void GotFocus() override
    {
        Widget::GotFocus();
        Note("focus");
    }
    void LostFocus() override
    {
        Widget::LostFocus();
        Note("lost focus");
    }
    void KeyDown(int key) override
    {
        Note("key down", key);
        Widget::KeyDown(key);
    }
    void KeyUp(int key) override { Note("key up", key); }
    void KeyChar(char c) override { Note("char", c); }
    void MouseEnter() override { Note("enter"); }
    void MouseLeave() override { Note("leave"); }
    void MouseMove(int x, int y) override { Note("move", x, y); }
    void MouseDownButton(int x, int y, int button, int clicks) override { Note("down", x, y, button, clicks); }
    void MouseUpButton(int x, int y, int button, int clicks) override { Note("up", x, y, button, clicks); }
    void MouseDrag(int x, int y) override { Note("drag", x, y); }
    void MouseWheel(int delta) override { Note("wheel", delta); }
    bool IsPointVisible(int x, int y) override { return !mHole || x < mWidth / 2 || y < 0; }

    std::map<std::string, std::function<void()>> mOn;
    int mDraws = 0;
    // The right half lets the pointer through.
    bool mHole = false;

private:
    template <typename... Values>
    void Note(const std::string& call, Values... values)
    {
        std::string entry = mName + " " + call;
        ((entry += " " + std::to_string(values)), ...);
        mLog.push_back(entry);
        Run(call);
    }
    void Run(const std::string& call)
    {
        const auto action = mOn.find(call);
        if (action != mOn.end())
            action->second();
    }

    std::vector<std::string>& mLog;
    std::string mName;
    Vorn::Color mFill;
};

} // namespace Testing
