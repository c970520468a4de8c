// How a written file replaces what the user had: never a partial file under the output's name,
// never the input overwritten, and an existing output keeps what the user set on it.
//
// A file is written to a temporary file beside its destination (so the rename stays on one file
// system), synced, given the replaced file's permission bits, renamed over the destination and
// the folder synced. A symbolic link is written through: its target is replaced, the link stays.
// Temporary names are ".NAME.PID@HOST.morvane-tmp": SIGINT, SIGTERM and SIGHUP remove every
// temporary file the process has open and exit with 128 + the signal; SIGKILL cannot be caught,
// so the next write of the same output removes temporary files whose process (on this host) no
// longer runs.
#pragma once
#include <string>
#include <vector>

namespace morvane::cli {

// A temporary file for one destination, registered with the signal handlers from construction
// until Commit or destruction (which removes it). Throws an I/O error in the user's terms when the
// destination cannot be written: no such folder, a folder in the way, a read-only file,
// permission denied.
class PendingOutput {
 public:
  explicit PendingOutput(const std::string& path);
  ~PendingOutput();
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;

  // Where the writer writes.
  const std::string& temporaryPath() const { return temporary_; }
  // The error message for a writer that could not create or fill the temporary file: the reason
  // in the user's terms, naming the output, not the temporary file.
  std::string WriteFailure(const std::string& libraryMessage) const;
  // Syncs the temporary file, gives it the replaced file's permission bits and renames it into
  // place. Throws an I/O error naming the output.
  void Commit();

 private:
  std::string path_;         // as the user gave it, for messages
  std::string destination_;  // the file to replace: `path_` with symbolic links followed
  std::string temporary_;
  int slot_ = -1;            // in the signal handlers' table
  bool hadFile_ = false;
  unsigned mode_ = 0;        // the replaced file's permission bits
  bool committed_ = false;
};

// Checks that `path` could be written now (folder present and writable, not a folder, not a
// read-only file) without writing anything. Throws the I/O error PendingOutput would.
void CheckOutputWritable(const std::string& path);

// Throws a usage error when any of `outputs` is the same file as any of `inputs` (by device and
// inode, through any link or spelling). Files that do not exist are skipped.
void RefuseOverwritingInputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Installs the SIGINT, SIGTERM and SIGHUP handlers that remove the pending temporary files.
void InstallCancelHandlers();

}  // namespace morvane::cli
