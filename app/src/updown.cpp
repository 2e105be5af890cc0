#include "updown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace varnook {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    for (auto* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setRange(int min, int max) {
    min_ = min;
    max_ = max;
    value_ = std::clamp(value_, min_, max_);
}

void UpDown::setValue(int v) {
    value_ = std::clamp(v, min_, max_);
}

void UpDown::step(int delta) {
    const int next = std::clamp(value_ + delta, min_, max_);
    value_ = next;
    emit changed(value_);
}

}  // namespace varnook
