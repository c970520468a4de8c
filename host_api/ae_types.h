// The subset of the After Effects effect API that the module uses, declared by this project with
// the API's own type, field and constant names.
//
// Every integer is a fixed-width type so that the Linux x86-64 build has exactly the Windows x64
// layout that the host expects (tests/host/layout_test.cpp checks every offset and size). Never
// use `long` here: it is 64-bit on Linux. Four-character codes are written as numbers: pixel
// formats pack the first character in the low byte, every other code in the high byte.
#pragma once
#include <cstddef>
#include <cstdint>

extern "C" {

// ---- Scalar types -------------------------------------------------------------------------------
typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef uint64_t A_u_longlong;
typedef int32_t A_Err;

typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
typedef int32_t PF_Fixed;
typedef uint32_t PF_UFixed;
typedef int32_t PF_ParamValue;
typedef int32_t PF_ParamIndex;
typedef int32_t PF_Quality;
typedef int32_t PF_Field;
typedef int32_t PF_InFlags;
typedef int32_t PF_OutFlags;
typedef int32_t PF_OutFlags2;
typedef int32_t PF_ParamType;
typedef int32_t PF_ParamFlags;
typedef int32_t PF_ParamUIFlags;
typedef int32_t PF_ChangeFlags;
typedef int32_t PF_WorldFlags;
typedef int32_t PF_ChannelMask;
typedef int32_t PF_GPU_Framework;
typedef int32_t PF_PixelFormat;
typedef int32_t PF_Stage;
typedef int16_t PF_ValueDisplayFlags;
typedef int16_t PF_RenderOutputFlags;
typedef char PF_Boolean;  // one byte, not bool
typedef int32_t PrPixelFormat;
typedef uint32_t PIType;
typedef int32_t SPInt32;
typedef int32_t SPErr;

typedef struct PF_ProgressInfo* PF_ProgPtr;
typedef void** PF_Handle;
typedef struct PF_PluginData* PF_PluginDataPtr;

// ---- Commands, errors, flags ----------------------------------------------------------------------
enum : PF_Cmd {
  PF_Cmd_ABOUT = 0,
  PF_Cmd_GLOBAL_SETUP = 1,
  PF_Cmd_GLOBAL_SETDOWN = 3,
  PF_Cmd_PARAMS_SETUP = 4,
  PF_Cmd_SEQUENCE_SETUP = 5,
  PF_Cmd_SEQUENCE_RESETUP = 6,
  PF_Cmd_SEQUENCE_FLATTEN = 7,
  PF_Cmd_SEQUENCE_SETDOWN = 8,
  PF_Cmd_DO_DIALOG = 9,
  PF_Cmd_FRAME_SETUP = 10,
  PF_Cmd_RENDER = 11,
  PF_Cmd_FRAME_SETDOWN = 12,
  PF_Cmd_USER_CHANGED_PARAM = 13,
  PF_Cmd_UPDATE_PARAMS_UI = 14,
  PF_Cmd_SMART_PRE_RENDER = 23,
  PF_Cmd_SMART_RENDER = 24,
  PF_Cmd_NUM_CMDS = 34,
};

enum : PF_Err {
  PF_Err_NONE = 0,
  PF_Err_OUT_OF_MEMORY = 4,
  PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
  PF_Err_INVALID_INDEX = 513,
  PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
  PF_Err_INVALID_CALLBACK = 515,
  PF_Err_BAD_CALLBACK_PARAM = 516,
  PF_Interrupt_CANCEL = 517,
};

enum : A_Err { A_Err_NONE = 0, A_Err_GENERIC = 1, A_Err_ALLOC = 4, A_Err_MISSING_SUITE = 13 };
enum : SPErr { kSPNoError = 0, kSPSuiteNotFoundError = 0x53214664 };

enum : uint32_t {
  PF_OutFlag_NONE = 0,
  PF_OutFlag_DISPLAY_ERROR_MESSAGE = 0x100,
  PF_OutFlag_DEEP_COLOR_AWARE = 0x02000000,
  PF_OutFlag_SEND_UPDATE_PARAMS_UI = 0x04000000,
  PF_OutFlag2_NONE = 0,
  PF_OutFlag2_I_AM_THREADSAFE = 0x10,
  PF_OutFlag2_SUPPORTS_SMART_RENDER = 0x400,
  PF_OutFlag2_FLOAT_COLOR_AWARE = 0x1000,
};

enum : PF_ParamType {
  PF_Param_RESERVED = -1,
  PF_Param_LAYER = 0,
  PF_Param_SLIDER = 1,
  PF_Param_FIX_SLIDER = 2,
  PF_Param_ANGLE = 3,
  PF_Param_CHECKBOX = 4,
  PF_Param_COLOR = 5,
  PF_Param_POINT = 6,
  PF_Param_POPUP = 7,
  PF_Param_GROUP_START = 13,
  PF_Param_GROUP_END = 14,
};

enum : uint32_t {
  PF_ParamFlag_CANNOT_TIME_VARY = 0x2,
  PF_ParamFlag_CANNOT_INTERP = 0x4,
  PF_ParamFlag_COLLAPSE_TWIRLY = 0x20,
  PF_ParamFlag_START_COLLAPSED = 0x20,
  PF_ParamFlag_SUPERVISE = 0x40,
  PF_PUI_NONE = 0,
  PF_PUI_ECW_SEPARATOR = 0x10,
  PF_PUI_DISABLED = 0x20,
  PF_ValueDisplayFlag_NONE = 0,
  PF_ValueDisplayFlag_PERCENT = 0x1,
  PF_ChangeFlag_NONE = 0,
  PF_ChangeFlag_CHANGED_VALUE = 0x1,
  PF_WorldFlag_DEEP = 0x1,
  PF_WorldFlag_WRITEABLE = 0x2,
};

enum : uint32_t {
  PF_PixelFormat_ARGB32 = 0x62677261,   // 'argb'
  PF_PixelFormat_ARGB64 = 0x36316561,   // 'ae16'
  PF_PixelFormat_ARGB128 = 0x32336561,  // 'ae32'
  PF_PixelFormat_INVALID = 0x66646162,  // 'badf'
  PrPixelFormat_ARGB_4444_8u = 0x62677261,
  PrPixelFormat_ARGB_4444_16u = 0x62677241,
  PrPixelFormat_ARGB_4444_32f = 0x62675241,
};

enum { PF_MAX_EFFECT_NAME_LEN = 31, PF_MAX_EFFECT_PARAM_NAME_LEN = 31, PF_MAX_PARAM_VALUE_LEN = 31,
       PF_MAX_PARAM_DESCRIPTION_LEN = 31, PF_MAX_EFFECT_MSG_LEN = 255 };

// ---- Small records ------------------------------------------------------------------------------
typedef struct { A_long left, top, right, bottom; } PF_LRect;
typedef PF_LRect PF_Rect;
typedef PF_LRect PF_UnionableRect;
typedef struct { A_long h, v; } PF_Point;
typedef struct { A_long num; A_u_long den; } PF_RationalScale;
typedef struct { A_short major, minor; } PF_SpecVersion;
typedef struct { A_u_char alpha, red, green, blue; } PF_Pixel8;
typedef PF_Pixel8 PF_Pixel;
typedef struct { A_u_short alpha, red, green, blue; } PF_Pixel16;
typedef struct { A_FpShort alpha, red, green, blue; } PF_PixelFloat;
typedef PF_PixelFloat PF_Pixel32;
typedef void* PF_PixelPtr;

typedef struct {
  A_FpLong rateF;
  A_short num_channels;
  A_short format;
  A_short sample_size;
} PF_SoundFormatInfo;

typedef struct {
  PF_SoundFormatInfo fi;
  A_long num_samples;
  void* dataP;
} PF_SoundWorld;

typedef struct PF_LayerDef {
  void* reserved0;
  void* reserved1;
  PF_WorldFlags world_flags;
  PF_PixelPtr data;
  A_long rowbytes;
  A_long width;
  A_long height;
  PF_UnionableRect extent_hint;
  void* platform_ref;
  A_long reserved_long1;
  void* reserved_long4;
  PF_RationalScale pix_aspect_ratio;
  void* reserved_long2;
  A_long origin_x;
  A_long origin_y;
  A_long reserved_long3;
  A_long dephault;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

// ---- Parameter records --------------------------------------------------------------------------
typedef struct {
  PF_Fixed value;
  A_char value_str[PF_MAX_PARAM_VALUE_LEN + 1];
  A_char value_desc[PF_MAX_PARAM_DESCRIPTION_LEN + 1];
  PF_Fixed valid_min;
  PF_Fixed valid_max;
  PF_Fixed slider_min;
  PF_Fixed slider_max;
  PF_Fixed dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
} PF_FixedSliderDef;

typedef struct {
  PF_ParamValue value;
  PF_Boolean dephault;
  A_char reserved;
  A_short reserved1;
  union { const A_char* nameptr; } u;
} PF_CheckBoxDef;

typedef struct {
  PF_ParamValue value;
  A_short num_choices;
  A_short dephault;
  union { const A_char* namesptr; } u;
} PF_PopupDef;

// The host's union also holds the other parameter kinds; the layer record is the largest, so
// these four members give the same size and alignment.
typedef union {
  PF_LayerDef ld;
  PF_FixedSliderDef fd;
  PF_CheckBoxDef bd;
  PF_PopupDef pd;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
  union {
    A_long id;
    PF_ChangeFlags change_flags;
  } uu;
  PF_ParamUIFlags ui_flags;
  A_short ui_width;
  A_short ui_height;
  PF_ParamType param_type;
  A_char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
  PF_ParamFlags flags;
  A_long unused;
  PF_ParamDefUnion u;
} PF_ParamDef;

typedef PF_ParamDef** PF_ParamList;

// ---- Callback tables ----------------------------------------------------------------------------
typedef struct {
  PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                           A_long time_step, A_u_long time_scale, PF_ParamDef* param);
  PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
  PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);
  void* abort;
  void* progress;
  void* register_ui;
  void* checkout_layer_audio;
  void* checkin_layer_audio;
  void* get_audio_data;
  void* reserved_str[3];
  void* reserved[10];
} PF_InteractCallbacks;

typedef struct {
  void* atan;
  void* atan2;
  void* ceil;
  void* cos;
  void* exp;
  void* fabs;
  void* floor;
  void* fmod;
  void* hypot;
  void* log;
  void* log10;
  void* pow;
  void* sin;
  void* sqrt;
  void* tan;
  int (*sprintf)(A_char* dst, const A_char* format, ...);
  A_char* (*strcpy)(A_char* dst, const A_char* src);
  void* asin;
  void* acos;
  A_long ansi_procs[1];
} PF_ANSICallbacks;

typedef struct {
  void* RGBtoHLS;
  void* HLStoRGB;
  void* RGBtoYIQ;
  void* YIQtoRGB;
  void* Luminance;
  void* Hue;
  void* Lightness;
  void* Saturation;
} PF_ColorCallbacks;

typedef struct {
  void* begin_sampling;
  void* subpixel_sample;
  void* area_sample;
  void* get_batch_func_is_deprecated;
  void* end_sampling;
  void* composite_rect;
  void* blend;
  void* convolve;
  void* copy;
  void* fill;
  void* gaussian_kernel;
  void* iterate;
  void* premultiply;
  void* premultiply_color;
  void* new_world;
  void* dispose_world;
  void* iterate_origin;
  void* iterate_lut;
  void* transfer_rect;
  void* transform_world;
  void* host_new_handle;
  void* host_lock_handle;
  void* host_unlock_handle;
  void* host_dispose_handle;
  void* get_callback_addr;
  void* app;
  PF_ANSICallbacks ansi;
  PF_ColorCallbacks colorCB;
  void* get_platform_data;
  void* host_get_handle_size;
  void* iterate_origin_non_clip_src;
  void* iterate_generic;
  void* host_resize_handle;
  void* subpixel_sample16;
  void* area_sample16;
  void* fill16;
  void* premultiply_color16;
  void* iterate16;
  void* iterate_origin16;
  void* iterate_origin_non_clip_src16;
  void* get_pixel_data8;
  void* get_pixel_data16;
  A_long reserved[1];
} PF_UtilCallbacks;

// ---- PICA basic suite and the three suites used -------------------------------------------------
typedef struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32_t version);
  int32_t (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
  SPErr (*Undefined)(void);
} SPBasicSuite;

typedef struct {
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef* defP);
  void* PF_GetCurrentState;
  void* PF_AreStatesIdentical;
  void* PF_IsIdenticalCheckout;
  void* PF_FindKeyframeTime;
  void* PF_GetKeyframeCount;
  void* PF_CheckoutKeyframe;
  void* PF_CheckinKeyframe;
  void* PF_KeyIndexToTime;
} PF_ParamUtilsSuite3;

typedef struct {
  void* PF_NewWorld;
  void* PF_DisposeWorld;
  PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* worldP, PF_PixelFormat* pixel_formatP);
} PF_WorldSuite2;

typedef struct {
  PF_Err (*AddSupportedPixelFormat)(PF_ProgPtr effect_ref, PrPixelFormat pixelFormat);
  PF_Err (*ClearSupportedPixelFormats)(PF_ProgPtr effect_ref);
  void* NewWorldOfPixelFormat;
  void* DisposeWorld;
  PF_Err (*GetPixelFormat)(PF_EffectWorld* inWorld, PrPixelFormat* pixelFormat);
  void* GetBlackForPixelFormat;
  void* GetWhiteForPixelFormat;
  void* ConvertColorToPixelFormattedData;
} PF_PixelFormatSuite;
typedef PF_PixelFormatSuite PF_PixelFormatSuite1;

#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion3 3
#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2
#define kPFPixelFormatSuite "PF Pixel Format Suite"
#define kPFPixelFormatSuiteVersion1 1

// ---- in_data and out_data -----------------------------------------------------------------------
typedef struct PF_InData {
  PF_InteractCallbacks inter;
  PF_UtilCallbacks* utils;
  PF_ProgPtr effect_ref;
  PF_Quality quality;
  PF_SpecVersion version;
  A_long serial_num;
  A_long appl_id;
  A_long num_params;
  A_long reserved;
  A_long what_cpu;
  A_long what_fpu;
  A_long current_time;
  A_long time_step;
  A_long total_time;
  A_long local_time_step;
  A_u_long time_scale;
  PF_Field field;
  PF_Fixed shutter_angle;
  A_long width;
  A_long height;
  PF_Rect extent_hint;
  A_long output_origin_x;
  A_long output_origin_y;
  PF_RationalScale downsample_x;
  PF_RationalScale downsample_y;
  PF_RationalScale pixel_aspect_ratio;
  PF_InFlags in_flags;
  PF_Handle global_data;
  PF_Handle sequence_data;
  PF_Handle frame_data;
  A_long start_sampL;
  A_long dur_sampL;
  A_long total_sampL;
  PF_SoundWorld src_snd;
  SPBasicSuite* pica_basicP;
  A_long pre_effect_source_origin_x;
  A_long pre_effect_source_origin_y;
  PF_Fixed shutter_phase;
} PF_InData;

typedef struct PF_OutData {
  A_u_long my_version;
  A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
  PF_Handle global_data;
  A_long num_params;
  PF_Handle sequence_data;
  A_long flat_sdata_size;
  PF_Handle frame_data;
  A_long width;
  A_long height;
  PF_Point origin;
  PF_OutFlags out_flags;
  A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
  A_long start_sampL;
  A_long dur_sampL;
  PF_SoundWorld dest_snd;
  PF_OutFlags2 out_flags2;
} PF_OutData;

// ---- Smart render records -----------------------------------------------------------------------
typedef struct {
  PF_LRect rect;
  PF_Field field;
  PF_ChannelMask channel_mask;
  PF_Boolean preserve_rgb_of_zero_alpha;
  char unused[3];
  A_long reserved[4];
} PF_RenderRequest;

typedef struct {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_RationalScale par;
  PF_Boolean solid;
  PF_Boolean reservedB[3];
  A_long ref_width;
  A_long ref_height;
  A_long reserved[6];
} PF_CheckoutResult;

typedef struct {
  PF_RenderRequest output_request;
  short bitdepth;
  const void* gpu_data;
  PF_GPU_Framework what_gpu;
  A_u_long device_index;
} PF_PreRenderInput;

typedef void (*PF_DeletePreRenderDataFunc)(void* pre_render_data);

typedef struct {
  PF_LRect result_rect;
  PF_LRect max_result_rect;
  PF_Boolean solid;
  PF_Boolean reserved;
  PF_RenderOutputFlags flags;
  void* pre_render_data;
  PF_DeletePreRenderDataFunc delete_pre_render_data_func;
} PF_PreRenderOutput;

typedef struct {
  PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_idL,
                           const PF_RenderRequest* req, A_long what_time, A_long time_step,
                           A_u_long time_scale, PF_CheckoutResult* checkout_result);
  PF_Err (*GuidMixInPtr)(PF_ProgPtr effect_ref, A_u_long buf_sizeLu, const void* buf);
} PF_PreRenderCallbacks;

typedef struct {
  PF_PreRenderInput* input;
  PF_PreRenderOutput* output;
  PF_PreRenderCallbacks* cb;
} PF_PreRenderExtra;

typedef struct {
  PF_RenderRequest output_request;
  short bitdepth;
  void* pre_render_data;
  const void* gpu_data;
  PF_GPU_Framework what_gpu;
  A_u_long device_index;
} PF_SmartRenderInput;

typedef struct {
  PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL, PF_EffectWorld** pixels);
  PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_idL);
  PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
} PF_SmartRenderCallbacks;

typedef struct {
  PF_SmartRenderInput* input;
  PF_SmartRenderCallbacks* cb;
} PF_SmartRenderExtra;

typedef struct {
  PF_ParamIndex param_index;
} PF_UserChangedParamExtra;

// ---- Entry points ------------------------------------------------------------------------------
typedef PF_Err (*PF_FilterProc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                PF_ParamList params, PF_LayerDef* output, void* extra);
typedef A_Err (*PF_PluginDataCB)(PF_PluginDataPtr inPtr, const A_u_char* inNamePtr,
                                 const A_u_char* inMatchNamePtr, const A_u_char* inCategoryPtr,
                                 const A_u_char* inEntryPointNamePtr, A_long inkind,
                                 A_long inApiVersionMajor, A_long inApiVersionMinor,
                                 A_long inReservedInfo);
typedef A_Err (*PluginDataEntryFunctionPtr)(PF_PluginDataPtr inPtr, PF_PluginDataCB inPluginDataCallBackPtr,
                                            struct SPBasicSuite* inSPBasicSuitePtr,
                                            const char* inHostName, const char* inHostVersion);

// ---- Plug-in property list ----------------------------------------------------------------------
typedef struct {
  PIType vendorID;
  PIType propertyKey;
  SPInt32 propertyID;
  SPInt32 propertyLength;
  char propertyData[1];
} PIProperty;

typedef struct {
  SPInt32 version;
  SPInt32 count;
  PIProperty properties[1];
} PIPropertyList;

}  // extern "C"
