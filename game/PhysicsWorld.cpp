#include "game/PhysicsWorld.h"

#include "game/PhysSprite.h"

#include <algorithm>
#include <array>

dWorldID gPhysicsWorld = nullptr;
dJointGroupID gContactGroup = nullptr;
dSpaceID gPhysicsSpace = nullptr;

namespace {

// The library's fast stepper is gone; the quick stepper with as many
// iterations stands in for it.
constexpr int kStepIterations = 3;
constexpr float kStepSeconds = 1.0f / 300.0f;
constexpr int kMaxContacts = 4;
// The library lists a mesh's contacts in the mesh's order and stops at the
// count asked for, so the first four often miss where a ball presses into
// the wall; it is asked for all of them and the four deepest are kept.
constexpr int kTrackContacts = 64;
// Two balls' overlap handed to the solver: a ball spawned inside the chain
// then pushes it on at up to 0.7 x 2 px per 1/300 s instead of shooting
// balls through the wall at thousands of pixels a second.
constexpr dReal kBallDepthLimit = 2.0;

int gStepParity = 0;

// The half-space a x + b y >= d of each edge.
struct Plane {
    dReal a, b, d;
};
constexpr std::array<Plane, 4> kBoundaryPlanes = {{{1, 0, 20}, {-1, 0, -780}, {0, 1, 20}, {0, -1, -580}}};

PhysSprite* SpriteOf(dGeomID geom)
{
    const dBodyID body = dGeomGetBody(geom);
    return body != nullptr ? static_cast<PhysSprite*>(dBodyGetData(body)) : nullptr;
}

int TypeOf(const PhysSprite* sprite)
{
    return sprite != nullptr ? sprite->GetTypeId() : PhysSprite::kTypePlain;
}

} // namespace

PhysicsWorld::PhysicsWorld()
{
    dInitODE2(0);
    dAllocateODEDataForThread(dAllocateMaskAll);
    gPhysicsWorld = dWorldCreate();
    dWorldSetQuickStepNumIterations(gPhysicsWorld, kStepIterations);
    gContactGroup = dJointGroupCreate(0);
    gStepParity = 0;
}

PhysicsWorld::~PhysicsWorld()
{
    // A stage still set up when the world goes (a test's) goes with it.
    DestroyPhysicsSpace(gPhysicsSpace);
    dJointGroupDestroy(gContactGroup);
    dWorldDestroy(gPhysicsWorld);
    gContactGroup = nullptr;
    gPhysicsWorld = nullptr;
    dCloseODE();
}

dSpaceID InitPhysicsWorld()
{
    dWorldSetERP(gPhysicsWorld, 0.7);
    dWorldSetCFM(gPhysicsWorld, 0);
    dWorldSetGravity(gPhysicsWorld, 0, 0, 0);
    gPhysicsSpace = dSimpleSpaceCreate(nullptr);
    // Contacts live only within one step, so no stage has any in it now.
    if (gContactGroup != nullptr)
        dJointGroupDestroy(gContactGroup);
    gContactGroup = dJointGroupCreate(0);
    return gPhysicsSpace;
}

void CreateBoundaryPlanes()
{
    for (const Plane& p : kBoundaryPlanes)
        dCreatePlane(gPhysicsSpace, p.a, p.b, 0, p.d);
}

void DestroyPhysicsSpace(dSpaceID space)
{
    if (space == nullptr)
        return;
    if (space == gPhysicsSpace)
        gPhysicsSpace = nullptr;
    // A space made by the library destroys what it still holds with it.
    dSpaceDestroy(space);
}

void StepPhysics()
{
    ++gStepParity;
    if (gStepParity % 2 != 0)
        return;
    dSpaceCollide(gPhysicsSpace, nullptr, PhysicsNearCallback);
    dWorldQuickStep(gPhysicsWorld, kStepSeconds);
    dJointGroupEmpty(gContactGroup);
}

void PhysicsNearCallback(void*, dGeomID o1, dGeomID o2)
{
    const int type1 = TypeOf(SpriteOf(o1));
    const int type2 = TypeOf(SpriteOf(o2));
    const bool track = type1 == PhysSprite::kTypeTrack || type2 == PhysSprite::kTypeTrack;
    if (track && (type1 == PhysSprite::kTypePlain || type2 == PhysSprite::kTypePlain))
        return;
    const bool balls = type1 == PhysSprite::kTypeBall && type2 == PhysSprite::kTypeBall;
    // Only the geometry is collected, and only what the library wrote of it
    // is read: clearing a whole array of contacts for every touching pair
    // took a fifth of the board's update.
    std::array<dContactGeom, kTrackContacts> geoms;
    int count = dCollide(o1, o2, track ? kTrackContacts : kMaxContacts, geoms.data(), sizeof(dContactGeom));
    if (count > kMaxContacts) {
        std::partial_sort(geoms.begin(), geoms.begin() + kMaxContacts, geoms.begin() + count,
            [](const dContactGeom& a, const dContactGeom& b) { return a.depth > b.depth; });
        count = kMaxContacts;
    }
    for (int i = 0; i < count; ++i) {
        dContact contact{};
        contact.geom = geoms[static_cast<size_t>(i)];
        contact.surface.mode = dContactBounce;
        contact.surface.mu = 0;
        contact.surface.bounce = 0;
        contact.surface.bounce_vel = 0;
        if (balls)
            contact.geom.depth = std::min(contact.geom.depth, kBallDepthLimit);
        const dJointID joint = dJointCreateContact(gPhysicsWorld, gContactGroup, &contact);
        if (type1 == PhysSprite::kTypeTrack)
            dJointAttach(joint, nullptr, dGeomGetBody(contact.geom.g2));
        else if (type2 == PhysSprite::kTypeTrack)
            dJointAttach(joint, dGeomGetBody(contact.geom.g1), nullptr);
        else
            dJointAttach(joint, dGeomGetBody(contact.geom.g1), dGeomGetBody(contact.geom.g2));
    }
}
