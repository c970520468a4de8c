// morvane, the Python module: the effect applied to NumPy arrays, for pipeline scripts.
//
// A thin front end on the command-line renderer's library: controls are built by the same code
// (defaults, preset, then one change per keyword, with the same checks and messages), arrays are
// converted as the image files are, and the render is the same call, so an array renders to the
// same pixels as the file through `morvane render`. The GIL is released while the effect renders.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cctype>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "cli/cli_error.h"
#include "cli/control_values.h"
#include "cli/image_file.h"
#include "cli/render_job.h"
#include "cli/text_util.h"
#include "effect/controls.h"
#include "effect/presets.h"
#include "support/text.h"

namespace py = pybind11;

namespace morvane::python {
namespace {

using cli::CliError;
using cli::Image;
using cli::SampleType;

// The keyword of a control: its panel name in lower case, every run of other characters one "_"
// ("Random Seed (Evolution)" is random_seed_evolution, "Starting Pos. Strategy" starting_pos_strategy).
std::string KeywordOf(const char* name) {
  std::string key;
  for (const char* c = name; *c != '\0'; ++c) {
    const unsigned char ch = static_cast<unsigned char>(*c);
    if (std::isalnum(ch)) {
      key += LowerAscii(*c);
    } else if (!key.empty() && key.back() != '_') {
      key += '_';
    }
  }
  while (!key.empty() && key.back() == '_') key.pop_back();
  return key;
}

const ControlDef* ControlOfKeyword(const std::string& key) {
  for (const ControlDef& c : Controls()) {
    if (cli::Settable(c) && KeywordOf(c.name) == key) return &c;
  }
  return nullptr;
}

// A keyword's value as the command line's --set would spell it.
std::string ValueText(const py::handle& value) {
  if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "on" : "off";
  if (py::isinstance<py::int_>(value)) return py::str(value).cast<std::string>();
  if (py::isinstance<py::float_>(value)) return py::repr(value).cast<std::string>();
  if (py::isinstance<py::str>(value)) return value.cast<std::string>();
  throw py::type_error("control values are numbers, strings or booleans, got " +
                       py::str(py::type::of(value)).cast<std::string>());
}

std::vector<std::string> Overrides(const py::kwargs& controls) {
  std::vector<std::string> overrides;
  for (const auto& [key, value] : controls) {
    const std::string k = key.cast<std::string>();
    const ControlDef* c = ControlOfKeyword(k);
    if (c == nullptr) {
      std::string valid;
      for (const ControlDef& d : Controls()) {
        if (cli::Settable(d)) valid += (valid.empty() ? "" : ", ") + KeywordOf(d.name);
      }
      throw py::value_error("unknown control \"" + k + "\"; valid controls: " + valid);
    }
    overrides.push_back(std::string(c->name) + "=" + ValueText(value));
  }
  return overrides;
}

std::optional<Depth> DepthOf(const py::object& depth) {
  if (depth.is_none()) return std::nullopt;
  const int bits = depth.cast<int>();
  if (bits == 8) return Depth::k8;
  if (bits == 16) return Depth::k16;
  if (bits == 32) return Depth::kFloat;
  throw py::value_error("depth " + std::to_string(bits) + ": expected 8, 16 or 32 (float)");
}

template <class T>
py::array_t<T> Render(const py::array& source, SampleType type, const ControlValues& values,
                      std::optional<Depth> depth, int threads) {
  const auto input = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(source);
  const int32_t height = static_cast<int32_t>(input.shape(0));
  const int32_t width = static_cast<int32_t>(input.shape(1));
  const int channels = static_cast<int>(input.shape(2));
  py::array_t<T> output({static_cast<py::ssize_t>(height), static_cast<py::ssize_t>(width),
                         static_cast<py::ssize_t>(channels)});
  const T* in = input.data();
  T* out = output.mutable_data();
  {
    py::gil_scoped_release released;
    const Image picture = cli::ImageFromSamples(in, type, width, height, channels, depth);
    const Image rendered = cli::RenderImage(picture, values, cli::ThreadCount(threads), type);
    cli::SamplesFromImage(rendered, type, channels, out);
  }
  return output;
}

py::array RenderArray(const py::array& image, const py::object& preset, const py::object& depth, int threads,
                      const py::kwargs& controls) {
  if (image.ndim() != 3 || (image.shape(2) != 3 && image.shape(2) != 4)) {
    throw py::value_error("expected an array of height x width x 3 or 4 (red, green, blue, alpha)");
  }
  if (image.shape(0) < 1 || image.shape(1) < 1) throw py::value_error("the array holds no pixels");
  if (static_cast<int64_t>(image.shape(0)) * image.shape(1) > cli::kDefaultMaxPixels ||
      image.shape(1) > cli::kMaxWidth) {
    throw py::value_error("the array is larger than " + std::to_string(cli::kDefaultMaxPixels) + " pixels");
  }
  if (threads < 0) throw py::value_error("threads must be 0 (every core) or more");
  try {
    const int presetNumber = preset.is_none() ? 0 : cli::ParsePreset(py::str(preset).cast<std::string>());
    const ControlValues values = cli::BuildControlValues(presetNumber, Overrides(controls));
    const std::optional<Depth> forced = DepthOf(depth);
    const py::dtype dtype = image.dtype();
    if (dtype.is(py::dtype::of<uint8_t>())) return Render<uint8_t>(image, SampleType::kUint8, values, forced, threads);
    if (dtype.is(py::dtype::of<uint16_t>())) {
      return Render<uint16_t>(image, SampleType::kUint16, values, forced, threads);
    }
    if (dtype.is(py::dtype::of<float>())) return Render<float>(image, SampleType::kFloat, values, forced, threads);
  } catch (const CliError& e) {
    throw py::value_error(e.what());
  }
  throw py::type_error("expected an array of uint8, uint16 (0..65535) or float32 samples, got " +
                       py::str(image.dtype()).cast<std::string>());
}

py::list ControlList() {
  py::list list;
  for (const ControlDef& c : Controls()) {
    if (!cli::Settable(c)) continue;
    py::dict d;
    d["name"] = c.name;
    d["keyword"] = KeywordOf(c.name);
    switch (c.kind) {
      case ControlKind::kPopup: {
        d["kind"] = "popup";
        py::list entries;
        for (const std::string_view entry : cli::SplitEntries(c.popupEntries)) entries.append(std::string(entry));
        d["entries"] = entries;
        d["default"] = c.defaultValue;
        break;
      }
      case ControlKind::kCheckbox:
        d["kind"] = "checkbox";
        d["default"] = c.defaultValue != 0;
        break;
      default:
        d["kind"] = "slider";
        d["min"] = c.validMin;
        d["max"] = c.validMax;
        d["default"] = c.defaultValue / 65536.0;
        break;
    }
    list.append(d);
  }
  return list;
}

py::list PresetList() {
  py::list list;
  for (int p = 1; p <= kPresetCount; ++p) list.append(std::string(PresetName(p)));
  return list;
}

}  // namespace
}  // namespace morvane::python

PYBIND11_MODULE(morvane, m) {
  using namespace morvane::python;
  m.doc() = "The Morvane effect applied to NumPy arrays, with the same pixels as the morvane command.";
  m.def("render", &RenderArray, py::arg("image"), py::kw_only(), py::arg("preset") = py::none(),
        py::arg("depth") = py::none(), py::arg("threads") = 0,
        R"doc(Renders the effect over `image` and returns a new array of the same shape and type.

image: height x width x 4 (red, green, blue, alpha) or x 3 (opaque), uint8 (0..255),
       uint16 (0..65535, converted as 16-bit files are) or float32 (1.0 white).
preset: a preset's name or number (1..20); the controls start at their defaults otherwise.
depth: 8, 16 or 32 to force the render depth; by default the array's own.
threads: threads for the render, 0 for every core.
**controls: one keyword per control change, applied after the preset: the panel name in lower
       case with "_" for spaces (line_width=1.8, shape_type="Circle", fill=True, opacity="40%").
Errors are ValueError with the command line's message.)doc");
  m.def("controls", &ControlList, "Every control: name, keyword, kind, range or entries, default.");
  m.def("presets", &PresetList, "The twenty presets' names; preset n is presets()[n - 1].");
}
