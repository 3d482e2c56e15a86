#pragma once
// A menu button of the title screen that can pulse: once switched on, a glow
// picture is laid over its own picture, its opacity rising and falling with
// a phase that advances by every update and, a little, by every draw. While
// it pulses it redraws itself on every update over the piece of the title
// picture it covers, alone: the title screen lies still under it.

#include "framework/widgets/ButtonWidget.h"

class FlickeringButtonWidget : public Vorn::ButtonWidget {
public:
    FlickeringButtonWidget(int id, Vorn::ButtonListener* listener);

    void Update() override;
    void Draw(Vorn::Graphics* g) override;

    // Radians.
    double mFlickerPhase = 0.0;
    bool mFlickerOn = false;
};
