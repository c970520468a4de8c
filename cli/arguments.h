// The command line of `morvane`: a verb, its two files and its options, in the manner of
// oiiotool and ffmpeg (options anywhere after the verb, "--name value" or "--name=value").
#pragma once
#include <string>

#include "cli/render_job.h"

namespace morvane::cli {

enum class Verb { kHelp, kVersion, kRender, kControls, kPresets, kContactSheet };

struct Invocation {
  Verb verb = Verb::kHelp;
  Job job;
  bool quiet = false;
};

// argv[0] is the program. Throws a usage error naming the problem and what is valid.
Invocation ParseArguments(int argc, const char* const* argv);

std::string UsageText();
std::string VersionText();  // "Morvane, v1.0.1"

}  // namespace morvane::cli
