// Keeps a right click on a list from moving its selection (Qt's item views select the row under a
// click of any button). The right button's press, release and double click are taken before the
// list sees them; the press goes to onPress with its global position, and the context menu event
// that the press brings about is dropped (a menu asked for from the keyboard still comes).
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QAbstractItemView;

namespace varnook {

class RightClickKeepsSelection : public QObject {
    Q_OBJECT
public:
    RightClickKeepsSelection(QAbstractItemView* list, std::function<void(const QPoint&)> onPress);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QPoint&)> onPress_;
};

}  // namespace varnook
