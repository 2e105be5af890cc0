// The control's picture and the property page's tree images.
#pragma once

#include <QImage>
#include <QPixmap>
#include <vector>

namespace volmarra::ui {

inline constexpr int kBitmapWidth = 16;
inline constexpr int kBitmapHeight = 15;
// Where the picture sits in the control: this many pixels in from the top-left corner.
inline constexpr int kBitmapInset = 6;

// The control's 16 x 15 picture (black where nothing shows) and its mask (black where the
// picture shows, white elsewhere), both RGB32.
QImage controlBitmap();
QImage controlMask();

// Draws bitmap at `at` onto target (RGB32) as a masked blit does: target XOR bitmap, AND mask,
// XOR bitmap again. Where the mask is white the target shows through unchanged.
void drawMasked(QImage& target, QPoint at, const QImage& bitmap, const QImage& mask);

// The tree's image list in NodeImage order, cut from four bitmaps: the network and tree
// pictures, the server, the volume, and the four container classes.
std::vector<QPixmap> treeImages();

}  // namespace volmarra::ui
