#include "placement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <tuple>

namespace corvane {
namespace {

long long Area(const QRect& a, const QRect& b) {
  if (a.isNull() || b.isNull()) return 0;
  const QRect common = a.intersected(b);
  return common.isEmpty() ? 0 : static_cast<long long>(common.width()) * common.height();
}

// One coordinate moved so that [v, v + size) lies in [low, low + room);
// low when it cannot.
int Clamp(int v, int size, int low, int room) {
  if (size >= room) return low;
  return std::clamp(v, low, low + room - size);
}

QRect Inside(const QRect& available, QPoint at, const QSize& frame) {
  return {QPoint(Clamp(at.x(), frame.width(), available.left(), available.width()),
                 Clamp(at.y(), frame.height(), available.top(), available.height())),
          frame};
}

bool Free(const QRect& place, const QRect& available, const std::vector<QRect>& shown,
          const QRect& keep_clear) {
  if (!available.contains(place) || Area(place, keep_clear) > 0) return false;
  return std::none_of(shown.begin(), shown.end(),
                      [&place](const QRect& r) { return Area(place, r) > 0; });
}

}  // namespace

QRect PlaceMainWindow(const QRect& available, const QSize& frame) {
  return Inside(available, available.topLeft(), frame);
}

QRect PlaceWindow(const QRect& available, const QSize& frame, const std::vector<QRect>& shown,
                  const QRect& keep_clear, const std::optional<QRect>& cascade_from) {
  // 1. Beside a shown window.
  for (const QRect& r : shown) {
    for (const QPoint at : {QPoint(r.right() + 1 + kWindowGap, r.top()),
                            QPoint(r.left(), r.bottom() + 1 + kWindowGap)}) {
      const QRect place(at, frame);
      if (Free(place, available, shown, keep_clear)) return place;
    }
  }
  // 2. The next step of a cascade.
  if (cascade_from) {
    const QRect place(cascade_from->topLeft() + QPoint(kCascadeStep, kCascadeStep), frame);
    if (available.contains(place) && Area(place, keep_clear) == 0) return place;
  }
  // 3. The least covering place among the edges of everything in view.
  std::vector<int> xs{available.left(), available.right() + 1 - frame.width()};
  std::vector<int> ys{available.top(), available.bottom() + 1 - frame.height()};
  std::vector<QRect> edges = shown;
  if (!keep_clear.isNull()) edges.push_back(keep_clear);
  for (const QRect& r : edges) {
    xs.push_back(r.right() + 1 + kWindowGap);
    xs.push_back(r.left() - kWindowGap - frame.width());
    ys.push_back(r.bottom() + 1 + kWindowGap);
    ys.push_back(r.top() - kWindowGap - frame.height());
  }
  QRect best = Inside(available, available.topLeft(), frame);
  std::tuple<long long, long long, int, int> best_cost{-1, 0, 0, 0};
  for (const int x : xs) {
    for (const int y : ys) {
      const QRect place = Inside(available, QPoint(x, y), frame);
      long long covered = 0;
      for (const QRect& r : shown) {
        covered += Area(place, r);
        // A window exactly on another would hide it whole.
        if (place.topLeft() == r.topLeft()) covered += Area(r, r);
      }
      const std::tuple<long long, long long, int, int> cost{Area(place, keep_clear), covered,
                                                            place.top(), place.left()};
      if (std::get<0>(best_cost) < 0 || cost < best_cost) {
        best_cost = cost;
        best = place;
      }
    }
  }
  return best;
}

QRect AvailableArea(const QWidget* widget) {
  const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void PlaceNewWindow(QWidget* window, const QWidget* main_window, const QRect& keep_clear,
                    const QWidget* cascade_from) {
  if (window == nullptr) return;
  std::vector<QRect> shown;
  if (main_window != nullptr && main_window != window && main_window->isVisible()) {
    shown.push_back(main_window->frameGeometry());
  }
  // The other windows from the top left, for an order that does not depend
  // on how Qt keeps them.
  std::vector<QRect> others;
  for (const QWidget* w : QApplication::topLevelWidgets()) {
    if (w == window || w == main_window || !w->isVisible() || w->isModal()) continue;
    if (w->windowType() != Qt::Window && w->windowType() != Qt::Dialog) continue;
    others.push_back(w->frameGeometry());
  }
  std::sort(others.begin(), others.end(), [](const QRect& a, const QRect& b) {
    return std::make_pair(a.top(), a.left()) < std::make_pair(b.top(), b.left());
  });
  shown.insert(shown.end(), others.begin(), others.end());

  QSize frame = window->frameGeometry().size();
  if (!window->isVisible() && main_window != nullptr) {
    frame = window->size() + (main_window->frameGeometry().size() - main_window->size());
  }
  std::optional<QRect> previous;
  if (cascade_from != nullptr && cascade_from->isVisible()) {
    previous = cascade_from->frameGeometry();
  }
  const QRect place = PlaceWindow(AvailableArea(main_window != nullptr ? main_window : window),
                                  frame, shown, keep_clear, previous);
  window->move(place.topLeft());  // a top-level window's position is its frame's
}

}  // namespace corvane
