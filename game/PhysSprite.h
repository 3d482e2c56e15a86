#pragma once
// A sprite group that owns one rigid body, its collision shape and the joint
// that holds it: to the plane of the screen by default. Each update the
// children take the body's position; the body is damped and kept turning only
// about the axis normal to the screen.

#include "game/MultiSprite.h"

#include <ode/ode.h>

class PhysSprite : public MultiSprite {
public:
    // Type ids a collision tells apart.
    static constexpr int kTypePlain = 0;
    static constexpr int kTypeTrack = 1;
    static constexpr int kTypeBall = 2;

    PhysSprite(Renderer* renderer, float x, float y, float velocityX, float velocityY, float size);
    ~PhysSprite() override;

    // Position from the body, children in step, damping, flattening.
    virtual void Update();
    // The body at the sprite's position with the start velocity, its mass,
    // shape and joint; a body made before goes with its shape and joint.
    void CreateBody();
    // In the current stage's space; null for no shape.
    virtual dGeomID CreateGeom();
    virtual void SetMass();
    virtual void CreateJoint();
    virtual int GetTypeId() const { return kTypePlain; }

    void SetVelocityX(float velocity) { mVelocityX = velocity; }
    void SetVelocityY(float velocity) { mVelocityY = velocity; }
    float GetVelocityX() const { return mVelocityX; }
    float GetVelocityY() const { return mVelocityY; }

    // The velocity the body is made with.
    float mVelocityX;
    float mVelocityY;
    dBodyID mBody = nullptr;
    dGeomID mGeom = nullptr;
    dJointID mJoint = nullptr;

protected:
    // Joint, shape and body, each when present.
    void DestroyBody();
};
