// Marked constants of the tests' own. Their slots name a scratch copy of
// this file (the lines after the #line directive) that the tests write and
// edit, so that the sources in the tree are never changed.
#include "framework/app/ModVal.h"

#define M(value) VORN_MODVAL(value)
#define M1(value) VORN_MODVAL(value)

namespace Tuned {
// Data that merely holds the marker and a text naming lines 9 and 10 of the
// scratch file, as any string of the program might: neither is a slot.
extern const char kLookalikeUnregistered[] = "\1abcdVORNMODVAL" MODVAL_SCRATCH_SOURCE "900,9";
extern const char kLookalikeRegistered[] = "\0\xff\xff\xff\x7fVORNMODVAL" MODVAL_SCRATCH_SOURCE "901,10";
} // namespace Tuned

#line 1 MODVAL_SCRATCH_SOURCE
namespace Tuned {
int Speed() { return M(17); }
double Gravity() { return M1(9.5); }
const char* Greeting() { return M("hi"); }
int First() { return M(1); } int Second() { return M(2); }
int ProbeInt() { return M(0); } double ProbeDouble() { return M(0.0); } const char* ProbeText() { return M(""); }
template <typename T> T Lifted() { return M(4); } int Lift() { return Lifted<int>(); }
} // namespace Tuned
