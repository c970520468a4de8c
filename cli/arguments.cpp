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
    {"--verbose", false, kOnRender | kOnSheet},
    {"--max-pixels", true, kOnRender | kOnSheet},
    {"--data-format", true, kOnRender | kOnSheet},
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
  if (name == "-v") name = "--verbose";
  if (name == "-d") name = "--data-format";
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
    job.threads = ParseBounded(name, value, 0, kMaxThreads, "a thread count (0: all cores)");
  } else if (name == "--frames") {
    job.frames = ParseFrameList(value);
  } else if (name == "--evolve") {
    job.evolve = true;
  } else if (name == "--cell-width") {
    job.cellWidth = ParseBounded(name, value, 16, 4096, "a width in pixels");
  } else if (name == "--quiet") {
    inv.quiet = true;
  } else if (name == "--data-format") {
    job.dataFormat = ParseSampleType(Trim(value));
    if (!job.dataFormat) {
      throw UsageError("--data-format " + Quoted(value) + ": expected uint8, uint16, half or float");
    }
  } else if (name == "--verbose") {
    job.verbose = true;
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
  morvane render IN OUT [options]           one picture, or a sequence with --frames
  morvane contact-sheet IN OUT [options]    all twenty presets side by side, labelled
  morvane controls                          the controls: kind, valid range, default, popup entries
  morvane presets                           the twenty presets with their numbers
  morvane --help | -h | --version

Options (render; those marked * also contact-sheet):
  --preset NAME|NUMBER    start from one of the twenty presets (render only)
  --set "Control=value"   * change one control after the preset; repeatable
  --depth 8|16|32         * render at this depth (32: float) instead of the file's own
  --frames LIST           the frames of a sequence: 1-240, 1-100x2 (every second), 1,5,10-20, -5-5
  --evolve                add the frame number to "Random Seed (Evolution)" (with --frames)
  --cell-width N          the contact sheet's cell width, 16 to 4096 (contact-sheet only)
  --threads N             * render threads: frames in flight and threads inside each frame
                            together (files are read and written beside them); 0 or absent:
                            every core
  --max-pixels N          * refuse inputs (and contact sheets) of more pixels; default 134217728
  -d, --data-format TYPE  * the written file's samples: uint8, uint16, half or float (default: the
                            input's, or the forced --depth's); a format that cannot hold TYPE is
                            an error naming what it holds
  -q, --quiet             * print nothing but errors
  -v, --verbose           * also print the settings used (every control, as --set takes it)
  --                      * what follows is a file name, even if it starts with "-"
Options take their value as "--name value" or "--name=value", anywhere after the command.

Controls start at their defaults; --preset applies one of the twenty presets, then each --set
changes one control, named as the effect's panel shows it (any case):
  popups by entry name or number   --set "Shape type=Circle"   --set "Fade Type=1"
  checkboxes on, off, 1 or 0       --set "Keep Original Image=on"
  sliders as decimals in range     --set "Line Width=1.8"   --set "Opacity=40%"   --set "Size=1.2e1"
A control the panel would grey out with these settings (e.g. "Grid Randomization" without the
Grid strategy) is accepted with a warning that it has no effect.

Files are read and written with OpenImageIO (PNG, TIFF, OpenEXR, JPEG, ...). 8-bit files render
at 8 bits, 16-bit files at 16 bits, half and float files in float; --depth forces one. The output
keeps the input's data and display windows, its other channels (Z, AOVs; in formats that hold
them) and its metadata, and carries no time stamp: the same command writes the same bytes. A file
of several subimages or MIP levels is refused (exit 2).

Sequences: put a frame number pattern in the file names, as oiiotool does: %04d (printf), # (four
digits), @ (one digit each: @@@ is three); %% is a literal %. For example
  morvane render in.####.exr out.####.exr --frames 1-240
  morvane render in.%04d.png out.@@@.png --frames 1-100x2 --evolve
Frames render in parallel; --evolve makes the strokes change from frame to frame; with no pattern
in IN, every frame starts from the same picture. A frame's picture depends only on its number, so
a sequence may be split into chunks rendered by separate calls (see docs/farm.md).

Progress: a bar on a terminal; otherwise (a render farm's log) one line per finished frame with
its number, file and time.

Files: an input larger than --max-pixels (default 134217728, a 16384x8192 picture) is refused
before it is read; so is a contact sheet that would be. OUT appears whole or not at all: it is
written beside its final name and renamed into place, keeping an existing file's permissions
and writing through a symbolic link. OUT may not be IN. Interrupted (SIGINT, SIGTERM, SIGHUP),
morvane removes its unfinished files and exits with 128 + the signal number.

Exit codes: 0 done, 1 a file could not be read or written, 2 the command line is wrong.
)usage";
}

}  // namespace morvane::cli
