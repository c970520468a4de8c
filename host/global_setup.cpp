
// About and global setup: what the effect tells the host about itself, and in Premiere Pro the
// pixel formats it can render.
#include "host/commands.h"
#include "host/effect_info.h"

namespace morvane {

const PF_PixelFormatSuite* gPixelFormatSuite = nullptr;

PF_Err About(PF_InData* in_data, PF_OutData* out_data) {
  in_data->utils->ansi.sprintf(out_data->return_msg, "%s, v%d.%d.%d", kEffectName, kMajorVersion,
                               kMinorVersion, kFixVersion);
  return PF_Err_NONE;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
  out_data->my_version = kVersionWord;
  out_data->out_flags = static_cast<PF_OutFlags>(kOutFlags);
  out_data->out_flags2 = static_cast<PF_OutFlags2>(kOutFlags2);

  if (static_cast<uint32_t>(in_data->appl_id) == kPremiereApplId) {
    // Premiere Pro without the suite still renders its default 8-bit ARGB format, so global
    // setup goes on without offering the deeper ones.
    const void* suite = nullptr;
    SPBasicSuite* basic = in_data->pica_basicP;
    if (basic == nullptr || basic->AcquireSuite(kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &suite) != kSPNoError ||
        suite == nullptr) {
      return PF_Err_NONE;
    }
    gPixelFormatSuite = static_cast<const PF_PixelFormatSuite*>(suite);
    gPixelFormatSuite->ClearSupportedPixelFormats(in_data->effect_ref);
    gPixelFormatSuite->AddSupportedPixelFormat(in_data->effect_ref, static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_8u));
    gPixelFormatSuite->AddSupportedPixelFormat(in_data->effect_ref, static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_16u));
    gPixelFormatSuite->AddSupportedPixelFormat(in_data->effect_ref, static_cast<PrPixelFormat>(PrPixelFormat_ARGB_4444_32f));
  }
  return PF_Err_NONE;
}

}  // namespace morvane
