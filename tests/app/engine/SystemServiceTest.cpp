// SystemService: the local time and guarded calls that survive faults of the called function.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "FaultImage.h"
#include "SystemService.h"

namespace {

// The faults are the point: the sanitizers must not report them before the hardware does.
#define DELIBERATE_FAULT __attribute__((no_sanitize("undefined", "address")))

DELIBERATE_FAULT void ENGINE_CALL HostWritesThroughNull(void* argument)
{
    *static_cast<volatile int*>(nullptr) = argument != nullptr ? 1 : 2;
}

struct Nested {
    ::SystemService* system;
    GuardedFunction inner;
    int after = 0;
};

// Host code between two guarded calls: the inner fault is the engine's and stops there.
void ENGINE_CALL GuardAroundAFault(void* argument)
{
    Nested* nested = static_cast<Nested*>(argument);
    nested->system->table->RunGuarded(nested->system, nested->inner, nullptr);
    nested->after = 1;
}

class SystemServiceTest : public ::testing::Test {
protected:
    int32_t Run(GuardedFunction function, void* argument)
    {
        return system.table->RunGuarded(&system, function, argument);
    }
    FaultImage image;
    orv::SystemService system;
};

TEST_F(SystemServiceTest, AFaultOfEngineCodeIsSurvivedAndReportedToTheHost)
{
    struct Case {
        const char* what;
        FaultKind kind;
    } cases[] = {
        { "null write", FaultKind::NullWrite },
        { "illegal instruction", FaultKind::IllegalInstruction },
        { "division by zero", FaultKind::DivideByZero },
        { "stack overflow", FaultKind::StackOverflow },
        { "call through a null pointer", FaultKind::CallThroughNull },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(0, Run(image.Function(c.kind), nullptr));
        EXPECT_TRUE(system.TakeFault());
        EXPECT_FALSE(system.TakeFault());   // taken once
    }
    int count = 0;
    EXPECT_EQ(0, Run(image.Function(FaultKind::Count), &count));   // guarded calls still work afterwards
    EXPECT_EQ(1, count);
    EXPECT_FALSE(system.TakeFault());
}

TEST_F(SystemServiceTest, NestedGuardsCatchAtTheInnermostAndOtherThreadsHaveTheirOwn)
{
    Nested nested{ &system, image.Function(FaultKind::NullWrite) };
    EXPECT_EQ(0, Run(GuardAroundAFault, &nested));
    EXPECT_EQ(1, nested.after);
    int survived = 0;
    std::thread worker([&] {
        orv::SystemService own;
        own.table->RunGuarded(&own, image.Function(FaultKind::IllegalInstruction), nullptr);
        survived = own.TakeFault() ? 1 : 0;
    });
    worker.join();
    EXPECT_EQ(1, survived);
}

// A host bug is never turned into a result: a fault in host code ends the process, also when the
// engine's guarded code called it, or it ran outside any guard.
TEST(SystemServiceDeathTest, AFaultOfHostCodeEndsTheProcess)
{
    FaultImage image;
    orv::SystemService system;
    int count = 0;
    system.table->RunGuarded(&system, image.Function(FaultKind::Count), &count);   // the handlers are installed now
    EXPECT_DEATH({ system.table->RunGuarded(&system, HostWritesThroughNull, nullptr); }, "");
    void* callee = reinterpret_cast<void*>(HostWritesThroughNull);
    EXPECT_DEATH({ system.table->RunGuarded(&system, image.Function(FaultKind::CallHost), &callee); }, "");
    EXPECT_DEATH({ HostWritesThroughNull(nullptr); }, "");
}

TEST(SystemServiceTimeTest, QueryLocalTimeFillsThePlatformRecord)
{
    setenv("WCE_FAKE_TIME", "2026-03-04T05:06:07", 1);
    orv::SystemService system;
    EngineDate date = {};
    EXPECT_EQ(1, system.table->QueryLocalTime(&system, &date));
    unsetenv("WCE_FAKE_TIME");
    EXPECT_EQ(2026, date.year);
    EXPECT_EQ(3, date.month);
    EXPECT_EQ(4, date.day);
    EXPECT_EQ(5, date.hour);
    EXPECT_EQ(6, date.minute);
    EXPECT_EQ(7, date.second);
    EXPECT_EQ(&system, system.table->Self9(&system));
    EXPECT_EQ(0, system.table->Unused11(&system));
}

}  // namespace
