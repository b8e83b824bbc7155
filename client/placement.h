// Where Corvane's windows go where no window manager places them: side by
// side within the screen's available area (QScreen::availableGeometry).
// PlaceMainWindow and PlaceWindow are pure functions of rectangles (window
// frames in screen coordinates); PlaceNewWindow applies them to real windows.
#pragma once

#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

class QWidget;

namespace corvane {

inline constexpr int kWindowGap = 8;     // between neighbouring frames
inline constexpr int kCascadeStep = 30;  // right and down, from one plot window to the next

// The main window's frame: the top-left corner of the available area.
QRect PlaceMainWindow(const QRect& available, const QSize& frame);

// The frame of a new window of size frame, given the frames already shown
// (shown, the main window first), a rectangle to leave uncovered where room
// allows (keep_clear, the main window's Input box; a null QRect for none)
// and, for a cascade, the frame of the window before it (the last plot
// window). The first that applies:
//  1. beside a shown window, in their order: right of it with the tops
//     aligned, else below it with the left edges aligned; inside available,
//     overlapping no shown window and not keep_clear;
//  2. one kCascadeStep right and down from cascade_from, inside available
//     and off keep_clear;
//  3. the place inside available that covers the least of keep_clear, then
//     the least of the shown windows (then the highest, then the leftmost).
// A frame larger than available goes to its top-left corner.
QRect PlaceWindow(const QRect& available, const QSize& frame, const std::vector<QRect>& shown,
                  const QRect& keep_clear = QRect(),
                  const std::optional<QRect>& cascade_from = std::nullopt);

// The available area of the screen the widget is on (the primary screen's
// when it has none yet).
QRect AvailableArea(const QWidget* widget);

// Moves the top-level window, not yet shown or just shown, to the place
// PlaceWindow finds among the other visible top-level windows (main_window
// first), keeping keep_clear (screen coordinates) uncovered; cascade_from,
// when given, is the window it follows in a cascade. The frame of a window
// not yet shown is estimated with the main window's frame margins.
void PlaceNewWindow(QWidget* window, const QWidget* main_window, const QRect& keep_clear = QRect(),
                    const QWidget* cascade_from = nullptr);

}  // namespace corvane
