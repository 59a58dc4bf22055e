// EngineContext: the global behind the import callbacks, and the log reference it keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "EngineContext.h"
#include "OrvMobileEngCE.h"
#include "TestDevice.h"

namespace {

TEST(EngineContextTest, TheLogIsHeldUntilTheContextGoesAndMessagesReachIt)
{
    TestDevice device;
    ServiceContext* services = CreateServiceContext();
    services->SetAppFolder(u"\\");
    LogWriter* log = CreateLogWriter(services, u"\\OrvMobile.Log");
    ASSERT_NE(nullptr, log);
    EngineContext* context = CreateEngineContext();
    ASSERT_EQ(context, GetEngineContext());
    EXPECT_EQ(context, context->Init(1));
    context->SetLog(log);
    EXPECT_EQ(3, log->AddRef());   // ours, the context's, and this one
    log->Release();
    context->LogMessage(u"engine says hello");
    context->SetValue(7);
    EXPECT_EQ(7, context->GetValue());
    EXPECT_EQ(nullptr, FileSystemCallback());   // no host registered yet
    EXPECT_EQ(2, context->AddRef());
    EXPECT_EQ(1, context->Release());
    EXPECT_EQ(0, context->Release());
    EXPECT_EQ(nullptr, GetEngineContext());
    EXPECT_EQ(0, log->Release());   // ours was the last one
    services->Release();
    // The log is UTF-16LE text; the message is in it.
    std::string bytes = device.Read("OrvMobile.Log");
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    EXPECT_NE(std::u16string::npos, text.find(u"engine says hello"));
}

}  // namespace
