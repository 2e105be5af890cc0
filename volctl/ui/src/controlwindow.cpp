#include "controlwindow.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

#include "aboutbox.h"
#include "bitmaps.h"
#include "propframe.h"
#include "volctl/errors.h"
#include "volctl/ids.h"

namespace volmarra::ui {

ControlWindow::ControlWindow(vnk::com::ComPtr<vnk::com::IDispatch> control, nw::Client& client,
                             QWidget* parent)
    : QWidget(parent), control_(std::move(control)), client_(client) {
    setFixedSize(kControlPixels, kControlPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    propertiesVerb = new QAction(QStringLiteral("&Properties..."), this);
    aboutVerb = new QAction(QStringLiteral("&About..."), this);
    connect(propertiesVerb, &QAction::triggered, this,
            [this] { showPropertyPage(control_.get(), client_, this); });
    connect(aboutVerb, &QAction::triggered, this, [this] {
        vnk::com::Variant none;
        vnk::com::call(control_.get(), u"AboutBox", {}, &none);
    });
    controlChanged();
}

ControlWindow::~ControlWindow() = default;

void ControlWindow::controlChanged() {
    QString tip = QString::fromStdU16String(std::u16string(stringResource(kTextControlName)));
    vnk::com::Variant name;
    if (vnk::com::getProperty(control_.get(), u"FullName", &name) == vnk::win::S_OK) {
        const std::u16string fullName = name.asString().value_or(u"");
        if (!fullName.empty()) {
            tip += QLatin1Char('\n') + QString::fromStdU16String(fullName);
        }
    }
    setToolTip(tip);
}

QImage ControlWindow::render() const {
    QImage image(kControlPixels, kControlPixels, QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Button));
    {
        QPainter p(&image);
        p.setPen(palette().color(QPalette::Shadow));
        p.drawRect(0, 0, kControlPixels - 1, kControlPixels - 1);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(1, 1, kControlPixels - 3, 1);
        p.drawLine(1, 1, 1, kControlPixels - 3);
    }
    drawMasked(image, QPoint(kBitmapInset, kBitmapInset), controlBitmap(), controlMask());
    return image;
}

void ControlWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, render());
}

void ControlWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(propertiesVerb);
    menu.addAction(aboutVerb);
    menu.exec(event->globalPos());
}

}  // namespace volmarra::ui
