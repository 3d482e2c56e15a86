#pragma once
// The symbolic name of a DirectDraw, Direct3D or DirectSound result, for the
// display's error texts and the capability test's reasons.

#include <cstdint>
#include <string>

namespace Vorn {

// The name of a failure result, or any other code in lower-case hexadecimal
// without prefix ("80004003").
std::string DirectXResultText(int32_t code);

} // namespace Vorn
