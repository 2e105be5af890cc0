// The main window's queries and actions on files, users and servers. Each handler is reached
// from its menu entry, button or list event; the query and action windows fill them in.
#include <QListWidget>

#include "frmvarnook.h"

namespace varnook {

void frmVarnook::cmd_scan_Click() {}

void frmVarnook::optionotherfiles_Click() {}

void frmVarnook::submnuAllusers_Click() {}

void frmVarnook::submnuAllFiles_Click() {}

void frmVarnook::lstLoginIDs_MouseDown(Qt::MouseButton, const QPoint&) {}

void frmVarnook::lstLoginIDs_DblClick() {
    optionotherfiles_Click();
}

int frmVarnook::UserListInForceCount() const {
    // Source 2, the all-connections window's list, joins with that window.
    return state_.UserListSource == 1 ? lstLoginIDs->count() : 0;
}

}  // namespace varnook
