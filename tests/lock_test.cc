// Locks taken and dropped again within one process.
#include "platform/lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

TEST(Lock, CanBeTakenAgainAfterItWasDropped) {
  std::random_device random;
  std::string name = (std::filesystem::temp_directory_path() /
                      ("songwhim-lock-" + std::to_string(random())))
                         .string();
  std::string err;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    FileLock lock;
    ASSERT_TRUE(LockFile(name, &lock, &err)) << err;
    EXPECT_NE(-1, lock.handle);
    // Another name for a file this process holds counts as taken, and holds
    // nothing of its own.
    FileLock again;
    EXPECT_TRUE(LockFile(name, &again, &err)) << err;
    EXPECT_EQ(-1, again.handle);
    UnlockFile(name.c_str(), &again);
    UnlockFile(name.c_str(), &lock);
    EXPECT_EQ(-1, lock.handle);
    EXPECT_FALSE(std::filesystem::exists(name));
  }
}

}  // namespace
