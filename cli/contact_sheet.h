// `morvane contact-sheet`: the twenty presets of one picture side by side, each labelled with its
// number and name, for choosing a look at a glance.
//
// Each cell is the picture rendered at its full size exactly as `morvane render --preset N` renders
// it (the user's --set changes applied after each preset), then scaled down to the cell and laid
// over black, as a host's composition shows transparent pixels.
#pragma once
#include "cli/render_job.h"

namespace morvane::cli {

// Writes the sheet to job.output. Throws CliError.
void RenderContactSheet(const Job& job);

}  // namespace morvane::cli
