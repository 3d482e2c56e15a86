// The sprite that owns a rigid body: its body, mass, shape and joint, and
// what each update takes from the body and does to it.

#include "game/PhysSprite.h"

#include "game/PhysicsWorld.h"
#include "game/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class PhysSpriteBody : public ::testing::Test {
protected:
    PhysSpriteBody() { InitPhysicsWorld(); }

    PhysicsWorld mWorld;
    Renderer mRenderer{1};
    PhysSprite mSprite{&mRenderer, 120.0f, 80.0f, 30.0f, -40.0f, 0.75f};
};

TEST_F(PhysSpriteBody, IsMadeWithoutABody)
{
    EXPECT_EQ(mSprite.mX, 120.0f);
    EXPECT_EQ(mSprite.mY, 80.0f);
    EXPECT_EQ(mSprite.mScaleX, 0.75f);
    EXPECT_EQ(mSprite.mScaleY, 0.75f);
    EXPECT_EQ(mSprite.GetVelocityX(), 30.0f);
    EXPECT_EQ(mSprite.GetVelocityY(), -40.0f);
    EXPECT_EQ(mSprite.mBody, nullptr);
    EXPECT_EQ(mSprite.mGeom, nullptr);
    EXPECT_EQ(mSprite.mJoint, nullptr);
    EXPECT_EQ(mSprite.GetTypeId(), PhysSprite::kTypePlain);
    mSprite.SetVelocityX(5.0f);
    mSprite.SetVelocityY(6.0f);
    EXPECT_EQ(mSprite.GetVelocityX() * 10 + mSprite.GetVelocityY(), 56.0f);
}

TEST_F(PhysSpriteBody, ItsBodyStartsAtItsPlaceWithItsVelocityHeldToTheScreen)
{
    mSprite.CreateBody();
    const dReal* position = dBodyGetPosition(mSprite.mBody);
    EXPECT_EQ(position[0], 120.0);
    EXPECT_EQ(position[1], 80.0);
    EXPECT_EQ(position[2], 0.0);
    const dReal* velocity = dBodyGetLinearVel(mSprite.mBody);
    EXPECT_EQ(velocity[0], 30.0);
    EXPECT_EQ(velocity[1], -40.0);
    EXPECT_EQ(dBodyGetData(mSprite.mBody), &mSprite);
    EXPECT_EQ(dBodyGetAutoDisableFlag(mSprite.mBody), 1);

    // A solid sphere of radius 100 x scale, scaled to a total mass of 1.
    dMass mass;
    dBodyGetMass(mSprite.mBody, &mass);
    EXPECT_DOUBLE_EQ(mass.mass, 1.0);
    EXPECT_NEAR(mass.I[0], 0.4 * 75.0 * 75.0, 1e-9);

    ASSERT_NE(mSprite.mGeom, nullptr);
    EXPECT_EQ(dGeomGetClass(mSprite.mGeom), dSphereClass);
    EXPECT_DOUBLE_EQ(dGeomSphereGetRadius(mSprite.mGeom), 49.0 * 0.75f);
    EXPECT_EQ(dGeomGetBody(mSprite.mGeom), mSprite.mBody);
    EXPECT_EQ(dGeomGetSpace(mSprite.mGeom), gPhysicsSpace);

    ASSERT_NE(mSprite.mJoint, nullptr);
    EXPECT_EQ(dJointGetType(mSprite.mJoint), dJointTypePlane2D);
    EXPECT_EQ(dJointGetBody(mSprite.mJoint, 0), mSprite.mBody);
    EXPECT_EQ(dJointGetBody(mSprite.mJoint, 1), nullptr);
}

TEST_F(PhysSpriteBody, ASecondBodyReplacesTheFirstWithItsShapeAndJoint)
{
    mSprite.CreateBody();
    mSprite.mX = 200.0f;
    mSprite.CreateBody();
    EXPECT_EQ(dSpaceGetNumGeoms(gPhysicsSpace), 1);
    EXPECT_EQ(dBodyGetNumJoints(mSprite.mBody), 1);
    EXPECT_EQ(dBodyGetPosition(mSprite.mBody)[0], 200.0);
}

TEST_F(PhysSpriteBody, AnUpdateTakesThePositionAndMovesTheChildrenAlong)
{
    Sprite* child = mSprite.AddSprite(nullptr, 2, 0);
    mSprite.CreateBody();
    dBodySetPosition(mSprite.mBody, 321.5, 123.25, 0.0);
    mSprite.Update();
    EXPECT_EQ(mSprite.mX, 321.5f);
    EXPECT_EQ(mSprite.mY, 123.25f);
    EXPECT_EQ(child->mX, 321.5f);
    EXPECT_EQ(child->mY, 123.25f);
    EXPECT_EQ(child->mScaleX, 0.75f);
}

TEST_F(PhysSpriteBody, AnUpdateDampsTheMotionAndKeepsOnlyTheTurnAboutTheScreensNormal)
{
    mSprite.CreateBody();
    dBodySetLinearVel(mSprite.mBody, 10.0, -20.0, 5.0);
    dBodySetAngularVel(mSprite.mBody, 1.0, 2.0, 3.0);
    const dQuaternion tilted = {0.5, 0.5, 0.5, 0.5};
    dBodySetQuaternion(mSprite.mBody, tilted);
    mSprite.Update();

    const dReal* velocity = dBodyGetLinearVel(mSprite.mBody);
    EXPECT_DOUBLE_EQ(velocity[0], 10.0 * 0.98);
    EXPECT_DOUBLE_EQ(velocity[1], -20.0 * 0.98);
    EXPECT_DOUBLE_EQ(velocity[2], 5.0 * 0.98);
    const dReal* spin = dBodyGetAngularVel(mSprite.mBody);
    EXPECT_EQ(spin[0], 0.0);
    EXPECT_EQ(spin[1], 0.0);
    EXPECT_DOUBLE_EQ(spin[2], 3.0 * 0.95);
    const dReal* q = dBodyGetQuaternion(mSprite.mBody);
    EXPECT_DOUBLE_EQ(q[0], std::sqrt(0.5));
    EXPECT_EQ(q[1], 0.0);
    EXPECT_EQ(q[2], 0.0);
    EXPECT_DOUBLE_EQ(q[3], std::sqrt(0.5));
}

TEST_F(PhysSpriteBody, ATurnWithNothingAboutTheNormalFlattensToNoTurn)
{
    mSprite.CreateBody();
    const dQuaternion flipped = {0.0, 1.0, 0.0, 0.0};
    dBodySetQuaternion(mSprite.mBody, flipped);
    mSprite.Update();
    const dReal* q = dBodyGetQuaternion(mSprite.mBody);
    EXPECT_EQ(q[0], 1.0);
    EXPECT_EQ(q[1] + q[2] + q[3], 0.0);
    EXPECT_FALSE(std::isnan(dBodyGetPosition(mSprite.mBody)[0]));
}

} // namespace
