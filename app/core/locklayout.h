// The lock information window's layout on every resize, in twips (1440 to the inch). Sizes are
// the window's outer size, frame included.
#pragma once

#include <array>
#include <optional>

#include "core/layout.h"

namespace varnook {

inline constexpr double kLockInfoMinWidth = 2500;
inline constexpr double kLockInfoMinHeight = 2000;

struct LockInfoControls {
    TwipRect lblLockFileName;
    TwipRect cmdOK;
    TwipRect lstvFileLock;
    std::array<double, 4> columns{};
};

// The size a lock window of W x H snaps back to, or nothing when it is large enough or minimised.
std::optional<TwipSize> LockInfoMinimumSize(double W, double H, bool minimized);

// Label and list as wide as the window less 100, the OK button centred 450 above the bottom, the
// list as high as the window less 2100 (never below 0), columns of a fifth (three) and a seventh
// of the list's width. A minimised window keeps its controls as they are.
LockInfoControls LayoutLockInfo(const LockInfoControls& current, double W, double H,
                                bool minimized);

}  // namespace varnook
