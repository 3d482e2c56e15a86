#pragma once
// Sends one prepared HTTP request and collects the response body while the
// caller polls a small result code. There is one object in the process.

#include <cstdint>

namespace Vorn {

class HTTPTransfer {
public:
    HTTPTransfer();
    virtual ~HTTPTransfer() = default;
    HTTPTransfer(const HTTPTransfer&) = delete;
    HTTPTransfer& operator=(const HTTPTransfer&) = delete;

    // Identifies this transfer in the demo stream.
    int32_t mTransferId;
    // 1: idle, nothing started since construction or reset.
    int32_t mResult = 1;
    // The last result written to or read from the demo stream.
    int32_t mLastResult = 1;
};

extern HTTPTransfer gHTTPTransfer;

} // namespace Vorn
