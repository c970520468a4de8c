// The pictures that the Linux build and the Windows module must render alike: one photograph,
// controls that between them draw every shape type (outline and filled), the three depths, and
// the two ways a host asks for a frame. The Linux test writes its renders as the reference; the
// Windows test host renders the same cases through Morvane.aex under Wine and compares.
//
// Header-only and portable, so both test programs compile the same table and the same driving.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "effect/control_id.h"
#include "tests/fake_host/fake_host.h"
#include "tests/fake_host/ppm.h"

namespace morvane::testing {

inline constexpr char kPicturePhotograph[] = "chelsea-crop.ppm";

struct PictureControls {
  const char* name;        // file-name stem of the case
  int preset;              // "Preset" popup value, chosen as the user does; 0 keeps the defaults
  int fill = -1;           // 0 or 1: "Fill" changed after the preset
  bool premiere = false;   // also rendered as Premiere Pro asks (every case is rendered as After
                           // Effects asks; below the request both take the same path)
};

inline constexpr PictureControls kPictureControls[] = {
    {"defaults", 0, -1, true},               // Triangle outline
    {"hatched_shade", 2},                    // Line
    {"curved_shade", 6},                     // Curve
    {"small_triangles", 7},                  // Triangle, filled
    {"perforated_squares", 11},              // Square outline
    {"lozenge_mosaic", 13},                  // Square, filled
    {"dense_pointillism", 14},               // Circle, filled
    {"dense_pointillism_outline", 14, 0},    // Circle outline
    {"rectangle_mosaic", 8, -1, true},       // Rectangle, filled, over the original
    {"rounded_blocks", 18},                  // Rectangle outline
};

enum class PictureHost { kAfterEffects, kPremiere };

inline constexpr WorldDepth kPictureDepths[] = {WorldDepth::k8, WorldDepth::k16, WorldDepth::kFloat};
inline constexpr PictureHost kPictureHosts[] = {PictureHost::kAfterEffects, PictureHost::kPremiere};

inline const char* DepthName(WorldDepth depth) {
  switch (depth) {
    case WorldDepth::k8: return "8";
    case WorldDepth::k16: return "16";
    case WorldDepth::kFloat: return "32f";
  }
  return "?";
}

inline std::string PictureFileName(const PictureControls& controls, WorldDepth depth, PictureHost host) {
  return std::string(controls.name) + "_" + DepthName(depth) +
         (host == PictureHost::kAfterEffects ? "_ae" : "_pr") + ".raw";
}

// One frame as the host produces it: global setup, parameter setup, the controls changed through
// the user-changed-parameter and UI-refresh commands, then smart pre-render and smart render
// (After Effects) or render (Premiere Pro). `effectMain` null means the fake host's default.
// Returns the first failing code; `pixels` gets the output's pixel bytes, row padding left out.
inline PF_Err RenderPicture(PF_FilterProc effectMain, const ArgbImage& photo,
                            const PictureControls& controls, WorldDepth depth, PictureHost kind,
                            std::vector<uint8_t>& pixels) {
  FakeHost host(kind == PictureHost::kPremiere ? FakeHost::kPremiereApplId
                                               : FakeHost::kAfterEffectsApplId);
  if (effectMain != nullptr) host.effectMain = effectMain;
  PF_Err err = host.GlobalSetup();
  if (err == PF_Err_NONE) err = host.SetupParams();
  if (err == PF_Err_NONE && controls.preset != 0) {
    host.value(SlotOf(ControlId::kPreset)) = controls.preset;
    err = host.UserChanged(SlotOf(ControlId::kPreset));
  }
  if (err == PF_Err_NONE && controls.fill >= 0) {
    host.value(SlotOf(ControlId::kFill)) = controls.fill;
    err = host.UserChanged(SlotOf(ControlId::kFill));
  }
  if (err == PF_Err_NONE) err = host.Call(PF_Cmd_UPDATE_PARAMS_UI);

  FakeWorld input = FakeWorld::FromArgb8(depth, photo.width, photo.height, photo.argb.data());
  FakeWorld output(depth, photo.width, photo.height);
  if (err == PF_Err_NONE) {
    err = kind == PictureHost::kPremiere ? host.RenderPremiere(input, output)
                                         : host.RenderSmart(input, output);
  }
  pixels = output.PixelBytes();
  return err;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

inline bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes.clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

// Pixels (all four channels at the depth's size) in which two renders of the same size differ.
inline size_t DifferingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                              WorldDepth depth) {
  const size_t pixelBytes = depth == WorldDepth::k8 ? 4 : depth == WorldDepth::k16 ? 8 : 16;
  size_t differing = 0;
  for (size_t i = 0; i + pixelBytes <= a.size() && i + pixelBytes <= b.size(); i += pixelBytes) {
    for (size_t k = 0; k < pixelBytes; ++k) {
      if (a[i + k] != b[i + k]) {
        ++differing;
        break;
      }
    }
  }
  return differing;
}

}  // namespace morvane::testing
