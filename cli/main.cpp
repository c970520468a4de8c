// morvane: the command-line front end. Each verb is one library call; errors become one line on
// standard error and the exit code (1: a file, 2: the command line).
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <new>

#include "cli/arguments.h"
#include "cli/cli_error.h"
#include "cli/contact_sheet.h"
#include "cli/control_values.h"
#include "cli/library_messages.h"
#include "cli/output_file.h"
#include "cli/render_job.h"

int main(int argc, char** argv) {
  using namespace morvane::cli;
  InstallCancelHandlers();
  RouteLibraryMessages();
  try {
    Invocation inv = ParseArguments(argc, argv);
    inv.job.report = inv.quiet ? Report::kSilent : ::isatty(STDERR_FILENO) != 0 ? Report::kBar : Report::kLines;
    switch (inv.verb) {
      case Verb::kHelp: std::fputs(UsageText().c_str(), stdout); break;
      case Verb::kVersion: std::puts(VersionText().c_str()); break;
      case Verb::kControls: std::fputs(ControlsText().c_str(), stdout); break;
      case Verb::kPresets: std::fputs(PresetsText().c_str(), stdout); break;
      case Verb::kRender: RenderFiles(inv.job); break;
      case Verb::kContactSheet: RenderContactSheet(inv.job); break;
    }
    if (std::fflush(stdout) != 0) {
      std::fputs("morvane: cannot write to standard output\n", stderr);
      return kExitIo;
    }
    return kExitOk;
  } catch (const CliError& e) {
    std::fprintf(stderr, "morvane: %s\n", e.what());
    return e.code();
  } catch (const std::bad_alloc&) {
    std::fputs("morvane: not enough memory for this picture; try a smaller input, a lower --depth or "
               "fewer --threads\n", stderr);
    return kExitIo;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morvane: %s\n", e.what());
    return kExitIo;
  }
}
