#include "game/FlickeringButtonWidget.h"

#include "framework/graphics/Graphics.h"
#include "game/GameResources.h"

#include <cmath>

namespace {

constexpr double kPhasePerUpdate = 0.1;
constexpr double kPhasePerDraw = 0.01;

} // namespace

FlickeringButtonWidget::FlickeringButtonWidget(int id, Vorn::ButtonListener* listener) : ButtonWidget(id, listener) {}

void FlickeringButtonWidget::Update()
{
    ButtonWidget::Update();
    mFlickerPhase += kPhasePerUpdate;
    // Glowing, it paints the title under itself and is opaque: its redraw on
    // every update leaves the rest of the screen alone.
    mHasAlpha = !mFlickerOn;
    if (mFlickerOn)
        MarkDirty();
}

void FlickeringButtonWidget::Draw(Vorn::Graphics* g)
{
    if (mFlickerOn)
        g->DrawImage(IMAGE_LOGO, 0, 0, GetRect());
    ButtonWidget::Draw(g);
    if (!mFlickerOn)
        return;
    g->SetColorize(true);
    g->SetColor(Vorn::Color(255, 255, 255, static_cast<int>((std::sin(mFlickerPhase) + 1.0) * 255.0 * 0.5)));
    g->DrawImage(IMAGE_MENU_LOGO, 0, 0);
    g->SetColorize(false);
    mFlickerPhase += kPhasePerDraw;
}
