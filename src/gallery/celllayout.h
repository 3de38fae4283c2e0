// Where the gallery's cells and page frames go: whole-number geometry of rows of five,
// 600 cells to a page frame, and the scroll arithmetic that moves the page frames.
#pragma once

#include <cstdint>

namespace pv::layout {

inline constexpr int cellsPerPage = 600;
inline constexpr int columns = 5;
inline constexpr int columnStep = 166;
inline constexpr int rowStep = 179;
inline constexpr int firstLeft = 12;
inline constexpr int firstTop = 12;
inline constexpr int checkBoxOffset = 143; // the check box sits right under the canvas
inline constexpr int canvasWidth = 150;
inline constexpr int canvasHeight = 143;
inline constexpr int checkBoxHeight = 20;
inline constexpr int viewportHeight = 541; // three rows and 4 pixels
inline constexpr int fullPageHeight = 21484;
inline constexpr int highlightMargin = 6;
inline constexpr int pageOverlap = 6; // consecutive page frames overlap by this much

struct Place {
    int page; // 0: 外形框3, k: page frame copy k
    int left;
    int top;
};

// Canvas of cell i (1-based), relative to its page frame.
Place canvasPlace(std::int64_t cell);
// Rows of n cells, and page frames for them (at least 1 when n is at least 1).
std::int64_t rowCount(std::int64_t cells);
std::int64_t pageCount(std::int64_t cells);
// Distance the page frames travel between the scroll bar's minimum and maximum.
std::int64_t scrollSpan(std::int64_t cells);
// Height of 外形框3, and of page frame copy j (1 <= j < pageCount).
int firstPageHeight(std::int64_t cells);
int copyPageHeight(std::int64_t cells, std::int64_t copy);

// Where 外形框3 goes for the scroll bar at `position` of `maximum` (a real number; the
// tops of the frames are it truncated toward zero).
double scrollOffset(std::int64_t span, int position, int maximum);
// Top of page frame k (0 is 外形框3) for that offset and 外形框3's height: the sum is
// formed first and truncated once.
int pageTop(double offset, int firstHeight, int k);
// The scroll bar's position after a wheel turn of `notches` (positive away from the user),
// kept within the bar's range.
int wheelPosition(int position, int notches, int minimum, int maximum);

} // namespace pv::layout
