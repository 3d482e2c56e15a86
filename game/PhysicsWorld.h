#pragma once
// The game's glue to the rigid-body library: one world and one contact group
// for the whole process, a collision space per stage with the four planes
// that keep bodies inside the play field, and the stepping that turns
// collisions into contact joints.
//
// The balls move in the plane of the screen. Physics advances 1/300 s on
// every second call of StepPhysics, so a game's course depends only on how
// many updates ran.

#include <ode/ode.h>

// While it lives the library is open on this thread, with the world and the
// contact group made; at most one exists at a time. The program makes it
// before its first stage and lets it go after the last one, and the library
// is closed once, after every world is gone: closing it at every stage would
// break the next one.
class PhysicsWorld {
public:
    PhysicsWorld();
    ~PhysicsWorld();
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;
};

// Null while no PhysicsWorld lives.
extern dWorldID gPhysicsWorld;
extern dJointGroupID gContactGroup;
// The current stage's space; null between stages.
extern dSpaceID gPhysicsSpace;

// Stage set-up: world settings, a new space and a new contact group. A space
// left from an earlier stage is destroyed first, with everything in it.
void InitPhysicsWorld();
// The half-spaces x >= 20, x <= 780, y >= 20, y <= 580, as bodiless planes in
// the stage's space.
void CreateBoundaryPlanes();
// Stage tear-down, after the stage's sprites have destroyed their own
// geometries: the planes and the space go.
void DestroyPhysicsSpace();
// Steps on every second call, counting from the making of the world.
void StepPhysics();
// Turns one colliding pair into at most four contact joints. The track is
// never tested against the planes, and its own body is never pushed.
void PhysicsNearCallback(void* data, dGeomID o1, dGeomID o2);
