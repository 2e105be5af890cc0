#include "modal.h"

#include <QDialog>

namespace volmarra::ui {
namespace {

ModalRunner& current() {
    static ModalRunner runner;
    return runner;
}

}  // namespace

ModalRunner setModalRunner(ModalRunner runner) {
    ModalRunner previous = std::move(current());
    current() = std::move(runner);
    return previous;
}

int runModal(QDialog& dialog) {
    if (current()) {
        return current()(dialog);
    }
    return dialog.exec();
}

}  // namespace volmarra::ui
