// The user's files under interruption and replacement: a cancelled or killed render never leaves
// a partial file under the output's name nor, once the next run is done, a temporary file beside
// it; an output that already exists keeps its permissions and its symbolic link.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli_test_support.h"

namespace morvane::cli_test {
namespace {

class CliFileSafety : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    fs::copy_file(std::string(MORVANE_TEST_DATA_DIR) + "/coffee-1080p.ppm", Path("in.ppm"));
  }

  bool HasTemporary() const {
    for (const std::string& name : WorkFiles()) {
      if (name.find(".morvane-tmp") != std::string::npos) return true;
    }
    return false;
  }

  // Waits until the program has a temporary file open (it is writing), or has ended.
  bool WaitForTemporary(pid_t pid) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (std::chrono::steady_clock::now() < deadline) {
      if (HasTemporary()) return true;
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
  }
};

// A 1080p frame written as 16-bit PNG: long enough to be caught while writing.
const std::vector<std::string> kSlowWrite = {"--depth", "16", "--preset", "Tiny Lines"};

TEST_F(CliFileSafety, CancelSignalsRemoveUnfinishedFilesAndExitWith128PlusTheSignal) {
  struct Case {
    int signal;
    bool sequence;
  };
  for (const Case c : {Case{SIGINT, false}, Case{SIGTERM, false}, Case{SIGHUP, false}, Case{SIGTERM, true}}) {
    SCOPED_TRACE(::testing::Message() << "signal " << c.signal << (c.sequence ? ", sequence" : ""));
    std::vector<std::string> args = {"render", Path("in.ppm"), Path(c.sequence ? "out.%d.png" : "out.png")};
    if (c.sequence) args.insert(args.end(), {"--frames", "1-2", "--threads", "2"});
    args.insert(args.end(), kSlowWrite.begin(), kSlowWrite.end());
    const pid_t pid = Start(args);
    ASSERT_NE(pid, 0);
    ASSERT_TRUE(WaitForTemporary(pid)) << "the program ended before writing";
    ::kill(pid, c.signal);
    const RunResult r = Finish(pid);
    EXPECT_EQ(r.exitCode, 128 + c.signal) << r.err;
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"in.ppm"});
  }
}

TEST_F(CliFileSafety, KilledRunLeavesNoPartialOutputAndTheNextRunRemovesItsTemporary) {
  fs::copy_file(Path("in.ppm"), Path("out.png"));  // an earlier output the killed run was replacing
  const std::string earlier = Slurp(Path("out.png"));
  std::vector<std::string> args = {"render", Path("in.ppm"), Path("out.png")};
  args.insert(args.end(), kSlowWrite.begin(), kSlowWrite.end());
  const pid_t pid = Start(args);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTemporary(pid));
  ::kill(pid, SIGKILL);
  EXPECT_EQ(Finish(pid).exitCode, 128 + SIGKILL);
  EXPECT_EQ(Slurp(Path("out.png")), earlier) << "the output's name holds a partial file";
  EXPECT_TRUE(HasTemporary()) << "SIGKILL cannot be caught: the temporary file stays until the next run";

  const RunResult r = Run({"render", Path("in.ppm"), Path("out.png"), "--preset", "Scrapes"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"in.ppm", "out.png"}));
}

// Only temporary files this output's dead runs left on this host are removed: a live process's,
// another host's (a shared folder) and another output's stay.
TEST_F(CliFileSafety, OnlyTemporariesOfDeadRunsOfThisOutputAreRemoved) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);  // a process id that no longer runs
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {".out.png." + dead + "@" + host + ".morvane-tmp", true},
      {".out.png." + alive + "@" + host + ".morvane-tmp", false},
      {".out.png." + dead + "@elsewhere.example.com.morvane-tmp", false},
      {".other.png." + dead + "@" + host + ".morvane-tmp", false},
      {".out.png.notapid@" + std::string(host) + ".morvane-tmp", false},
  };
  for (const Case& c : cases) std::ofstream(Path(c.name)) << "partial";
  const RunResult r = Run({"render", Path("in.ppm"), Path("out.png"), "-q", "--preset", "Scrapes"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const Case& c : cases) EXPECT_EQ(fs::exists(Path(c.name)), !c.removed) << c.name;
}

TEST_F(CliFileSafety, ReplacedOutputKeepsItsPermissionsAndItsSymbolicLink) {
  struct Case {
    const char* what;
    fs::perms mode;
    bool throughLink;
  };
  using P = fs::perms;
  const Case cases[] = {
      {"private", P::owner_read | P::owner_write, false},
      {"group-readable", P::owner_read | P::owner_write | P::group_read, false},
      {"executable", P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec, false},
      {"through a link", P::owner_read | P::owner_write, true},
  };
  const fs::path real = fs::path(Path("")) / "real";
  fs::create_directory(real);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = c.throughLink ? real / "target.png" : fs::path(Path("out.png"));
    std::ofstream(target) << "old";
    fs::permissions(target, c.mode);
    if (c.throughLink) fs::create_symlink(target, Path("out.png"));

    const RunResult r = Run({"render", Path("in.ppm"), Path("out.png"), "--preset", "Scrapes"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(fs::status(target).permissions(), c.mode);
    EXPECT_EQ(fs::is_symlink(Path("out.png")), c.throughLink);
    EXPECT_EQ(Slurp(target).substr(1, 3), "PNG") << "the target holds the new picture";
    fs::remove(Path("out.png"));
    fs::remove(target);
  }
  EXPECT_TRUE(fs::is_empty(real));
}

}  // namespace
}  // namespace morvane::cli_test
