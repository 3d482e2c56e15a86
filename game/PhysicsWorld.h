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
// The space new shapes are made in and StepPhysics steps: the one of the
// stage set up last, null once that one is torn down.
extern dSpaceID gPhysicsSpace;

// Stage set-up: world settings, a new space that becomes the current one, and
// a new contact group. The space belongs to the stage that asked for it and
// goes with DestroyPhysicsSpace at its tear-down; an earlier stage's space is
// left alone, since the board that owns it may still be waiting for its
// deletion and destroys its shapes and its space itself.
dSpaceID InitPhysicsWorld();
// The half-spaces x >= 20, x <= 780, y >= 20, y <= 580, as bodiless planes in
// the current space; they go with it.
void CreateBoundaryPlanes();
// A stage's tear-down, after its sprites have destroyed their own shapes:
// that space goes, with the planes and whatever else is still in it, and no
// other. Null does nothing.
void DestroyPhysicsSpace(dSpaceID space);
// Steps on every second call, counting from the making of the world.
void StepPhysics();
// Turns one colliding pair into at most four contact joints. The track is
// never tested against the planes, and its own body is never pushed.
void PhysicsNearCallback(void* data, dGeomID o1, dGeomID o2);
