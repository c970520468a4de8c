// The command-line renderer's untrusted inputs: its arguments (parsed as a user's shell hands them
// over, with the control assignments, presets, frame ranges and file name patterns they name) and
// the image files it reads (any bytes, under each file name extension it knows, at each depth).
// Failures must be the program's own one-line errors; nothing else may escape, crash or leak.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/control_values.h"
#include "cli/frame_pattern.h"
#include "cli/image_file.h"
#include "cli/library_messages.h"
#include "fuzz/fuzz_input.h"

namespace {

using namespace morvane::cli;
using morvane::Depth;
using morvane::fuzz::FuzzInput;

// Arguments separated by NUL bytes, after the program's name.
void FuzzArguments(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"morvane"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  args.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  try {
    const Invocation inv = ParseArguments(static_cast<int>(argv.size()), argv.data());
    BuildControlValues(inv.job.preset, inv.job.overrides);
    for (const std::string& file : {inv.job.input, inv.job.output}) {
      const FramePattern pattern = ParseFramePattern(file);
      if (inv.job.frames) {
        FramePath(pattern, inv.job.frames->Lowest());
        FramePath(pattern, inv.job.frames->Highest());
      }
    }
  } catch (const CliError&) {
  }
}

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::string t = (std::filesystem::temp_directory_path() / "morvane-fuzz-XXXXXX").string();
    if (::mkdtemp(t.data()) == nullptr) std::abort();
    return t;
  }();
  return folder;
}

// The bytes as an image file, read as the render verbs read their input.
void FuzzImageFile(FuzzInput& in) {
  static const char* const kExtensions[] = {".png", ".jpg", ".exr", ".tif", ".ppm", ".bmp", ".tga", ".hdr"};
  const uint8_t choice = in.Byte();
  const std::string path = ScratchFolder() + "/in" + kExtensions[choice % 8];
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(in.rest()), static_cast<std::streamsize>(in.restSize()));
  }
  const int forced = (choice >> 3) % 4;
  try {
    // A small limit keeps each run quick; the limit's own check is part of what is fuzzed.
    ReadImage(path, forced == 0 ? std::nullopt : std::optional<Depth>(static_cast<Depth>(forced - 1)), 1 << 20);
  } catch (const CliError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RouteLibraryMessages();  // as the program does: libpng prints nothing of its own
  FuzzInput in(data, size);
  if (in.Byte() % 2 == 0) {
    FuzzArguments(in.rest(), in.restSize());
  } else {
    FuzzImageFile(in);
  }
  return 0;
}
