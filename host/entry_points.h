// The module's two exported functions, with C linkage and undecorated names.
#pragma once
#include "host_api/ae_types.h"

#if defined(_WIN32)
#define MORVANE_EXPORT __declspec(dllexport)
#else
#define MORVANE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
MORVANE_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamList params, PF_LayerDef* output, void* extra);
MORVANE_EXPORT A_Err PluginDataEntryFunction(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                             SPBasicSuite* inSPBasicSuitePtr, const char* inHostName,
                                             const char* inHostVersion);
}
