// The control's window: a framed square of a fixed 28 x 28 pixels with the control's picture
// 6 pixels in; its context menu offers the control's verbs (properties, about box).
#pragma once

#include <QAction>
#include <QWidget>

#include "platform/dispatch.h"

namespace nw {
class Client;
}

namespace volmarra::ui {

class ControlWindow : public QWidget {
    Q_OBJECT
public:
    // Keeps a reference to the control while the window exists.
    ControlWindow(vnk::com::ComPtr<vnk::com::IDispatch> control, nw::Client& client,
                  QWidget* parent);
    ~ControlWindow() override;

    vnk::com::IDispatch* control() const { return control_.get(); }
    // The control's state changed (its FullName): the tool tip follows.
    void controlChanged();
    // The picture as the window draws it, at its fixed size.
    QImage render() const;

    QAction* propertiesVerb;
    QAction* aboutVerb;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    vnk::com::ComPtr<vnk::com::IDispatch> control_;
    nw::Client& client_;
};

}  // namespace volmarra::ui
