// The built module as a host loads it: two entry points with C linkage, and nothing else of the
// project's visible in its dynamic symbol table.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

#include "host_api/ae_types.h"
#include "host/effect_info.h"
#include "host/entry_points.h"

namespace {

static_assert(std::is_same_v<decltype(&EffectMain), PF_FilterProc>);
static_assert(std::is_same_v<decltype(&PluginDataEntryFunction), PluginDataEntryFunctionPtr>);

struct ModuleCloser {
  void operator()(void* handle) const { dlclose(handle); }
};
using ModuleHandle = std::unique_ptr<void, ModuleCloser>;

ModuleHandle OpenModule() { return ModuleHandle(dlopen(MORVANE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)); }

bool DefinedInModule(void* symbol) {
  Dl_info info{};
  if (dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return false;
  return std::string_view(info.dli_fname).ends_with("/Morvane.so");
}

// The host's plug-in data pointer is opaque to the effect; here it carries the record.
struct PluginDataRecord {
  int calls = 0;
};

A_Err RecordPluginData(PF_PluginDataPtr inPtr, const A_u_char*, const A_u_char*, const A_u_char*,
                       const A_u_char*, A_long, A_long, A_long, A_long) {
  ++reinterpret_cast<PluginDataRecord*>(inPtr)->calls;
  return 77;
}

TEST(HostModuleExports, EntryPointsResolveByTheirCNames) {
  const ModuleHandle module = OpenModule();
  ASSERT_NE(module.get(), nullptr) << dlerror();

  void* effect_main = dlsym(module.get(), "EffectMain");
  void* plugin_data = dlsym(module.get(), "PluginDataEntryFunction");
  ASSERT_NE(effect_main, nullptr) << dlerror();
  ASSERT_NE(plugin_data, nullptr) << dlerror();
  // The test program links the same code statically; the symbols must be the module's own.
  EXPECT_TRUE(DefinedInModule(effect_main));
  EXPECT_TRUE(DefinedInModule(plugin_data));

  // Called through the loaded module as a host calls it.
  const auto entry = reinterpret_cast<PluginDataEntryFunctionPtr>(plugin_data);
  PluginDataRecord record;
  EXPECT_EQ(entry(reinterpret_cast<PF_PluginDataPtr>(&record), RecordPluginData, nullptr, "test", "1"), 77);
  EXPECT_EQ(record.calls, 1);

  PF_InData in_data{};
  PF_OutData out_data{};
  in_data.appl_id = A_long(morvane::FourCC("FXTC"));
  const auto effect = reinterpret_cast<PF_FilterProc>(effect_main);
  EXPECT_EQ(effect(PF_Cmd_GLOBAL_SETUP, &in_data, &out_data, nullptr, nullptr, nullptr), PF_Err_NONE);
  EXPECT_EQ(out_data.my_version, morvane::kVersionWord);
  EXPECT_EQ(uint32_t(out_data.out_flags), morvane::kOutFlags);
  EXPECT_EQ(uint32_t(out_data.out_flags2), morvane::kOutFlags2);
}

// Symbol name to nm's type letter, for every defined dynamic symbol of the module.
std::map<std::string, char> DefinedDynamicSymbols(std::string* error) {
  std::map<std::string, char> symbols;
  const std::string command = std::string("nm -D --defined-only '") + MORVANE_MODULE_PATH + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *error = "cannot run nm";
    return symbols;
  }
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  if (pclose(pipe) != 0) *error = "nm failed: " + output;

  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) symbols[name] = type[0];
  }
  return symbols;
}

TEST(HostModuleExports, DynamicSymbolTableHoldsOnlyTheEntryPoints) {
  std::string error;
  std::map<std::string, char> symbols = DefinedDynamicSymbols(&error);
  ASSERT_TRUE(error.empty()) << error;
  // Version nodes are absolute symbols the linker adds, not code of the project.
  std::erase_if(symbols, [](const auto& symbol) { return symbol.second == 'A'; });

  const std::map<std::string, char> expected = {{"EffectMain", 'T'}, {"PluginDataEntryFunction", 'T'}};
  EXPECT_EQ(symbols, expected);
}

}  // namespace
