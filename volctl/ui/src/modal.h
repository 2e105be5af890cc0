// Every modal window of the control (about box, property frame, its message) runs through one
// replaceable runner, so tests can look at a window or fill it in instead of running its loop.
#pragma once

#include <functional>

class QDialog;

namespace volmarra::ui {

using ModalRunner = std::function<int(QDialog&)>;

// Replaces the runner (an empty one restores QDialog::exec). Returns the one it replaced.
ModalRunner setModalRunner(ModalRunner runner);
// Runs the dialog modally and returns its result.
int runModal(QDialog& dialog);

}  // namespace volmarra::ui
