// SystemService: the local time and guarded calls that survive faults of the called function.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "SystemService.h"

namespace {

int reached = 0;

// The faults are the point: the sanitizers must not report them before the hardware does.
#define DELIBERATE_FAULT __attribute__((no_sanitize("undefined", "address")))

DELIBERATE_FAULT void ENGINE_CALL WriteThroughNull(void* argument)
{
    reached = 1;
    *static_cast<volatile int*>(argument) = 42;
    reached = 2;
}

void ENGINE_CALL IllegalInstruction(void*)
{
    reached = 1;
    __builtin_trap();
}

DELIBERATE_FAULT void ENGINE_CALL DivideByZero(void* argument)
{
    volatile int zero = *static_cast<int*>(argument);
    reached = 100 / zero;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
DELIBERATE_FAULT __attribute__((noinline)) int Recurse(int depth)
{
    volatile char pad[512];
    pad[0] = char(depth);
    return Recurse(depth + 1) + pad[0];
}
#pragma GCC diagnostic pop

void ENGINE_CALL OverflowTheStack(void*)
{
    reached = Recurse(0);
}

void ENGINE_CALL Count(void* argument)
{
    ++*static_cast<int*>(argument);
}

struct Nested {
    ::SystemService* system;
    int after = 0;
};

void ENGINE_CALL FaultInsideAGuardedCall(void* argument)
{
    Nested* nested = static_cast<Nested*>(argument);
    nested->system->table->RunGuarded(nested->system, WriteThroughNull, nullptr);
    nested->after = 1;   // the inner guard caught it; this call goes on
}

class SystemServiceTest : public ::testing::Test {
protected:
    int32_t Run(GuardedFunction function, void* argument)
    {
        return system.table->RunGuarded(&system, function, argument);
    }
    orv::SystemService system;
};

TEST_F(SystemServiceTest, AFaultInsideTheGuardedCallIsSurvived)
{
    int zero = 0;
    struct Case {
        const char* what;
        GuardedFunction function;
        void* argument;
    } cases[] = {
        { "null write", WriteThroughNull, nullptr },
        { "illegal instruction", IllegalInstruction, nullptr },
        { "division by zero", DivideByZero, &zero },
        { "stack overflow", OverflowTheStack, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reached = 0;
        EXPECT_EQ(0, Run(c.function, c.argument));
        EXPECT_NE(2, reached);
    }
    int count = 0;
    EXPECT_EQ(0, Run(Count, &count));   // guarded calls still work afterwards
    EXPECT_EQ(1, count);
}

TEST_F(SystemServiceTest, NestedGuardsCatchAtTheInnermostAndOtherThreadsHaveTheirOwn)
{
    Nested nested{ &system };
    EXPECT_EQ(0, Run(FaultInsideAGuardedCall, &nested));
    EXPECT_EQ(1, nested.after);
    int survived = 0;
    std::thread worker([&] {
        orv::SystemService own;
        own.table->RunGuarded(&own, WriteThroughNull, nullptr);
        survived = 1;
    });
    worker.join();
    EXPECT_EQ(1, survived);
}

TEST(SystemServiceDeathTest, AFaultOutsideAnyGuardStillEndsTheProcess)
{
    orv::SystemService system;
    int count = 0;
    system.table->RunGuarded(&system, Count, &count);   // the handlers are installed now
    EXPECT_DEATH({ WriteThroughNull(nullptr); }, "");
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
