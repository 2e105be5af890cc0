#include "core/layout.h"

#include <algorithm>

namespace varnook {

std::optional<TwipSize> EnlargeToMinimum(double W, double H, bool minimized) {
    if (minimized || (W >= kMainMinWidth && H >= kMainMinHeight)) {
        return std::nullopt;
    }
    return TwipSize{std::max(W, kMainMinWidth), std::max(H, kMainMinHeight)};
}

double HeightForServerList(double label2Height, double listHeight) {
    // H - (label2Height + H / 1.7 + 200) - 1200 >= listHeight
    return (label2Height + 200 + 1200 + listHeight) / (1 - 1 / 1.7);
}

namespace {
void SetWidth(TwipRect& r, double w) {
    if (w >= 0) {
        r.width = w;
    }
}
void SetHeight(TwipRect& r, double h) {
    if (h >= 0) {
        r.height = h;
    }
}
}  // namespace

MainControls LayoutMainWindow(const MainControls& current, double W, double H, bool minimized) {
    MainControls c = current;
    if (minimized || W <= 2400) {
        return c;
    }
    SetWidth(c.lstFiles, W / 3 - 80);
    SetHeight(c.lstFiles, H / 1.7);

    SetWidth(c.lstviewServers, std::min(W / 2.3, 10000.0));
    c.lstviewServers.top = c.Label2.height + c.lstFiles.height + 200;
    SetHeight(c.lstviewServers, H - c.lstviewServers.top - 1200);
    const double col0 = c.lstviewServers.width - 1600;
    if (col0 >= 0) {
        c.serverColumn0 = col0;
    }
    const double col1 = c.lstviewServers.width - c.serverColumn0 - 640;
    if (col1 >= 0) {
        c.serverColumn1 = col1;
    }

    c.Label2.top = c.lstviewServers.top - c.Label2.height - 30;

    SetWidth(c.Dir1, W / 3 - 80);
    c.Dir1.left = c.lstFiles.left + c.lstFiles.width + 50;
    SetHeight(c.Dir1, 2 * (c.lstFiles.height / 3));

    c.lstDrives.left = c.Dir1.left;
    SetWidth(c.lstDrives, c.Dir1.width);
    c.lstDrives.top = c.Dir1.top + c.Dir1.height + 20;
    SetHeight(c.lstDrives, c.lstFiles.height - c.Dir1.height);

    SetWidth(c.lstLoginIDs, W / 3 - 80);
    c.lstLoginIDs.left = c.Dir1.left + c.Dir1.width + 50;
    SetHeight(c.lstLoginIDs, c.lstFiles.height - c.Label3.height + 30);
    c.Label3.left = c.lstLoginIDs.left;

    c.cmd_Exit.left = W - c.cmd_Exit.width - 200;
    c.cmd_Exit.top = c.lstviewServers.top + c.lstviewServers.height - c.cmd_Exit.height;
    c.cmd_scan.left = c.cmd_Exit.left - c.cmd_scan.width - 200;
    c.cmd_scan.top = c.cmd_Exit.top;
    return c;
}

std::optional<TwipSize> EnlargeResultWindow(const ResultWindowRules& rules, double W, double H,
                                            bool minimized) {
    if (minimized || (W >= rules.minWidth && H >= rules.minHeight)) {
        return std::nullopt;
    }
    return TwipSize{std::max(W, rules.minWidth), std::max(H, rules.minHeight)};
}

ResultControls LayoutResultWindow(const ResultWindowRules& rules, const ResultControls& current,
                                  double W, double H) {
    ResultControls c = current;
    SetWidth(c.caption, W - 50);
    SetWidth(c.list, W - rules.listWidthInset);
    SetHeight(c.list, H - rules.listHeightInset);
    c.belowTop = c.list.top + c.list.height + 50;
    c.ok.left = W / 2 - c.ok.width / 2;
    c.ok.top = H - c.ok.height - rules.okBottomGap;
    return c;
}

}  // namespace varnook
