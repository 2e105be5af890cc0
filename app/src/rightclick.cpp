#include "rightclick.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMouseEvent>

namespace varnook {

RightClickKeepsSelection::RightClickKeepsSelection(QAbstractItemView* list,
                                                   std::function<void(const QPoint&)> onPress)
    : QObject(list), onPress_(std::move(onPress)) {
    list->viewport()->installEventFilter(this);
}

bool RightClickKeepsSelection::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::RightButton) {
                break;
            }
            if (event->type() == QEvent::MouseButtonPress && onPress_) {
                onPress_(mouse->globalPosition().toPoint());
            }
            return true;
        }
        case QEvent::ContextMenu:
            if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) {
                return true;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace varnook
