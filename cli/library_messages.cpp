#include "cli/library_messages.h"

#include <dlfcn.h>
#include <png.h>

#include <mutex>
#include <unordered_map>

// libpng calls a struct's error function and, when that function returns (OpenImageIO's records
// the message and returns), prints the message itself before leaving through longjmp. These
// definitions take the place of libpng's png_set_error_fn for every caller in the process (a
// program's own symbols come first in dynamic lookup): each struct gets an error function that
// calls the one its caller asked for, then leaves through longjmp itself, so libpng never reaches
// its print. Warnings keep the caller's function.

namespace {

using HandlerMap = std::unordered_map<const void*, png_error_ptr>;

std::mutex gMutex;
HandlerMap& Handlers() {
  static auto* handlers = new HandlerMap;  // never destroyed: libraries may fail during exit
  return *handlers;
}

extern "C" void QuietError(png_structp png, png_const_charp message) {
  png_error_ptr handler = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    const auto it = Handlers().find(static_cast<const void*>(png));
    if (it != Handlers().end()) handler = it->second;
  }
  if (handler != nullptr) handler(png, message);
  png_longjmp(png, 1);
}

using SetErrorFn = void (*)(png_structrp, png_voidp, png_error_ptr, png_error_ptr);

SetErrorFn RealSetErrorFn() {
  static const SetErrorFn real = reinterpret_cast<SetErrorFn>(dlsym(RTLD_NEXT, "png_set_error_fn"));
  return real;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void png_set_error_fn(png_structrp png, png_voidp errorPointer,
                                                                       png_error_ptr error, png_error_ptr warning) {
  const SetErrorFn real = RealSetErrorFn();
  if (real == nullptr) return;
  if (png != nullptr && error != nullptr && error != QuietError) {
    // A struct's address is reused once it is destroyed; its entry is overwritten then.
    std::lock_guard<std::mutex> lock(gMutex);
    Handlers()[static_cast<const void*>(png)] = error;
    error = QuietError;
  }
  real(png, errorPointer, error, warning);
}

namespace morvane::cli {

void RouteLibraryMessages() {}

}  // namespace morvane::cli
