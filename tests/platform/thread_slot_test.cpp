#include "platform/thread_slot.h"

#include <gtest/gtest.h>

#include <thread>

TEST(ThreadSlot, ValuesArePerThread) {
  const DWORD slot = TlsAlloc();
  ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
  int mine = 1;
  int theirs = 2;
  ASSERT_TRUE(TlsSetValue(slot, &mine));
  void* seenByOther = &mine;
  std::thread other([&] {
    seenByOther = TlsGetValue(slot);
    TlsSetValue(slot, &theirs);
  });
  other.join();
  EXPECT_EQ(seenByOther, nullptr);
  EXPECT_EQ(TlsGetValue(slot), &mine);
  EXPECT_TRUE(TlsFree(slot));
}

TEST(ThreadSlot, BadSlotFailsWithAReason) {
  SetLastError(0);
  EXPECT_FALSE(TlsSetValue(TLS_OUT_OF_INDEXES, nullptr));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(TlsGetValue(TLS_OUT_OF_INDEXES), nullptr);
}
