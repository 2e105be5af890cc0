// The main window's proportional layout, in twips (1440 to the inch).
#pragma once

#include <optional>

namespace varnook {

inline constexpr double kMainMinWidth = 6040;
inline constexpr double kMainMinHeight = 4000;

struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The controls the layout moves, plus the two visible columns of the server list.
struct MainControls {
    TwipRect lstFiles;
    TwipRect Dir1;
    TwipRect lstDrives;
    TwipRect Label3;
    TwipRect lstLoginIDs;
    TwipRect Label2;
    TwipRect lstviewServers;
    TwipRect cmd_scan;
    TwipRect cmd_Exit;
    double serverColumn0 = 0;
    double serverColumn1 = 0;
};

struct TwipSize {
    double width = 0;
    double height = 0;
};

// The size a window of W x H must be enlarged to, or nothing when it is large enough. A minimised
// window is never enlarged.
std::optional<TwipSize> EnlargeToMinimum(double W, double H, bool minimized);

// The smallest window height at which the layout still gives the server list listHeight twips
// (the list's height is what remains below the file list, which takes H / 1.7).
double HeightForServerList(double label2Height, double listHeight);

// Lays the controls out for a window of W x H. Controls keep their former size wherever a
// computed width or height would be negative; nothing moves for a minimised window or one of
// width 2400 or less.
MainControls LayoutMainWindow(const MainControls& current, double W, double H, bool minimized);

}  // namespace varnook
