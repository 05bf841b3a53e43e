// Events as the sound buffers signal them: auto- and manual-reset, time-outs, a waiter woken from
// another thread, refused handles and forced creation failures.
#include <gtest/gtest.h>

#include <thread>

#include "os/dsound_event.h"
#include "os/faultinject.h"
#include "os/lasterror.h"

TEST(SoundEvent, AutoResetEventWakesOneWaitManualStaysSignalled) {
  HANDLE autoEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(autoEvent, nullptr);
  ASSERT_NE(manual, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(SetEvent(autoEvent));
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 1), WAIT_TIMEOUT);
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(autoEvent));
  EXPECT_TRUE(CloseHandle(manual));
}

TEST(SoundEvent, WaiterIsWokenBySetEventFromAnotherThread) {
  HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::thread setter([e] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(e);
  });
  EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
  setter.join();
  CloseHandle(e);
}

TEST(SoundEvent, ClosedOrForeignHandlesAndForcedFailuresAreRefused) {
  HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(e));
  EXPECT_FALSE(SetEvent(e));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
  EXPECT_FALSE(ResetEvent(reinterpret_cast<HANDLE>(0x3)));
  os::TestFailCall("CreateEventA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  HANDLE again = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  EXPECT_NE(again, nullptr);
  CloseHandle(again);
}
