#pragma once
// A drawable effect object with a layer, visibility and a position.

class Rendered {
public:
    virtual void SetLayer(int layer) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual int GetLayer() const = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetX(float x) = 0;
    virtual void SetY(float y) = 0;
    virtual float GetX() const = 0;
    virtual float GetY() const = 0;

protected:
    // Owners delete the objects by their own types.
    ~Rendered() = default;
};
