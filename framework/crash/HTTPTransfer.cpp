#include "framework/crash/HTTPTransfer.h"

namespace Vorn {

namespace {
int32_t gNextTransferId = 1;
}

HTTPTransfer::HTTPTransfer() : mTransferId(gNextTransferId++) {}

HTTPTransfer gHTTPTransfer;

} // namespace Vorn
