#pragma once
// A menu button that can pulse: once switched on, a glow picture is laid
// over its own picture, its opacity rising and falling with a phase that
// advances by every update and, a little, by every draw.

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
