#include "cli/arguments.h"

#include <optional>
#include <string_view>
#include <vector>

#include "cli/cli_error.h"
#include "cli/text_util.h"
#include "effect/identity.h"

namespace morvane::cli {
namespace {

enum VerbMask : unsigned { kOnRender = 1, kOnSheet = 2 };

struct OptionDef {
  const char* name;
  bool takesValue;
  unsigned verbs;
};

constexpr OptionDef kOptions[] = {
    {"--preset", true, kOnRender},
    {"--set", true, kOnRender | kOnSheet},
    {"--depth", true, kOnRender | kOnSheet},
    {"--threads", true, kOnRender | kOnSheet},
    {"--frames", true, kOnRender},
    {"--evolve", false, kOnRender},
    {"--cell-width", true, kOnSheet},
    {"--quiet", false, kOnRender | kOnSheet},
    {"--max-pixels", true, kOnRender | kOnSheet},
};

constexpr int kMaxThreads = 1024;
// --max-pixels: up to 2^34, beyond any memory this program would find (256 GiB a frame in float).
constexpr int64_t kMaxPixelsLimit = int64_t{1} << 34;

const char* VerbName(Verb v) {
  switch (v) {
    case Verb::kRender: return "render";
    case Verb::kControls: return "controls";
    case Verb::kPresets: return "presets";
    case Verb::kContactSheet: return "contact-sheet";
    default: return "";
  }
}

unsigned MaskOf(Verb v) {
  switch (v) {
    case Verb::kRender: return kOnRender;
    case Verb::kContactSheet: return kOnSheet;
    default: return 0;
  }
}

std::string OptionsOf(Verb v) {
  std::string list;
  for (const OptionDef& o : kOptions) {
    if ((o.verbs & MaskOf(v)) == 0) continue;
    list += (list.empty() ? "" : ", ") + std::string(o.name);
  }
  return list.empty() ? "none" : list;
}

const OptionDef* FindOption(std::string_view name) {
  if (name == "-q") name = "--quiet";
  for (const OptionDef& o : kOptions) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

int ParseBounded(const std::string& option, std::string_view text, int lo, int hi, const char* what) {
  const std::optional<int64_t> n = ParseWholeNumber(Trim(text));
  if (!n || *n < lo || *n > hi) {
    throw UsageError(option + " " + Quoted(std::string(text)) + ": expected " + what + " from " +
                     std::to_string(lo) + " to " + std::to_string(hi));
  }
  return static_cast<int>(*n);
}

Depth ParseDepth(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t == "8") return Depth::k8;
  if (t == "16") return Depth::k16;
  if (t == "32") return Depth::kFloat;
  throw UsageError("--depth " + Quoted(std::string(text)) + ": expected 8, 16 or 32 (float)");
}

void ApplyOption(const OptionDef& o, const std::string& value, Invocation& inv) {
  const std::string name = o.name;
  Job& job = inv.job;
  if (name == "--preset") {
    job.preset = ParsePreset(value);
  } else if (name == "--set") {
    job.overrides.push_back(value);
  } else if (name == "--depth") {
    job.depth = ParseDepth(value);
  } else if (name == "--threads") {
    job.threads = ParseBounded(name, value, 1, kMaxThreads, "a thread count");
  } else if (name == "--frames") {
    job.frames = ParseFrameRange(value);
  } else if (name == "--evolve") {
    job.evolve = true;
  } else if (name == "--cell-width") {
    job.cellWidth = ParseBounded(name, value, 16, 4096, "a width in pixels");
  } else if (name == "--quiet") {
    inv.quiet = true;
  } else if (name == "--max-pixels") {
    const std::optional<int64_t> n = ParseWholeNumber(Trim(value));
    if (!n || *n < 1 || *n > kMaxPixelsLimit) {
      throw UsageError(name + " " + Quoted(value) + ": expected a pixel count from 1 to " +
                       std::to_string(kMaxPixelsLimit));
    }
    job.maxPixels = *n;
  }
}

}  // namespace

Invocation ParseArguments(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  Invocation inv;
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") return inv;
    if (a == "--version") {
      inv.verb = Verb::kVersion;
      return inv;
    }
  }
  if (args.empty()) throw UsageError("no command given; try \"morvane --help\"");

  const std::string& verb = args[0];
  if (verb == "render") {
    inv.verb = Verb::kRender;
  } else if (verb == "controls") {
    inv.verb = Verb::kControls;
  } else if (verb == "presets") {
    inv.verb = Verb::kPresets;
  } else if (verb == "contact-sheet") {
    inv.verb = Verb::kContactSheet;
  } else {
    throw UsageError("unknown command " + Quoted(verb) + "; commands: render, controls, presets, contact-sheet");
  }

  std::vector<std::string> files;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      files.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    const OptionDef* o = FindOption(name);
    if (o == nullptr) {
      throw UsageError("unknown option " + Quoted(name) + "; options of " + VerbName(inv.verb) + ": " +
                       OptionsOf(inv.verb));
    }
    if ((o->verbs & MaskOf(inv.verb)) == 0) {
      throw UsageError(std::string(o->name) + " does not apply to " + VerbName(inv.verb) + "; its options: " +
                       OptionsOf(inv.verb));
    }
    std::string value;
    if (o->takesValue) {
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError(std::string(o->name) + " needs a value; see \"morvane --help\"");
      }
    } else if (eq != std::string::npos) {
      throw UsageError(std::string(o->name) + " takes no value");
    }
    ApplyOption(*o, value, inv);
  }

  const bool takesFiles = inv.verb == Verb::kRender || inv.verb == Verb::kContactSheet;
  if (takesFiles && files.size() != 2) {
    throw UsageError(std::string(VerbName(inv.verb)) + " needs two files, IN and OUT; got " +
                     std::to_string(files.size()));
  }
  if (!takesFiles && !files.empty()) {
    throw UsageError(std::string(VerbName(inv.verb)) + " takes no files or options; got " + Quoted(files[0]));
  }
  if (takesFiles) {
    inv.job.input = files[0];
    inv.job.output = files[1];
  }
  return inv;
}

std::string VersionText() {
  return std::string(kEffectName) + ", v" + std::to_string(kMajorVersion) + "." + std::to_string(kMinorVersion) +
         "." + std::to_string(kFixVersion);
}

std::string UsageText() {
  return R"usage(morvane: the Morvane effect applied to image files, as the module renders them in a host.

Usage:
  morvane render IN OUT [--preset NAME|NUMBER] [--set "Control=value"]... [--depth 8|16|32]
                        [--frames FIRST-LAST [--evolve]] [--threads N] [--max-pixels N] [--quiet]
  morvane contact-sheet IN OUT [--set "Control=value"]... [--cell-width N] [--depth 8|16|32]
                        [--threads N] [--max-pixels N] [--quiet]
  morvane controls      the controls: kind, valid range, default, popup entries
  morvane presets       the twenty presets with their numbers
  morvane --help | --version

Controls start at their defaults; --preset applies one of the twenty presets, then each --set
changes one control, named as the effect's panel shows it (any case):
  popups by entry name or number   --set "Shape type=Circle"   --set "Fade Type=1"
  checkboxes on, off, 1 or 0       --set "Keep Original Image=on"
  sliders as decimals in range     --set "Line Width=1.8"   --set "Opacity=40%"

Files are read and written with OpenImageIO (PNG, TIFF, OpenEXR, JPEG, ...). 8-bit files render
at 8 bits, 16-bit files at 16 bits, half and float files in float; --depth forces one.

Sequences: put a frame number pattern in the file names (%04d or ####) and give --frames, e.g.
  morvane render in.%04d.png out.%04d.png --frames 1-240
Frames render in parallel, one per thread (--threads, default: all cores). --evolve adds the frame
number to "Random Seed (Evolution)", so the strokes change from frame to frame; with no pattern in
IN, every frame starts from the same picture.

Files: an input larger than --max-pixels (default 134217728, a 16384x8192 picture) is refused
before it is read; so is a contact sheet that would be. OUT appears whole or not at all: it is
written beside its final name and renamed into place, keeping an existing file's permissions
and writing through a symbolic link. OUT may not be IN. Interrupted (SIGINT, SIGTERM, SIGHUP),
morvane removes its unfinished files and exits with 128 + the signal number.

Exit codes: 0 done, 1 a file could not be read or written, 2 the command line is wrong.
)usage";
}

}  // namespace morvane::cli
