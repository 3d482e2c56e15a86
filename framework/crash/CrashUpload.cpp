#include "framework/crash/CrashUpload.h"

#include "framework/app/Buffer.h"
#include "framework/app/VornAppBase.h"

namespace CrashCatcher {

namespace {

constexpr const char* kBoundary = "---------------------------7d3e1f30eec";
constexpr const char* kCrlf = "\r\n";

void AddField(std::string& body, const std::string& name, const std::string& value)
{
    body += std::string("--") + kBoundary + kCrlf;
    body += "Content-Disposition: form-data; name=\"" + name + "\"" + kCrlf + kCrlf;
    body += value + kCrlf;
}

} // namespace

std::string BuildUploadRequest(const CrashUpload& upload)
{
    std::string body;
    for (const auto& [name, value] : upload.fields)
        AddField(body, name, value);
    AddField(body, "prod", upload.productName);
    AddField(body, "version", upload.productVersion);
    AddField(body, "usertext", upload.userText);
    AddField(body, "errortitle", upload.errorTitle);
    AddField(body, "errortext", upload.errorText);
    if (upload.attach) {
        Vorn::Buffer file;
        Vorn::ReadBufferFromFile(upload.attachmentName, file);
        body += std::string("--") + kBoundary + kCrlf;
        body += std::string("Content-Disposition: form-data; name=\"demofile\"; filename=\"Mirrowen.dmo\"") + kCrlf;
        body += std::string("Content-Type: application/octet-stream") + kCrlf + kCrlf;
        if (file.GetBytes() != nullptr)
            body.append(reinterpret_cast<const char*>(file.GetBytes()), static_cast<size_t>(file.GetByteLength()));
        body += kCrlf;
    }
    body += std::string("--") + kBoundary + "--" + kCrlf;

    std::string request = std::string("POST /brevan_error.php HTTP/1.1") + kCrlf;
    request += std::string("Content-Type: multipart/form-data; boundary=") + kBoundary + kCrlf;
    request += std::string("User-Agent: Mozilla/4.0 (compatible; Mirrowen)") + kCrlf;
    request += "Host: " + upload.uploadAddress + kCrlf;
    request += "Content-Length: " + std::to_string(body.size()) + kCrlf;
    request += std::string("Connection: close") + kCrlf + kCrlf;
    return request + body;
}

void SubmitReport(const CrashUpload& upload, Vorn::HTTPTransfer& transfer)
{
    transfer.SendRequest(upload.uploadAddress, BuildUploadRequest(upload));
}

} // namespace CrashCatcher
