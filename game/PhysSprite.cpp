#include "game/PhysSprite.h"

#include "game/PhysicsWorld.h"

#include <cmath>

namespace {

constexpr dReal kLinearDamping = 0.98;
constexpr dReal kAngularDamping = 0.95;

} // namespace

PhysSprite::PhysSprite(Renderer* renderer, float x, float y, float velocityX, float velocityY, float size)
    : MultiSprite(renderer, x, y, size), mVelocityX(velocityX), mVelocityY(velocityY)
{
}

PhysSprite::~PhysSprite()
{
    DestroyBody();
}

void PhysSprite::DestroyBody()
{
    if (mJoint != nullptr)
        dJointDestroy(mJoint);
    if (mGeom != nullptr)
        dGeomDestroy(mGeom);
    if (mBody != nullptr)
        dBodyDestroy(mBody);
    mJoint = nullptr;
    mGeom = nullptr;
    mBody = nullptr;
}

void PhysSprite::CreateBody()
{
    DestroyBody();
    mBody = dBodyCreate(gPhysicsWorld);
    dBodySetPosition(mBody, mX, mY, 0);
    dBodySetLinearVel(mBody, mVelocityX, mVelocityY, 0);
    dBodySetData(mBody, this);
    SetMass();
    mGeom = CreateGeom();
    if (mGeom != nullptr)
        dGeomSetBody(mGeom, mBody);
    dBodySetAutoDisableFlag(mBody, 1);
    CreateJoint();
}

dGeomID PhysSprite::CreateGeom()
{
    return dCreateSphere(gPhysicsSpace, 49.0 * mScaleX);
}

void PhysSprite::SetMass()
{
    dMass mass;
    dMassSetZero(&mass);
    dMassSetSphere(&mass, 1.0, 100.0 * mScaleX);
    dMassAdjust(&mass, 1.0);
    dBodySetMass(mBody, &mass);
}

void PhysSprite::CreateJoint()
{
    mJoint = dJointCreatePlane2D(gPhysicsWorld, nullptr);
    dJointAttach(mJoint, mBody, nullptr);
}

void PhysSprite::Update()
{
    const dReal* position = dBodyGetPosition(mBody);
    mX = static_cast<float>(position[0]);
    mY = static_cast<float>(position[1]);
    SyncChildren();

    const dReal* linear = dBodyGetLinearVel(mBody);
    dBodySetLinearVel(mBody, linear[0] * kLinearDamping, linear[1] * kLinearDamping, linear[2] * kLinearDamping);
    // The turn about x and y, damped or not, is dropped below.
    const dReal spin = dBodyGetAngularVel(mBody)[2] * kAngularDamping;

    // Only the turn about z survives; a quaternion with nothing of it left
    // cannot be scaled back to unit length and becomes no turn at all.
    const dReal* q = dBodyGetQuaternion(mBody);
    const dReal norm = std::sqrt(q[0] * q[0] + q[3] * q[3]);
    dQuaternion flat = {1, 0, 0, 0};
    if (norm > 0) {
        flat[0] = q[0] / norm;
        flat[3] = q[3] / norm;
    }
    dBodySetQuaternion(mBody, flat);
    dBodySetAngularVel(mBody, 0, 0, spin);
}
