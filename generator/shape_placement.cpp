#include "generator/shape_placement.h"

#include <cmath>

namespace morvane {

GridLayout MakeGridLayout(int32_t shapeCount, int32_t width, int32_t height,
                          int32_t gridRandomization) {
  GridLayout grid;
  if (width <= 0 || height <= 0) return grid;
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const float q = static_cast<float>(shapeCount) * w / h;
  // A negative q (a negative count) has a NaN root, which counts as no column.
  const int32_t columns = TruncToInt32(std::sqrt(static_cast<double>(q)));
  if (columns <= 0) return grid;
  const int32_t rows = TruncToInt32(static_cast<float>(columns) / (w / h));
  if (rows <= 0) return grid;

  grid.columns = columns;
  grid.rows = rows;
  grid.cellWidth = w / static_cast<float>(columns);
  grid.cellHeight = h / static_cast<float>(rows);
  const float level = static_cast<float>(gridRandomization);
  grid.jitterX = TruncToInt32((grid.cellWidth + grid.cellWidth) * level / 255.0f);
  grid.jitterY = TruncToInt32((grid.cellHeight + grid.cellHeight) * level / 255.0f);
  grid.cells = static_cast<int64_t>(columns) * rows;
  return grid;
}

}  // namespace morvane
