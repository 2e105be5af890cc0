#include "bitmaps.h"

#include <QPainter>
#include <QPainterPath>

namespace volmarra::ui {
namespace {

// A volume: a drum with a light top and an activity lamp. '.' shows nothing.
constexpr const char* kPicture[kBitmapHeight] = {
    "...KKKKKKKKKK...",  //
    ".KKCCWWWWWWCCKK.",  //
    "KCCWWWWWWWWWWCCK",  //
    "KBCCCCCCCCCCCCBK",  //
    "KBBBCCCCCCCCBBBK",  //
    "KBBBBBBBBBBBBBBK",  //
    "KBBBBBBBBBBBBBBK",  //
    "KBBBBBBBBBBBBBBK",  //
    "KBBBBBBBBBBBGGBK",  //
    "KBBBBBBBBBBBGGBK",  //
    "KBBBBBBBBBBBBBBK",  //
    "KBBBBBBBBBBBBBBK",  //
    ".KBBBBBBBBBBBBK.",  //
    "..KKBBBBBBBBKK..",  //
    "....KKKKKKKK....",  //
};

QRgb colorOf(char c) {
    switch (c) {
        case 'K':
            return qRgb(0, 0, 0);
        case 'W':
            return qRgb(255, 255, 255);
        case 'C':
            return qRgb(128, 192, 255);
        case 'B':
            return qRgb(0, 64, 160);
        case 'G':
            return qRgb(0, 224, 0);
        default:
            return qRgb(0, 0, 0);
    }
}

QImage fromArt(bool mask) {
    QImage image(kBitmapWidth, kBitmapHeight, QImage::Format_RGB32);
    for (int y = 0; y < kBitmapHeight; ++y) {
        for (int x = 0; x < kBitmapWidth; ++x) {
            const char c = kPicture[y][x];
            if (mask) {
                image.setPixel(x, y, c == '.' ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
            } else {
                image.setPixel(x, y, colorOf(c));
            }
        }
    }
    return image;
}

QPixmap blank(int images) {
    QPixmap strip(16 * images, 16);
    strip.fill(Qt::transparent);
    return strip;
}

// Network and tree.
QPixmap networkBitmap() {
    QPixmap strip = blank(2);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 64, 128), 1));
    p.setBrush(QColor(96, 160, 224));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    // A tree: green crown on a brown trunk.
    p.translate(16, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 80, 32));
    p.drawRect(QRectF(7, 10, 2, 5));
    p.setBrush(QColor(32, 144, 48));
    QPainterPath crown;
    crown.moveTo(8, 1);
    crown.lineTo(14, 11);
    crown.lineTo(2, 11);
    crown.closeSubpath();
    p.drawPath(crown);
    return strip;
}

QPixmap serverBitmap() {
    QPixmap strip = blank(1);
    QPainter p(&strip);
    p.setPen(QColor(32, 32, 32));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(4, 1, 8, 14);
    p.setPen(QColor(96, 96, 96));
    for (int y = 4; y <= 8; y += 2) {
        p.drawLine(6, y, 10, y);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 200, 0));
    p.drawRect(6, 11, 2, 2);
    return strip;
}

QPixmap volumeBitmap() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QImage picture = controlBitmap();
    const QImage mask = controlMask();
    for (int y = 0; y < kBitmapHeight; ++y) {
        for (int x = 0; x < kBitmapWidth; ++x) {
            if (qRed(mask.pixel(x, y)) == 0) {
                image.setPixel(x, y + 1, picture.pixel(x, y) | 0xFF000000u);
            }
        }
    }
    return QPixmap::fromImage(image);
}

// Country, locality, organization, organizational unit.
QPixmap containerBitmap() {
    QPixmap strip = blank(4);
    QPainter p(&strip);
    // Country: a flag.
    p.setPen(QColor(64, 64, 64));
    p.drawLine(2, 1, 2, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 32, 32));
    p.drawRect(3, 2, 11, 3);
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(3, 5, 11, 3);
    p.setBrush(QColor(32, 64, 200));
    p.drawRect(3, 8, 11, 3);
    // Locality: a map pin.
    p.translate(16, 0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(220, 48, 48));
    QPainterPath pin;
    pin.addEllipse(QRectF(3, 1, 10, 10));
    pin.moveTo(4.5, 8.5);
    pin.lineTo(8, 15);
    pin.lineTo(11.5, 8.5);
    p.drawPath(pin.simplified());
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6, 4, 4, 4));
    // Organization: a building.
    p.translate(16, 0);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(64, 48, 16));
    p.setBrush(QColor(224, 192, 112));
    p.drawRect(2, 3, 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 96, 160));
    for (int y = 5; y <= 11; y += 3) {
        for (int x = 4; x <= 10; x += 3) {
            p.drawRect(x, y, 2, 2);
        }
    }
    // Organizational unit: a folder.
    p.translate(16, 0);
    p.setPen(QColor(128, 96, 0));
    p.setBrush(QColor(248, 208, 80));
    p.drawRect(1, 4, 14, 10);
    p.drawRect(1, 2, 6, 2);
    return strip;
}

}  // namespace

QImage controlBitmap() {
    return fromArt(false);
}

QImage controlMask() {
    return fromArt(true);
}

void drawMasked(QImage& target, QPoint at, const QImage& bitmap, const QImage& mask) {
    QPainter p(&target);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(at, bitmap);
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(at, mask);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(at, bitmap);
}

std::vector<QPixmap> treeImages() {
    const QPixmap network = networkBitmap();
    const QPixmap server = serverBitmap();
    const QPixmap volume = volumeBitmap();
    const QPixmap containers = containerBitmap();
    auto cut = [](const QPixmap& strip, int index) { return strip.copy(16 * index, 0, 16, 16); };
    return {cut(network, 0),
            server,
            volume,
            cut(network, 1),
            cut(containers, 0),
            cut(containers, 1),
            cut(containers, 2),
            cut(containers, 3)};
}

}  // namespace volmarra::ui
