// Holders through which every command obtains host suites, and the error that handlers raise.
//
// A suite obtained here lives for one command only: the holders release it when they are
// destroyed, also when a raised error unwinds the handler. EffectMain turns a raised HostError
// into the command's result, so no exception ever reaches the host.
#pragma once
#include <cstdint>
#include <cstring>

#include "host_api/ae_types.h"

namespace morvane {

struct HostError {
  PF_Err code;
};

[[noreturn]] inline void RaiseError(PF_Err code) { throw HostError{code}; }

// Acquires suites on first use and caches them; the destructor releases each one it acquired.
class SuiteHandler {
 public:
  explicit SuiteHandler(SPBasicSuite* basic) : basic_(basic) {
    if (basic_ == nullptr) RaiseError(PF_Err_BAD_CALLBACK_PARAM);
  }
  ~SuiteHandler() {
    if (paramUtils_ != nullptr) basic_->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3);
  }
  SuiteHandler(const SuiteHandler&) = delete;
  SuiteHandler& operator=(const SuiteHandler&) = delete;

  const PF_ParamUtilsSuite3* ParamUtilsSuite3() {
    if (paramUtils_ == nullptr) {
      const void* suite = nullptr;
      if (basic_->AcquireSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &suite) != kSPNoError ||
          suite == nullptr) {
        RaiseError(PF_Err_BAD_CALLBACK_PARAM);
      }
      paramUtils_ = static_cast<const PF_ParamUtilsSuite3*>(suite);
    }
    return paramUtils_;
  }

 private:
  SPBasicSuite* basic_;
  const PF_ParamUtilsSuite3* paramUtils_ = nullptr;
};

// Acquires one suite for the lifetime of the scope. On failure it tells the user through the
// return message (when out_data is given) and raises the missing-suite error.
template <class Suite>
class SuiteScope {
 public:
  SuiteScope(const PF_InData* in_data, const char* name, int32_t version, PF_OutData* out_data)
      : basic_(in_data != nullptr ? in_data->pica_basicP : nullptr), name_(name), version_(version) {
    const void* suite = nullptr;
    if (basic_ == nullptr || basic_->AcquireSuite(name, version, &suite) != kSPNoError || suite == nullptr) {
      basic_ = nullptr;  // nothing to release
      if (out_data != nullptr) {
        out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        static constexpr char kMessage[] = "Not able to acquire AEFX Suite.";
        if (in_data != nullptr && in_data->utils != nullptr && in_data->utils->ansi.sprintf != nullptr) {
          in_data->utils->ansi.sprintf(out_data->return_msg, kMessage);
        } else {
          static_assert(sizeof kMessage <= sizeof out_data->return_msg);
          std::memcpy(out_data->return_msg, kMessage, sizeof kMessage);
        }
      }
      RaiseError(A_Err_MISSING_SUITE);
    }
    suite_ = static_cast<const Suite*>(suite);
  }
  ~SuiteScope() {
    if (basic_ != nullptr) basic_->ReleaseSuite(name_, version_);
  }
  SuiteScope(const SuiteScope&) = delete;
  SuiteScope& operator=(const SuiteScope&) = delete;

  const Suite* get() const { return suite_; }
  const Suite* operator->() const { return suite_; }

 private:
  SPBasicSuite* basic_;
  const char* name_;
  int32_t version_;
  const Suite* suite_ = nullptr;
};

}  // namespace morvane
