// The named single-instance lock.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/instance_lock.h"
#include "tests/support/temp_dir.h"

namespace {

// Points $XDG_RUNTIME_DIR at a fresh folder for one test.
class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) saved_ = old;
    hadValue_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
  }
  void TearDown() override {
    if (hadValue_) {
      setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  testsupport::TempDir runtime_;
  std::string saved_;
  bool hadValue_ = false;
};

TEST_F(InstanceLockTest, SecondHandleSeesTheLockUntilTheFirstCloses) {
  NamedLock* first = CreateNamedLock("Pictrove");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(NamedLockPath("Pictrove"), runtime_.file("Pictrove.lock"));

  NamedLock* second = CreateNamedLock("Pictrove");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  // Another name is another lock.
  NamedLock* other = CreateNamedLock("Other");
  EXPECT_EQ(GetLastError(), 0u);
  CloseNamedLock(other);
  CloseNamedLock(second);

  // A refused handle releases nothing: the first still holds the lock.
  NamedLock* third = CreateNamedLock("Pictrove");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseNamedLock(third);

  CloseNamedLock(first);
  NamedLock* again = CreateNamedLock("Pictrove");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  CloseNamedLock(again);
  CloseNamedLock(nullptr);
}

TEST_F(InstanceLockTest, KilledHolderLeavesNoLockBehind) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    NamedLock* held = CreateNamedLock("Pictrove");
    const char state = held != nullptr && GetLastError() == 0 ? 'y' : 'n';
    if (write(ready[1], &state, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char state = 0;
  ASSERT_EQ(read(ready[0], &state, 1), 1);
  close(ready[0]);
  ASSERT_EQ(state, 'y');

  NamedLock* refused = CreateNamedLock("Pictrove");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseNamedLock(refused);

  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  NamedLock* after = CreateNamedLock("Pictrove");
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  CloseNamedLock(after);
}

TEST_F(InstanceLockTest, FallsBackToAPerUserFileInTmp) {
  const std::string name = "PictroveLockTest-" + std::to_string(getpid());
  const std::string fallback = "/tmp/" + name + "-" + std::to_string(geteuid()) + ".lock";
  for (const char* runtime : {static_cast<const char*>(nullptr), "relative/dir", "/no/such/folder"}) {
    if (runtime == nullptr) {
      unsetenv("XDG_RUNTIME_DIR");
    } else {
      setenv("XDG_RUNTIME_DIR", runtime, 1);
    }
    EXPECT_EQ(NamedLockPath(name.c_str()), fallback);
    NamedLock* lock = CreateNamedLock(name.c_str());
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    struct stat st {};
    ASSERT_EQ(stat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    CloseNamedLock(lock);
  }
  unlink(fallback.c_str());
}

TEST_F(InstanceLockTest, RefusesWhatIsNotAPlainFileOfOurOwn) {
  // A link planted where the lock file goes is not followed.
  ASSERT_EQ(symlink(runtime_.file("elsewhere").c_str(), runtime_.file("Pictrove.lock").c_str()), 0);
  EXPECT_EQ(CreateNamedLock("Pictrove"), nullptr);
  struct stat st {};
  EXPECT_NE(stat(runtime_.file("elsewhere").c_str(), &st), 0);
  // Nor a folder, nor a name that is a path.
  ASSERT_EQ(mkdir(runtime_.file("Folder.lock").c_str(), 0700), 0);
  EXPECT_EQ(CreateNamedLock("Folder"), nullptr);
  for (const char* bad : {"", "a/b", "..", "."}) EXPECT_EQ(CreateNamedLock(bad), nullptr) << bad;
  EXPECT_EQ(CreateNamedLock(nullptr), nullptr);
}

}  // namespace
