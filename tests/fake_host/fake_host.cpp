#include "tests/fake_host/fake_host.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/entry_points.h"

namespace morvane::testing {
namespace {

thread_local FakeHost* tCurrent = nullptr;

#if defined(MORVANE_FAKE_HOST_LOADS_MODULE)
constexpr PF_FilterProc kLinkedEffectMain = nullptr;
#else
constexpr PF_FilterProc kLinkedEffectMain = &EffectMain;
#endif

FakeHost* HostOf(PF_ProgPtr ref) { return reinterpret_cast<FakeHost*>(ref); }

PF_Err CheckoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* param) {
  return HostOf(ref)->OnCheckoutParam(index, param);
}
PF_Err CheckinParam(PF_ProgPtr ref, PF_ParamDef*) {
  HostOf(ref)->calls.push_back("checkin_param");
  return PF_Err_NONE;
}
PF_Err AddParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDef* def) {
  if (index != -1) HostOf(ref)->calls.push_back("add_param with index " + std::to_string(index));
  return HostOf(ref)->OnAddParam(def);
}
int Sprintf(A_char* dst, const A_char* format, ...) {
  if (tCurrent != nullptr) tCurrent->calls.push_back(std::string("sprintf ") + format);
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(dst, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
  va_end(args);
  return n;
}
A_char* Strcpy(A_char* dst, const A_char* src) { return std::strcpy(dst, src); }

PF_Err CheckoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest* req, A_long,
                     A_long, A_u_long, PF_CheckoutResult* result) {
  return HostOf(ref)->OnCheckoutLayer(index, id, req, result);
}
PF_Err CheckoutPixels(PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels) {
  return HostOf(ref)->OnCheckoutPixels(id, pixels);
}
PF_Err CheckinPixels(PF_ProgPtr ref, A_long id) { return HostOf(ref)->OnCheckinPixels(id); }
PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** out) { return HostOf(ref)->OnCheckoutOutput(out); }

SPErr Acquire(const char* name, int32_t version, const void** suite) {
  return tCurrent->OnAcquire(name, version, suite);
}
SPErr Release(const char* name, int32_t version) { return tCurrent->OnRelease(name, version); }

PF_Err UpdateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def) {
  return HostOf(ref)->OnUpdateParamUI(index, def);
}
PF_Err WorldGetPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) {
  return tCurrent->OnGetPixelFormat(world, format);
}
PF_Err PremiereGetPixelFormat(PF_EffectWorld* world, PrPixelFormat* format) {
  return tCurrent->OnGetPixelFormat(world, format);
}
PF_Err AddSupportedPixelFormat(PF_ProgPtr ref, PrPixelFormat format) {
  return HostOf(ref)->OnAddSupportedPixelFormat(format);
}
PF_Err ClearSupportedPixelFormats(PF_ProgPtr ref) { return HostOf(ref)->OnClearSupportedPixelFormats(); }

}  // namespace

// ---- FakeWorld ----------------------------------------------------------------------------------

FakeWorld::FakeWorld(WorldDepth depth, int32_t width, int32_t height, int32_t padBytes) : depth_(depth) {
  world_.width = width;
  world_.height = height;
  world_.rowbytes = width * bytesPerPixel() + padBytes;
  world_.world_flags = depth == WorldDepth::k16 ? PF_WorldFlag_DEEP | PF_WorldFlag_WRITEABLE : PF_WorldFlag_WRITEABLE;
  bytes_.assign(static_cast<size_t>(world_.rowbytes) * std::max(height, 1), kPadSentinel);
  if (width > 0) {  // a zero-width world with no padding has no bytes at all
    for (int32_t y = 0; y < height; ++y) std::memset(row(y), 0, static_cast<size_t>(width) * bytesPerPixel());
  }
  world_.data = bytes_.data();
  world_.extent_hint = {0, 0, width, height};
}

FakeWorld FakeWorld::FromArgb8(WorldDepth depth, int32_t width, int32_t height, const uint8_t* argb,
                               int32_t padBytes) {
  FakeWorld w(depth, width, height, padBytes);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 4; ++c) {
        const int v = argb[(static_cast<size_t>(y) * width + x) * 4 + c];
        switch (depth) {
          case WorldDepth::k8: w.SetChannel(x, y, c, v); break;
          case WorldDepth::k16: w.SetChannel(x, y, c, (v * 32768 + 127) / 255); break;
          case WorldDepth::kFloat: w.SetChannel(x, y, c, static_cast<float>(v) / 255.0f); break;
        }
      }
    }
  }
  return w;
}

int32_t FakeWorld::bytesPerPixel() const {
  switch (depth_) {
    case WorldDepth::k8: return 4;
    case WorldDepth::k16: return 8;
    case WorldDepth::kFloat: return 16;
  }
  return 4;
}

double FakeWorld::channel(int32_t x, int32_t y, int c) const {
  const uint8_t* p = row(y) + static_cast<size_t>(x) * bytesPerPixel();
  switch (depth_) {
    case WorldDepth::k8: return p[c];
    case WorldDepth::k16: {
      uint16_t v;
      std::memcpy(&v, p + 2 * c, 2);
      return v;
    }
    case WorldDepth::kFloat: {
      float v;
      std::memcpy(&v, p + 4 * c, 4);
      return v;
    }
  }
  return 0;
}

void FakeWorld::SetChannel(int32_t x, int32_t y, int c, double v) {
  uint8_t* p = row(y) + static_cast<size_t>(x) * bytesPerPixel();
  switch (depth_) {
    case WorldDepth::k8: p[c] = static_cast<uint8_t>(v); break;
    case WorldDepth::k16: {
      const auto u = static_cast<uint16_t>(v);
      std::memcpy(p + 2 * c, &u, 2);
      break;
    }
    case WorldDepth::kFloat: {
      const auto f = static_cast<float>(v);
      std::memcpy(p + 4 * c, &f, 4);
      break;
    }
  }
}

void FakeWorld::Fill(double a, double r, double g, double b) {
  for (int32_t y = 0; y < height(); ++y) {
    for (int32_t x = 0; x < width(); ++x) {
      SetChannel(x, y, 0, a);
      SetChannel(x, y, 1, r);
      SetChannel(x, y, 2, g);
      SetChannel(x, y, 3, b);
    }
  }
}

bool FakeWorld::PaddingIntact() const {
  const size_t pixels = static_cast<size_t>(width()) * bytesPerPixel();
  for (int32_t y = 0; y < height(); ++y) {
    for (size_t i = pixels; i < static_cast<size_t>(world_.rowbytes); ++i) {
      if (row(y)[i] != kPadSentinel) return false;
    }
  }
  return true;
}

std::vector<uint8_t> FakeWorld::PixelBytes() const {
  std::vector<uint8_t> out;
  const size_t pixels = static_cast<size_t>(width()) * bytesPerPixel();
  out.reserve(pixels * height());
  for (int32_t y = 0; y < height(); ++y) out.insert(out.end(), row(y), row(y) + pixels);
  return out;
}

PF_PixelFormat SmartFormatOf(WorldDepth depth) {
  switch (depth) {
    case WorldDepth::k8: return static_cast<PF_PixelFormat>(PF_PixelFormat_ARGB32);
    case WorldDepth::k16: return static_cast<PF_PixelFormat>(PF_PixelFormat_ARGB64);
    case WorldDepth::kFloat: return static_cast<PF_PixelFormat>(PF_PixelFormat_ARGB128);
  }
  return static_cast<PF_PixelFormat>(PF_PixelFormat_INVALID);
}

PrPixelFormat PremiereFormatOf(WorldDepth depth) {
  switch (depth) {
    case WorldDepth::k8: return static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_8u);
    case WorldDepth::k16: return static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_16u);
    case WorldDepth::kFloat: return static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_32f);
  }
  return static_cast<PrPixelFormat>(PF_PixelFormat_INVALID);
}

uint64_t Fingerprint(const std::vector<uint8_t>& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 1099511628211ull;
  }
  return h;
}

// ---- FakeHost -----------------------------------------------------------------------------------

FakeHost::FakeHost(uint32_t applId) : effectMain(kLinkedEffectMain) {
  tCurrent = this;
  in_data.inter.checkout_param = &CheckoutParam;
  in_data.inter.checkin_param = &CheckinParam;
  in_data.inter.add_param = &AddParam;
  utils_.ansi.sprintf = &Sprintf;
  utils_.ansi.strcpy = &Strcpy;
  in_data.utils = &utils_;
  in_data.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
  in_data.appl_id = static_cast<A_long>(applId);
  in_data.version = {13, 28};
  in_data.current_time = 0;
  in_data.time_step = 1;
  in_data.time_scale = 24;
  in_data.width = 0;
  in_data.height = 0;
  basic_.AcquireSuite = &Acquire;
  basic_.ReleaseSuite = &Release;
  in_data.pica_basicP = &basic_;
  paramUtils_.PF_UpdateParamUI = &UpdateParamUI;
  worldSuite_.PF_GetPixelFormat = &WorldGetPixelFormat;
  pixelFormatSuite_.AddSupportedPixelFormat = &AddSupportedPixelFormat;
  pixelFormatSuite_.ClearSupportedPixelFormats = &ClearSupportedPixelFormats;
  pixelFormatSuite_.GetPixelFormat = &PremiereGetPixelFormat;

  preCallbacks.checkout_layer = &CheckoutLayer;
  preExtra.input = &preInput;
  preExtra.output = &preOutput;
  preExtra.cb = &preCallbacks;
  smartCallbacks.checkout_layer_pixels = &CheckoutPixels;
  smartCallbacks.checkin_layer_pixels = &CheckinPixels;
  smartCallbacks.checkout_output = &CheckoutOutput;
  smartExtra.input = &smartInput;
  smartExtra.cb = &smartCallbacks;

  paramDefs[0].param_type = PF_Param_LAYER;
  for (size_t i = 0; i < paramDefs.size(); ++i) params[i] = &paramDefs[i];
  params[paramDefs.size()] = nullptr;
}

FakeHost::~FakeHost() {
  if (tCurrent == this) tCurrent = nullptr;
}

FakeHost* FakeHost::Current() { return tCurrent; }

bool FakeHost::Called(const std::string& prefix) const { return count(prefix) > 0; }

size_t FakeHost::count(const std::string& prefix) const {
  size_t n = 0;
  for (const auto& c : calls) n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

int32_t& FakeHost::value(int index) {
  PF_ParamDef& d = paramDefs[index];
  switch (d.param_type) {
    case PF_Param_POPUP: return d.u.pd.value;
    case PF_Param_CHECKBOX: return d.u.bd.value;
    default: return d.u.fd.value;
  }
}

PF_Err FakeHost::SetupParams() {
  added.clear();
  const PF_Err err = Call(PF_Cmd_PARAMS_SETUP);
  for (size_t i = 0; i < added.size() && i + 1 < paramDefs.size(); ++i) paramDefs[i + 1] = added[i];
  return err;
}

PF_Err FakeHost::Call(PF_Cmd cmd, void* extra, PF_LayerDef* output) {
  tCurrent = this;
  if (effectMain == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return effectMain(cmd, &in_data, &out_data, params.data(), output, extra);
}

PF_Err FakeHost::PreRender() {
  preOutput = PF_PreRenderOutput{};
  return Call(PF_Cmd_SMART_PRE_RENDER, &preExtra);
}

PF_Err FakeHost::SmartRender() {
  smartInput.pre_render_data = preOutput.pre_render_data;
  return Call(PF_Cmd_SMART_RENDER, &smartExtra);
}

PF_Err FakeHost::RenderSmart(FakeWorld& input, FakeWorld& output) {
  inputWorld = &input;
  outputWorld = &output;
  if (in_data.width == 0) in_data.width = input.width();
  if (in_data.height == 0) in_data.height = input.height();
  preInput.output_request.rect = {0, 0, output.width(), output.height()};
  preInput.output_request.channel_mask = 0xF;
  checkoutResult.result_rect = {0, 0, input.width(), input.height()};
  checkoutResult.max_result_rect = checkoutResult.result_rect;
  PF_Err err = PreRender();
  if (err == PF_Err_NONE) err = SmartRender();
  if (preOutput.delete_pre_render_data_func != nullptr && preOutput.pre_render_data != nullptr) {
    preOutput.delete_pre_render_data_func(preOutput.pre_render_data);
  }
  preOutput.pre_render_data = nullptr;
  smartInput.pre_render_data = nullptr;
  return err;
}

PF_Err FakeHost::RenderPremiere(FakeWorld& input, FakeWorld& output) {
  inputWorld = &input;
  outputWorld = &output;
  if (in_data.width == 0) in_data.width = input.width();
  if (in_data.height == 0) in_data.height = input.height();
  paramDefs[0].param_type = PF_Param_LAYER;
  paramDefs[0].u.ld = *input.world();
  premiereOutput_ = output.world();
  return Call(PF_Cmd_RENDER, nullptr, output.world());
}

PF_Err FakeHost::UserChanged(int index) {
  PF_UserChangedParamExtra extra{index};
  return Call(PF_Cmd_USER_CHANGED_PARAM, &extra);
}

PF_Err FakeHost::OnCheckoutParam(PF_ParamIndex index, PF_ParamDef* param) {
  calls.push_back("checkout_param " + std::to_string(index));
  if (index == failCheckoutParamAt) return checkoutParamError;
  if (index < 0 || index >= static_cast<int>(paramDefs.size())) return PF_Err_INVALID_INDEX;
  *param = paramDefs[index];
  return PF_Err_NONE;
}

PF_Err FakeHost::OnAddParam(PF_ParamDef* def) {
  const int index = static_cast<int>(added.size()) + 1;
  calls.push_back("add_param " + std::to_string(index));
  if (index == failAddParamAt) return addParamError;
  added.push_back(*def);
  return PF_Err_NONE;
}

PF_Err FakeHost::OnCheckoutLayer(PF_ParamIndex index, A_long id, const PF_RenderRequest* req,
                                 PF_CheckoutResult* result) {
  calls.push_back("checkout_layer " + std::to_string(index) + " " + std::to_string(id));
  lastLayerRequest = *req;
  if (checkoutLayerError != PF_Err_NONE) return checkoutLayerError;
  *result = checkoutResult;
  return PF_Err_NONE;
}

PF_Err FakeHost::OnCheckoutPixels(A_long id, PF_EffectWorld** pixels) {
  calls.push_back("checkout_layer_pixels " + std::to_string(id));
  if (checkoutPixelsError != PF_Err_NONE) return checkoutPixelsError;
  *pixels = nullInputPixels || inputWorld == nullptr ? nullptr : inputWorld->world();
  return PF_Err_NONE;
}

PF_Err FakeHost::OnCheckinPixels(A_long id) {
  calls.push_back("checkin_layer_pixels " + std::to_string(id));
  return checkinPixelsError;
}

PF_Err FakeHost::OnCheckoutOutput(PF_EffectWorld** out) {
  calls.push_back("checkout_output");
  if (checkoutOutputError != PF_Err_NONE) return checkoutOutputError;
  *out = outputWorld != nullptr ? outputWorld->world() : nullptr;
  return PF_Err_NONE;
}

SPErr FakeHost::OnAcquire(const char* name, int32_t version, const void** suite) {
  const std::string n(name);
  calls.push_back("AcquireSuite " + n + " " + std::to_string(version));
  for (const auto& m : missingSuites) {
    if (m == n) return kSPSuiteNotFoundError;
  }
  if (n == kPFParamUtilsSuite && version == kPFParamUtilsSuiteVersion3) {
    *suite = &paramUtils_;
  } else if (n == kPFWorldSuite && version == kPFWorldSuiteVersion2) {
    *suite = &worldSuite_;
  } else if (n == kPFPixelFormatSuite && version == kPFPixelFormatSuiteVersion1) {
    *suite = &pixelFormatSuite_;
  } else {
    return kSPSuiteNotFoundError;
  }
  ++suitesHeld[n];
  return kSPNoError;
}

SPErr FakeHost::OnRelease(const char* name, int32_t version) {
  const std::string n(name);
  calls.push_back("ReleaseSuite " + n + " " + std::to_string(version));
  --suitesHeld[n];
  return kSPNoError;
}

PF_Err FakeHost::OnUpdateParamUI(PF_ParamIndex index, const PF_ParamDef* def) {
  calls.push_back("PF_UpdateParamUI " + std::to_string(index));
  const int callNumber = static_cast<int>(updatedParams.size());
  updatedParams.push_back(index);
  if (index < 0 || index >= static_cast<int>(paramDefs.size()) || def != &paramDefs[index]) {
    updatedRecords.emplace_back();
    return PF_Err_BAD_CALLBACK_PARAM;  // the effect must pass the host's own record
  }
  updatedRecords.push_back(*def);
  if (callNumber == failUpdateParamUIAtCall) return updateParamUIError;
  return PF_Err_NONE;
}

PF_Err FakeHost::OnGetPixelFormat(const PF_EffectWorld* world, int32_t* format) {
  calls.push_back("GetPixelFormat");
  if (getPixelFormatError != PF_Err_NONE) return getPixelFormatError;
  if (forcedPixelFormat != 0) {
    *format = forcedPixelFormat;
    return PF_Err_NONE;
  }
  const bool premiere = static_cast<uint32_t>(in_data.appl_id) == kPremiereApplId;
  const FakeWorld* w = nullptr;
  if (inputWorld != nullptr && world == inputWorld->world()) w = inputWorld;
  if (outputWorld != nullptr && world == outputWorld->world()) w = outputWorld;
  if (w == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *format = premiere ? PremiereFormatOf(w->depth()) : SmartFormatOf(w->depth());
  return PF_Err_NONE;
}

PF_Err FakeHost::OnAddSupportedPixelFormat(PrPixelFormat format) {
  calls.push_back("AddSupportedPixelFormat");
  supportedFormats.push_back(format);
  return PF_Err_NONE;
}

PF_Err FakeHost::OnClearSupportedPixelFormats() {
  calls.push_back("ClearSupportedPixelFormats");
  ++clearSupportedCalls;
  supportedFormats.clear();
  return PF_Err_NONE;
}

}  // namespace morvane::testing
