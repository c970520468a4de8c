// The two exported entry points and the command dispatch. Every handler runs inside one catch
// that turns a raised host error code into the command's result: nothing thrown ever crosses
// into the host.
#include <new>

#include "host/commands.h"
#include "host/effect_info.h"
#include "host/entry_points.h"
#include "host/suites.h"

namespace morvane {
namespace {

PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
                PF_LayerDef* output, void* extra) {
  switch (cmd) {
    case PF_Cmd_ABOUT: return About(in_data, out_data);
    case PF_Cmd_GLOBAL_SETUP: return GlobalSetup(in_data, out_data);
    case PF_Cmd_PARAMS_SETUP: return ParamsSetup(in_data, out_data);
    case PF_Cmd_RENDER: return Render(in_data, out_data, params, output);
    case PF_Cmd_USER_CHANGED_PARAM:
      return UserChangedParam(in_data, out_data, params, static_cast<const PF_UserChangedParamExtra*>(extra));
    case PF_Cmd_UPDATE_PARAMS_UI: return UpdateParamsUI(in_data, out_data, params);
    case PF_Cmd_SMART_PRE_RENDER: return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER: return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
    default: return PF_Err_NONE;  // global setdown, sequence setup and resetup, dialog, the rest
  }
}

}  // namespace
}  // namespace morvane

extern "C" PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamList params,
                             PF_LayerDef* output, void* extra) {
  try {
    return morvane::Dispatch(cmd, in_data, out_data, params, output, extra);
  } catch (const morvane::HostError& e) {
    return e.code;
  } catch (const std::bad_alloc&) {
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}

extern "C" A_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                         SPBasicSuite*, const char*, const char*) {
  using namespace morvane;
  return inPluginDataCallBackPtr(inPtr, reinterpret_cast<const A_u_char*>(kEffectName),
                                 reinterpret_cast<const A_u_char*>(kEffectMatchName),
                                 reinterpret_cast<const A_u_char*>(kEffectCategory),
                                 reinterpret_cast<const A_u_char*>(kEntryPointName),
                                 static_cast<A_long>(kEffectKind), kApiVersionMajor, kApiVersionMinor,
                                 kPluginDataReservedInfo);
}
