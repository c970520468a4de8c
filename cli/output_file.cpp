#include "cli/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>
#include <system_error>
#include <thread>

#include "cli/cli_error.h"

namespace morvane::cli {
namespace {

namespace fs = std::filesystem;

// ---- The signal handlers' table of pending temporary files ----------------------------------
// A handler may run on any thread while other threads register and release files, so a slot is
// read without locks: the handler copies a ready slot's path and uses it only if the slot was
// still ready with the same generation afterwards (a seqlock). Only lock-free atomics, unlink and
// _exit run in the handler.

constexpr int kSlots = 1024;  // the most frames in flight (--threads is at most 1024)
constexpr size_t kPathCapacity = 4096;

enum SlotState : int { kFree = 0, kFilling = 1, kReady = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  std::atomic<uint32_t> generation{0};
  std::atomic<char> path[kPathCapacity];
};

Slot gSlots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<char>::is_always_lock_free);

int Register(const std::string& path) {
  if (path.size() >= kPathCapacity) return -1;  // such a path cannot be removed on a signal
  for (;;) {
    for (int i = 0; i < kSlots; ++i) {
      int expected = kFree;
      if (!gSlots[i].state.compare_exchange_strong(expected, kFilling)) continue;
      Slot& s = gSlots[i];
      for (size_t k = 0; k < path.size(); ++k) s.path[k].store(path[k], std::memory_order_relaxed);
      s.path[path.size()].store('\0', std::memory_order_relaxed);
      s.generation.fetch_add(1);
      s.state.store(kReady);
      return i;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void Release(int slot) {
  if (slot >= 0) gSlots[slot].state.store(kFree);
}

void RemovePendingFiles() {
  char path[kPathCapacity];
  for (Slot& s : gSlots) {
    if (s.state.load() != kReady) continue;
    const uint32_t generation = s.generation.load();
    size_t k = 0;
    for (; k + 1 < kPathCapacity; ++k) {
      path[k] = s.path[k].load(std::memory_order_relaxed);
      if (path[k] == '\0') break;
    }
    path[k] = '\0';
    if (s.state.load() == kReady && s.generation.load() == generation) ::unlink(path);
  }
}

void OnCancel(int signal) {
  RemovePendingFiles();
  ::_exit(128 + signal);
}

// ---- Destinations ---------------------------------------------------------------------------

constexpr char kTemporarySuffix[] = ".morvane-tmp";

const std::string& HostName() {
  static const std::string name = [] {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0') return std::string("localhost");
    return std::string(buffer);
  }();
  return name;
}

struct Target {
  fs::path destination;  // symbolic links followed
  fs::path folder;
  bool exists = false;
  unsigned mode = 0;
};

// `path` with every symbolic link along its last component followed (a dangling link gives its
// target's name, which the write then creates).
fs::path FollowLinks(const fs::path& path) {
  fs::path p = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return p;
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) return p;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  throw IoError("cannot write " + Quoted(path.string()) + ": too many levels of symbolic links");
}

bool MayWrite(const fs::path& file, unsigned mode) {
  // root may write any file; a file without any write bit is still one the user meant to keep.
  if (::geteuid() == 0) return (mode & 0222) != 0;
  return ::access(file.c_str(), W_OK) == 0;
}

Target ResolveTarget(const std::string& path) {
  Target t;
  t.destination = FollowLinks(fs::path(path));
  t.folder = t.destination.parent_path();
  if (t.folder.empty()) t.folder = ".";
  const std::string fail = "cannot write " + Quoted(path) + ": ";

  struct stat folder {};
  if (::stat(t.folder.c_str(), &folder) != 0) {
    if (errno == EACCES) throw IoError(fail + "permission denied on the way to folder " + Quoted(t.folder.string()));
    throw IoError(fail + "no such folder " + Quoted(t.folder.string()));
  }
  if (!S_ISDIR(folder.st_mode)) throw IoError(fail + Quoted(t.folder.string()) + " is not a folder");

  struct stat file {};
  if (::stat(t.destination.c_str(), &file) == 0) {
    if (S_ISDIR(file.st_mode)) throw IoError(fail + "it is a folder");
    t.exists = true;
    t.mode = file.st_mode & 07777;
    if (!MayWrite(t.destination, t.mode)) throw IoError(fail + "permission denied (the file is read-only)");
  }
  if (::access(t.folder.c_str(), W_OK | X_OK) != 0) {
    throw IoError(fail + "permission denied in folder " + Quoted(t.folder.string()));
  }
  return t;
}

// Temporary files of processes of this host that no longer run (a SIGKILL, a power cut), found by
// one listing of each output folder per process and kept by destination name: a sequence of
// thousands of frames in one folder lists it once, not once a frame.
struct StaleTemporaries {
  std::mutex mutex;
  std::map<std::string, std::map<std::string, std::vector<fs::path>>> byFolder;
};

StaleTemporaries& Stale() {
  static auto* stale = new StaleTemporaries;  // never destroyed: frames are written until exit
  return *stale;
}

std::map<std::string, std::vector<fs::path>> ListStale(const fs::path& folder) {
  // ".NAME.PID@HOST.morvane-tmp": only this host's names are read, from the end, so dots in NAME
  // and in the host name do not matter.
  const std::string tail = "@" + HostName() + kTemporarySuffix;
  std::map<std::string, std::vector<fs::path>> stale;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= tail.size() + 1 || name[0] != '.' ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
      continue;
    }
    const std::string core = name.substr(1, name.size() - 1 - tail.size());
    const size_t dot = core.rfind('.');
    if (dot == std::string::npos || dot == 0) continue;
    long pid = 0;
    const char* digits = core.data() + dot + 1;
    const auto [stop, err] = std::from_chars(digits, core.data() + core.size(), pid);
    if (err != std::errc() || stop != core.data() + core.size() || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running
    stale[core.substr(0, dot)].push_back(it->path());
  }
  return stale;
}

// Removes the temporary files a dead process left for this destination.
void RemoveStaleTemporaries(const Target& t) {
  std::vector<fs::path> doomed;
  {
    StaleTemporaries& stale = Stale();
    std::lock_guard<std::mutex> lock(stale.mutex);
    auto [folder, fresh] = stale.byFolder.try_emplace(t.folder.string());
    if (fresh) folder->second = ListStale(t.folder);
    const auto found = folder->second.find(t.destination.filename().string());
    if (found == folder->second.end()) return;
    doomed.swap(found->second);
    folder->second.erase(found);
  }
  for (const fs::path& p : doomed) {
    std::error_code ignored;
    fs::remove(p, ignored);
  }
}

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

PendingOutput::PendingOutput(const std::string& path) : path_(path) {
  const Target t = ResolveTarget(path);
  destination_ = t.destination.string();
  hadFile_ = t.exists;
  mode_ = t.mode;
  RemoveStaleTemporaries(t);
  const std::string name = "." + t.destination.filename().string() + "." + std::to_string(::getpid()) + "@" +
                           HostName() + kTemporarySuffix;
  temporary_ = (t.folder / name).string();
  slot_ = Register(temporary_);
}

PendingOutput::~PendingOutput() {
  if (!committed_) ::unlink(temporary_.c_str());
  Release(slot_);
}

std::string PendingOutput::WriteFailure(const std::string& libraryMessage) const {
  const std::string fail = "cannot write " + Quoted(path_) + ": ";
  const fs::path folder = fs::path(temporary_).parent_path();
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return fail + "permission denied in folder " + Quoted(folder.string());
  }
  // The library names the file it was given; the user knows the output's name.
  std::string message = libraryMessage;
  for (size_t at = message.find(temporary_); at != std::string::npos; at = message.find(temporary_, at)) {
    message.replace(at, temporary_.size(), path_);
    at += path_.size();
  }
  return fail + (message.empty() ? "unknown error" : message);
}

void PendingOutput::Commit() {
  const std::string fail = "cannot write " + Quoted(path_) + ": ";
  const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw IoError(fail + std::generic_category().message(errno));
  const bool synced = ::fsync(fd) == 0 && (!hadFile_ || ::fchmod(fd, mode_) == 0);
  const int syncError = errno;
  ::close(fd);
  if (!synced) throw IoError(fail + std::generic_category().message(syncError));
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    throw IoError(fail + std::generic_category().message(errno));
  }
  committed_ = true;
  SyncFolder(fs::path(destination_).parent_path().empty() ? fs::path(".") : fs::path(destination_).parent_path());
}

void CheckOutputWritable(const std::string& path) { ResolveTarget(path); }

void RefuseOverwritingInputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
  std::map<std::pair<dev_t, ino_t>, const std::string*> read;
  for (const std::string& input : inputs) {
    struct stat in {};
    if (::stat(input.c_str(), &in) == 0) read.emplace(std::make_pair(in.st_dev, in.st_ino), &input);
  }
  for (const std::string& output : outputs) {
    struct stat out {};
    if (::stat(output.c_str(), &out) != 0) continue;
    const auto it = read.find(std::make_pair(out.st_dev, out.st_ino));
    if (it != read.end()) {
      throw UsageError("the output " + Quoted(output) + " is the input file " + Quoted(*it->second) +
                       "; give the output another name");
    }
  }
}

void InstallCancelHandlers() {
  struct sigaction action {};
  action.sa_handler = OnCancel;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
}

}  // namespace morvane::cli
