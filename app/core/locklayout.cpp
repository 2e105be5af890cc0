#include "core/locklayout.h"

#include <algorithm>

namespace varnook {

std::optional<TwipSize> LockInfoMinimumSize(double W, double H, bool minimized) {
    if (minimized || (W >= kLockInfoMinWidth && H >= kLockInfoMinHeight)) {
        return std::nullopt;
    }
    return TwipSize{std::max(W, kLockInfoMinWidth), std::max(H, kLockInfoMinHeight)};
}

LockInfoControls LayoutLockInfo(const LockInfoControls& current, double W, double H,
                                bool minimized) {
    LockInfoControls c = current;
    if (minimized) {
        return c;
    }
    c.lblLockFileName.width = W - 100;
    c.cmdOK.left = W / 2 - c.cmdOK.width / 2;
    c.cmdOK.top = H - c.cmdOK.height - 450;
    c.lstvFileLock.width = W - 100;
    c.lstvFileLock.height = std::max(0.0, H - 2100);
    const double list = c.lstvFileLock.width;
    c.columns = {list / 5, list / 5, list / 5, list / 7};
    return c;
}

}  // namespace varnook
