// The command-line renderer's failures: a one-line message for the user and the exit code.
//
// Library code never prints; it throws one of these and the program's main reports it. Usage
// errors (exit 2) are found before any file is written; I/O errors (exit 1) name the file.
#pragma once
#include <stdexcept>
#include <string>

namespace morvane::cli {

enum ExitCode : int { kExitOk = 0, kExitIo = 1, kExitUsage = 2 };

class CliError : public std::runtime_error {
 public:
  CliError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

inline CliError UsageError(const std::string& message) { return CliError(kExitUsage, message); }
inline CliError IoError(const std::string& message) { return CliError(kExitIo, message); }

// "name" in double quotes, for messages.
inline std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace morvane::cli
