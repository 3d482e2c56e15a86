#pragma once
// The crash report sent to the report server as one multipart/form-data
// POST: the application's own fields, the product and its version, what the
// user wrote, the report's title and text and, when one is attached, the
// demo file of the crashed run.

#include "framework/crash/HTTPTransfer.h"

#include <map>
#include <string>

namespace CrashCatcher {

// Everything an upload sends, taken from the crashed run.
struct CrashUpload {
    std::string productName;
    std::string productVersion;
    // The application's extra fields, in the order of their names.
    std::map<std::string, std::string> fields;
    std::string userText;
    std::string errorTitle;
    std::string errorText;
    bool attach = false;
    // Read when the request is made; a file that cannot be read is sent as
    // an empty part.
    std::string attachmentName;
    // The server: a host, optionally ":" and a port. Also what the request's
    // "Host: " line carries.
    std::string uploadAddress;
};

// The whole request, head and body.
std::string BuildUploadRequest(const CrashUpload& upload);

// Builds the request and hands it to the transfer, which sends it on a
// thread of its own; returns at once.
void SubmitReport(const CrashUpload& upload, Vorn::HTTPTransfer& transfer);

} // namespace CrashCatcher
