#include "framework/crash/CrashUpload.h"

#include "fakes/LoopbackServer.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using CrashCatcher::BuildUploadRequest;
using CrashCatcher::CrashUpload;

const std::string B = "---------------------------7d3e1f30eec";

std::string Part(const std::string& name, const std::string& value)
{
    return "--" + B + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

std::string Head(const std::string& host, size_t bodyLength)
{
    return "POST /brevan_error.php HTTP/1.1\r\n"
           "Content-Type: multipart/form-data; boundary=" + B + "\r\n"
           "User-Agent: Mozilla/4.0 (compatible; Mirrowen)\r\n"
           "Host: " + host + "\r\n"
           "Content-Length: " + std::to_string(bodyLength) + "\r\n"
           "Connection: close\r\n"
           "\r\n";
}

CrashUpload Upload()
{
    CrashUpload upload;
    upload.productName = "Zarquel";
    upload.productVersion = "1.0";
    upload.userText = "It froze when the vortex filled.";
    upload.errorTitle = "Exception at 0001:000005A3";
    upload.errorText = "Exception: Access Violation\r\nModule: zarquel\r\n";
    upload.uploadAddress = "reports.example:8080";
    return upload;
}

TEST(CrashUpload, WithoutAnAttachmentTheBodyHasFivePartsAndTheClosingLine)
{
    const std::string body = Part("prod", "Zarquel") + Part("version", "1.0") +
                             Part("usertext", "It froze when the vortex filled.") +
                             Part("errortitle", "Exception at 0001:000005A3") +
                             Part("errortext", "Exception: Access Violation\r\nModule: zarquel\r\n") + "--" + B +
                             "--\r\n";
    EXPECT_EQ(BuildUploadRequest(Upload()), Head("reports.example:8080", body.size()) + body);
}

TEST(CrashUpload, TheApplicationsFieldsComeFirstInTheOrderOfTheirNames)
{
    CrashUpload upload = Upload();
    upload.fields = {{"zone", "3"}, {"Level", "7"}, {"board", ""}};
    upload.userText.clear();
    const std::string body = Part("Level", "7") + Part("board", "") + Part("zone", "3") + Part("prod", "Zarquel") +
                             Part("version", "1.0") + Part("usertext", "") +
                             Part("errortitle", "Exception at 0001:000005A3") +
                             Part("errortext", "Exception: Access Violation\r\nModule: zarquel\r\n") + "--" + B +
                             "--\r\n";
    EXPECT_EQ(BuildUploadRequest(upload), Head("reports.example:8080", body.size()) + body);
}

std::string DemoPart(const std::string& bytes)
{
    return "--" + B +
           "\r\nContent-Disposition: form-data; name=\"demofile\"; filename=\"Mirrowen.dmo\"\r\n"
           "Content-Type: application/octet-stream\r\n\r\n" +
           bytes + "\r\n";
}

TEST(CrashUpload, TheAttachedDemoGoesLastWithItsBytesCountedInTheLength)
{
    const Testing::TempDir dir;
    const std::string demo("\x78\xEF\xBE\x42\x00\x01\r\n--\xFF", 11);
    dir.WriteFile("crashed.dmo", demo);
    CrashUpload upload = Upload();
    upload.attach = true;
    upload.attachmentName = dir / "crashed.dmo";
    const std::string body = Part("prod", "Zarquel") + Part("version", "1.0") +
                             Part("usertext", "It froze when the vortex filled.") +
                             Part("errortitle", "Exception at 0001:000005A3") +
                             Part("errortext", "Exception: Access Violation\r\nModule: zarquel\r\n") + DemoPart(demo) +
                             "--" + B + "--\r\n";
    EXPECT_EQ(BuildUploadRequest(upload), Head("reports.example:8080", body.size()) + body);

    upload.attachmentName = dir / "missing.dmo";
    const std::string empty = Part("prod", "Zarquel") + Part("version", "1.0") +
                              Part("usertext", "It froze when the vortex filled.") +
                              Part("errortitle", "Exception at 0001:000005A3") +
                              Part("errortext", "Exception: Access Violation\r\nModule: zarquel\r\n") + DemoPart("") +
                              "--" + B + "--\r\n";
    EXPECT_EQ(BuildUploadRequest(upload), Head("reports.example:8080", empty.size()) + empty);
}

TEST(CrashUpload, TheReportReachesTheServer)
{
    Testing::LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}}, false);
    CrashUpload upload = Upload();
    upload.uploadAddress = "127.0.0.1:" + std::to_string(server.Port());
    Vorn::HTTPTransfer transfer;
    CrashCatcher::SubmitReport(upload, transfer);
    EXPECT_EQ(server.Request(), BuildUploadRequest(upload));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (transfer.GetResultCode() == Vorn::HTTPTransfer::kRunning && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(transfer.GetResultCode(), Vorn::HTTPTransfer::kFinished);
    EXPECT_EQ(transfer.GetContent(), "ok");
}

} // namespace
