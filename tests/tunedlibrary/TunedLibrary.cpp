// A marked constant of a static library, for the tests of a program that
// links it. Its slot names a scratch copy of this file (the lines after the
// #line directive) that the tests write and edit.
#include "framework/app/ModVal.h"

#define M(value) VORN_MODVAL(value)

#line 1 MODVAL_LIBRARY_SCRATCH_SOURCE
namespace TunedLibrary {
int Bounce() { return M(23); }
} // namespace TunedLibrary
