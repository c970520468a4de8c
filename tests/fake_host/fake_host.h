// A host for tests: in_data and out_data, the interaction, utility, pre-render and smart render
// callbacks, a basic suite handing out the three suites the effect uses, and worlds at the three
// depths. Every call the effect makes is recorded in order, and each callback can be made to fail.
//
// Portable C++ with no platform calls, so the Windows test host can reuse it.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effect/control_id.h"
#include "host_api/ae_types.h"

namespace morvane::testing {

enum class WorldDepth { k8, k16, kFloat };

// A world whose rows are longer than its pixels: the padding holds a sentinel so tests can prove
// that nothing past a row's pixels is touched.
class FakeWorld {
 public:
  static constexpr uint8_t kPadSentinel = 0xA5;

  FakeWorld(WorldDepth depth, int32_t width, int32_t height, int32_t padBytes = 12);
  // From 8-bit ARGB pixels: 16-bit takes v × 32768 / 255 (rounded), float v / 255.
  static FakeWorld FromArgb8(WorldDepth depth, int32_t width, int32_t height, const uint8_t* argb,
                             int32_t padBytes = 12);

  WorldDepth depth() const { return depth_; }
  int32_t width() const { return world_.width; }
  int32_t height() const { return world_.height; }
  int32_t bytesPerPixel() const;
  PF_EffectWorld* world() { return &world_; }
  uint8_t* row(int32_t y) { return bytes_.data() + static_cast<size_t>(y) * world_.rowbytes; }
  const uint8_t* row(int32_t y) const { return bytes_.data() + static_cast<size_t>(y) * world_.rowbytes; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  // Channel c (0 alpha, 1 red, 2 green, 3 blue) of pixel (x, y) as a double at the depth's scale.
  double channel(int32_t x, int32_t y, int c) const;
  void SetChannel(int32_t x, int32_t y, int c, double v);
  void Fill(double a, double r, double g, double b);
  bool PaddingIntact() const;
  // The pixel bytes only (row padding left out), for comparisons and checksums.
  std::vector<uint8_t> PixelBytes() const;

 private:
  WorldDepth depth_;
  std::vector<uint8_t> bytes_;
  PF_EffectWorld world_{};
};

PF_PixelFormat SmartFormatOf(WorldDepth depth);
PrPixelFormat PremiereFormatOf(WorldDepth depth);

// FNV-1a over bytes: a compact fingerprint for golden outputs.
uint64_t Fingerprint(const std::vector<uint8_t>& bytes);

class FakeHost {
 public:
  static constexpr uint32_t kAfterEffectsApplId = 0x46584146;  // 'FXAF'
  static constexpr uint32_t kPremiereApplId = 0x50724D72;      // 'PrMr'

  explicit FakeHost(uint32_t applId = kAfterEffectsApplId);
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  PF_InData in_data{};
  PF_OutData out_data{};

  // ---- What the effect did, in order ----------------------------------------------------------
  std::vector<std::string> calls;
  std::vector<PF_ParamDef> added;  // records handed to add_param
  std::vector<PrPixelFormat> supportedFormats;
  int clearSupportedCalls = 0;
  std::map<std::string, int> suitesHeld;  // name → acquisitions not yet released
  std::vector<PF_ParamIndex> updatedParams;  // indices passed to PF_UpdateParamUI
  std::vector<PF_ParamDef> updatedRecords;   // each such record as it stood at the call
  bool Called(const std::string& prefix) const;
  size_t count(const std::string& prefix) const;

  // ---- Failures to inject ---------------------------------------------------------------------
  std::vector<std::string> missingSuites;  // AcquireSuite fails for these names
  int failAddParamAt = -1;                 // add_param fails for this control index
  PF_Err addParamError = PF_Err_OUT_OF_MEMORY;
  int failCheckoutParamAt = -1;            // checkout_param fails for this index
  PF_Err checkoutParamError = PF_Err_INVALID_INDEX;
  PF_Err checkoutLayerError = PF_Err_NONE;
  PF_Err checkoutPixelsError = PF_Err_NONE;
  PF_Err checkoutOutputError = PF_Err_NONE;
  PF_Err checkinPixelsError = PF_Err_NONE;
  PF_Err getPixelFormatError = PF_Err_NONE;
  int failUpdateParamUIAtCall = -1;        // the n-th PF_UpdateParamUI call (0-based) fails
  PF_Err updateParamUIError = PF_Err_INVALID_CALLBACK;
  bool nullInputPixels = false;            // checkout_layer_pixels succeeds with no world
  int32_t forcedPixelFormat = 0;           // when not 0, GetPixelFormat answers this

  // ---- Parameters as the host holds them ------------------------------------------------------
  // params[0] is the input layer, params[1..25] the controls (after SetupParams), then null.
  std::array<PF_ParamDef, 26> paramDefs{};
  std::array<PF_ParamDef*, 27> params{};
  int32_t& value(int index);       // the value field of control `index`
  int32_t& value(ControlId id) { return value(SlotOf(id)); }
  PF_ParamDef& param(int index) { return paramDefs[index]; }
  PF_ParamDef& param(ControlId id) { return paramDefs[SlotOf(id)]; }
  // Registers the controls through EffectMain and takes their defaults as the current values.
  PF_Err SetupParams();

  // ---- Pre-render and smart render ------------------------------------------------------------
  PF_PreRenderInput preInput{};
  PF_PreRenderOutput preOutput{};
  PF_PreRenderCallbacks preCallbacks{};
  PF_PreRenderExtra preExtra{};
  PF_CheckoutResult checkoutResult{};  // what checkout_layer reports
  PF_RenderRequest lastLayerRequest{};
  PF_SmartRenderInput smartInput{};
  PF_SmartRenderCallbacks smartCallbacks{};
  PF_SmartRenderExtra smartExtra{};
  FakeWorld* inputWorld = nullptr;
  FakeWorld* outputWorld = nullptr;

  // The entry point Call() goes through: the EffectMain linked into the test program, or, in a
  // test host built with MORVANE_FAKE_HOST_LOADS_MODULE, the one it found in the loaded module.
  PF_FilterProc effectMain = nullptr;
  PF_Err Call(PF_Cmd cmd, void* extra = nullptr, PF_LayerDef* output = nullptr);
  PF_Err GlobalSetup() { return Call(PF_Cmd_GLOBAL_SETUP); }
  PF_Err PreRender();
  PF_Err SmartRender();
  // Pre-render then smart render of `input` into `output`, then frees the pre-render block as the
  // host does. Returns the first failing code.
  PF_Err RenderSmart(FakeWorld& input, FakeWorld& output);
  // Premiere Pro's render: params[0] holds `input`.
  PF_Err RenderPremiere(FakeWorld& input, FakeWorld& output);
  PF_Err UserChanged(int index);
  PF_Err UserChanged(ControlId id) { return UserChanged(SlotOf(id)); }

  // Exposed for the callbacks (plain C function pointers find the host through effect_ref).
  static FakeHost* Current();
  PF_Err OnCheckoutParam(PF_ParamIndex index, PF_ParamDef* param);
  PF_Err OnAddParam(PF_ParamDef* def);
  PF_Err OnCheckoutLayer(PF_ParamIndex index, A_long id, const PF_RenderRequest* req, PF_CheckoutResult* result);
  PF_Err OnCheckoutPixels(A_long id, PF_EffectWorld** pixels);
  PF_Err OnCheckinPixels(A_long id);
  PF_Err OnCheckoutOutput(PF_EffectWorld** out);
  SPErr OnAcquire(const char* name, int32_t version, const void** suite);
  SPErr OnRelease(const char* name, int32_t version);
  PF_Err OnUpdateParamUI(PF_ParamIndex index, const PF_ParamDef* def);
  PF_Err OnGetPixelFormat(const PF_EffectWorld* world, int32_t* format);
  PF_Err OnAddSupportedPixelFormat(PrPixelFormat format);
  PF_Err OnClearSupportedPixelFormats();

 private:
  PF_UtilCallbacks utils_{};
  SPBasicSuite basic_{};
  PF_ParamUtilsSuite3 paramUtils_{};
  PF_WorldSuite2 worldSuite_{};
  PF_PixelFormatSuite pixelFormatSuite_{};
  PF_LayerDef* premiereOutput_ = nullptr;
};

}  // namespace morvane::testing
