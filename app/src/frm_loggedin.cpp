#include "frm_loggedin.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "frmvarnook.h"
#include "twips.h"

namespace varnook {

frm_loggedin::frm_loggedin(frmVarnook& main)
    : ResultWindow(kLoggedInRules, 5400, 5400), main_(main) {
    setObjectName(QStringLiteral("frm_loggedin"));
    setWindowTitle(QStringLiteral("Varnook - All Logged In Users"));
    const double dpi = LogicalDpi(this);
    auto px = [dpi](double tw) { return TwipsToPixels(tw, dpi); };
    Label1 = new QLabel(QStringLiteral("Server :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(px(200), px(120), px(700), px(255));
    lblServerName = new QLabel(QStringLiteral("<server unavailable>"), this);
    lblServerName->setObjectName(QStringLiteral("lblServerName"));
    lblServerName->setGeometry(px(900), px(120), px(3000), px(255));
    lstLoggedIn = new QListWidget(this);
    lstLoggedIn->setObjectName(QStringLiteral("lstLoggedIn"));
    lstLoggedIn->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstLoggedIn->setUniformItemSizes(true);
    lstLoggedIn->move(px(200), px(480));
    lblUserCount = new QLabel(QStringLiteral("<count unavailable>"), this);
    lblUserCount->setObjectName(QStringLiteral("lblUserCount"));
    lblUserCount->setGeometry(px(200), 0, px(3000), px(255));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->resize(std::max(cmdOK->sizeHint().width(), px(1200)),
                  std::max(cmdOK->sizeHint().height(), px(375)));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frm_loggedin::cmdOK_Click);
    Form_Resize();
}

void frm_loggedin::placeControls(const ResultControls& c, double dpi) {
    // The server name sits beside its caption label; the rule sets its width.
    TwipRect name = TwipGeometry(lblServerName, dpi);
    name.width = std::max(0.0, c.caption.width - name.left);
    PlaceInTwips(lblServerName, name, dpi);
    PlaceInTwips(lstLoggedIn, c.list, dpi);
    TwipRect count = TwipGeometry(lblUserCount, dpi);
    count.top = c.belowTop;
    PlaceInTwips(lblUserCount, count, dpi);
    PlaceInTwips(cmdOK, c.ok, dpi);
}

ResultControls frm_loggedin::currentControls(double dpi) const {
    TwipRect caption = TwipGeometry(lblServerName, dpi);
    return {caption, TwipGeometry(lstLoggedIn, dpi), 0, TwipGeometry(cmdOK, dpi)};
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
