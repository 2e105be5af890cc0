// An up-down control: two small arrow buttons that step a value within a range; attached to a
// text box as its buddy.
#pragma once

#include <QWidget>

class QToolButton;

namespace varnook {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);
    void setRange(int min, int max);
    int value() const { return value_; }
    // Sets the value without announcing it (as when the buddy's text sets it).
    void setValue(int v);
    void stepUp() { step(+1); }
    void stepDown() { step(-1); }

signals:
    // The user moved the control.
    void changed(int value);

private:
    void step(int delta);
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 1;
    int max_ = 60;
    int value_ = 1;
};

}  // namespace varnook
