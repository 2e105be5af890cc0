#include "frm_loggedin.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "frmvarnook.h"
#include "rightclick.h"
#include "twips.h"

namespace varnook {

frm_loggedin::frm_loggedin(frmVarnook& main)
    : ResultWindow(kLoggedInRules, 5400, 5400), main_(main) {
    setObjectName(QStringLiteral("frm_loggedin"));
    setWindowTitle(QStringLiteral("Varnook - All Logged In Users"));
    Label1 = addLabel("Label1", QStringLiteral("Server :"), {200, 120, 700, 255});
    lblServerName =
        addLabel("lblServerName", QStringLiteral("<server unavailable>"), {900, 120, 3000, 255});
    lstLoggedIn = new QListWidget(this);
    lstLoggedIn->setObjectName(QStringLiteral("lstLoggedIn"));
    lstLoggedIn->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstLoggedIn->setUniformItemSizes(true);
    PlaceInTwips(lstLoggedIn, {200, 480, 3000, 2000}, LogicalDpi(this));
    lblUserCount =
        addLabel("lblUserCount", QStringLiteral("<count unavailable>"), {200, 0, 3000, 255});
    cmdOK = addOkButton("cmdOK");
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { main_.runGuarded([this] { cmdOK_Click(); }); });
    // The list has no menu: a right click changes nothing, not even the selection.
    new RightClickKeepsSelection(lstLoggedIn, {});
    setLayoutParts(lblServerName, lstLoggedIn, {lblUserCount}, cmdOK);
}

void frm_loggedin::cmdOK_Click() {
    main_.state().UserListSource = 1;
    close();
}

void frm_loggedin::onClose() {
    // The list goes with the window; closed by its frame, the window stays the source of the
    // user actions, which then find no rows.
    lstLoggedIn->clear();
    lblServerName->setText(QStringLiteral("<server unavailable>"));
    lblUserCount->setText(QStringLiteral("<count unavailable>"));
}

}  // namespace varnook
