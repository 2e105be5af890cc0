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

// ---- The query result windows (other files, all open files, all connections) -----------------

// Each is a caption label on top, a list, labels below the list and an OK button centred at the
// bottom; they differ in these figures.
struct ResultWindowRules {
    double minWidth = 0;
    double minHeight = 0;
    double listWidthInset = 0;   // list width = W - this
    double listHeightInset = 0;  // list height = H - this
    double okBottomGap = 0;      // OK top = H - its height - this
};

inline constexpr ResultWindowRules kOtherFilesRules{2000, 2000, 200, 1800, 500};
inline constexpr ResultWindowRules kAllFilesRules{2500, 2400, 100, 1900, 450};
inline constexpr ResultWindowRules kLoggedInRules{2500, 2000, 400, 1700, 400};

struct ResultControls {
    TwipRect caption;  // the label on top
    TwipRect list;
    double belowTop = 0;  // top of the labels (and progress bar) below the list
    TwipRect ok;
};

// The size a result window of W x H must be enlarged to, or nothing (also when minimised).
std::optional<TwipSize> EnlargeResultWindow(const ResultWindowRules& rules, double W, double H,
                                            bool minimized);

// Lays a result window of W x H out: caption width W - 50, the list's size, the labels 50 below
// the list, the OK button centred. A negative width or height is not applied.
ResultControls LayoutResultWindow(const ResultWindowRules& rules, const ResultControls& current,
                                  double W, double H);

}  // namespace varnook
