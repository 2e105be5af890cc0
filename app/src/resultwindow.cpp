#include "resultwindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "twips.h"

namespace varnook {

TwipRect TwipGeometry(const QWidget* w, double dpi) {
    const QRect g = w->geometry();
    return {PixelsToTwips(g.x(), dpi), PixelsToTwips(g.y(), dpi), PixelsToTwips(g.width(), dpi),
            PixelsToTwips(g.height(), dpi)};
}

void PlaceInTwips(QWidget* w, const TwipRect& r, double dpi) {
    w->setGeometry(TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi),
                   TwipsToPixels(r.width, dpi), TwipsToPixels(r.height, dpi));
}

ResultWindow::ResultWindow(const ResultWindowRules& rules, double width, double height)
    : QWidget(nullptr, Qt::Window), rules_(rules) {
    const double dpi = LogicalDpi(this);
    setMinimumSize(TwipsToPixels(rules.minWidth - kFrameWidth, dpi),
                   TwipsToPixels(rules.minHeight - kFrameHeight, dpi));
    resize(TwipsToPixels(width - kFrameWidth, dpi), TwipsToPixels(height - kFrameHeight, dpi));
}

TwipSize ResultWindow::twipSize() const {
    const double dpi = LogicalDpi(this);
    return {PixelsToTwips(width(), dpi) + kFrameWidth, PixelsToTwips(height(), dpi) + kFrameHeight};
}

void ResultWindow::Form_Resize() {
    const double dpi = LogicalDpi(this);
    const TwipSize size = twipSize();
    if (auto bigger = EnlargeResultWindow(rules_, size.width, size.height, isMinimized())) {
        resize(TwipsToPixels(bigger->width - kFrameWidth, dpi),
               TwipsToPixels(bigger->height - kFrameHeight, dpi));
        return;  // the size change lays the window out again
    }
    if (isMinimized() || list_ == nullptr) {
        return;
    }
    const ResultControls current{TwipGeometry(caption_, dpi), TwipGeometry(list_, dpi), 0,
                                 TwipGeometry(ok_, dpi)};
    const ResultControls c = LayoutResultWindow(rules_, current, size.width, size.height);
    PlaceInTwips(caption_, c.caption, dpi);
    PlaceInTwips(list_, c.list, dpi);
    for (QWidget* w : below_) {
        TwipRect r = TwipGeometry(w, dpi);
        r.top = c.belowTop;
        PlaceInTwips(w, r, dpi);
    }
    PlaceInTwips(ok_, c.ok, dpi);
    placeColumns(c.list.width, dpi);
}

void ResultWindow::setLayoutParts(QWidget* caption, QWidget* list, std::vector<QWidget*> below,
                                  QWidget* ok) {
    caption_ = caption;
    list_ = list;
    below_ = std::move(below);
    ok_ = ok;
    Form_Resize();
}

QLabel* ResultWindow::addLabel(const char* name, const QString& text, const TwipRect& place) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    PlaceInTwips(label, place, LogicalDpi(this));
    return label;
}

QPushButton* ResultWindow::addOkButton(const char* name) {
    const double dpi = LogicalDpi(this);
    auto* button = new QPushButton(QStringLiteral("OK"), this);
    button->setObjectName(QString::fromLatin1(name));
    button->resize(std::max(button->sizeHint().width(), TwipsToPixels(1200, dpi)),
                   std::max(button->sizeHint().height(), TwipsToPixels(375, dpi)));
    button->setDefault(true);
    return button;
}

void ResultWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void ResultWindow::closeEvent(QCloseEvent* event) {
    ++generation_;
    onClose();
    emit closed();
    QWidget::closeEvent(event);
}

}  // namespace varnook
