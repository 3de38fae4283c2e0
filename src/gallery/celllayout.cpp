#include "gallery/celllayout.h"

#include <algorithm>
#include <cmath>

namespace pv::layout {

namespace {
std::int64_t rowsOf(std::int64_t cells) {
    return cells <= 0 ? 0 : (cells + columns - 1) / columns;
}
} // namespace

Place canvasPlace(std::int64_t cell) {
    const std::int64_t m = (cell - 1) % cellsPerPage;
    return {static_cast<int>((cell - 1) / cellsPerPage),
            static_cast<int>(firstLeft + columnStep * (m % columns)),
            static_cast<int>(firstTop + rowStep * (m / columns))};
}

std::int64_t rowCount(std::int64_t cells) {
    return rowsOf(cells);
}

std::int64_t pageCount(std::int64_t cells) {
    return cells <= 0 ? 0 : (cells + cellsPerPage - 1) / cellsPerPage;
}

std::int64_t scrollSpan(std::int64_t cells) {
    return rowsOf(cells) * rowStep - 3 * rowStep;
}

int firstPageHeight(std::int64_t cells) {
    if (pageCount(cells) > 1)
        return fullPageHeight;
    // No minimum: one row gives 183, shorter than the viewport.
    return static_cast<int>(scrollSpan(cells) + viewportHeight);
}

int copyPageHeight(std::int64_t cells, std::int64_t copy) {
    const std::int64_t copies = pageCount(cells) - 1;
    if (copy < copies)
        return fullPageHeight;
    const std::int64_t rows = rowsOf(cells - cellsPerPage * copy);
    return static_cast<int>(
        std::max<std::int64_t>(rows * rowStep - 3 * rowStep + viewportHeight, viewportHeight));
}

double scrollOffset(std::int64_t span, int position, int maximum) {
    if (maximum == 0)
        return 0.0;
    return (-static_cast<double>(span) * position) / maximum;
}

int pageTop(double offset, int firstHeight, int k) {
    return static_cast<int>(
        std::trunc(offset + static_cast<double>(firstHeight - pageOverlap) * k));
}

int wheelPosition(int position, int notches, int minimum, int maximum) {
    std::int64_t p = static_cast<std::int64_t>(position) - notches;
    if (p < minimum)
        p = minimum;
    if (p > maximum)
        p = maximum;
    return static_cast<int>(p);
}

} // namespace pv::layout
