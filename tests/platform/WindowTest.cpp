#include "platform/Window.h"

#include <gtest/gtest.h>

namespace {

TEST(RegisterMessage, OneNameOneNumberFromTheRegisteredRange)
{
    const uint32_t notify = Platform::RegisterMessage("ZarquelNotify");
    EXPECT_GE(notify, Platform::kFirstRegisteredMessage);
    EXPECT_EQ(Platform::RegisterMessage("ZarquelNotify"), notify);
    EXPECT_NE(Platform::RegisterMessage("OtherNotify"), notify);
}

} // namespace
