// The image libraries' own messages, kept off the terminal.
//
// libpng prints "libpng error: ..." on standard error before it gives up on a file, even though
// OpenImageIO records the same text as the reader's error, which this program reports in its own
// one line. Calling RouteLibraryMessages from main links the handlers that stop the print.
#pragma once

namespace morvane::cli {

// Does nothing at run time: the handlers take effect by being linked into the program.
void RouteLibraryMessages();

}  // namespace morvane::cli
