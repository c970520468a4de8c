// A PNG file's chunk structure, checked before the decoder sees the file.
//
// libpng reports a file that ends early or a damaged chunk on standard error itself, around the
// decoder's own error; walking the chunks first (lengths and checksums, up to IEND) finds those
// files without it and says where the file breaks, in the user's terms.
#pragma once
#include <optional>
#include <string>

namespace morvane::cli {

// Nothing when `path` is not a PNG file (by its signature) or its chunks are whole; otherwise why
// not: "the file is truncated at byte N", "the file is damaged at byte N (chunk "IDAT" fails its
// checksum)".
std::optional<std::string> PngStructureFault(const std::string& path);

}  // namespace morvane::cli
