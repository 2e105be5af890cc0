#include "frm_allfiles.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "ansi.h"
#include "core/strtext.h"
#include "frmvarnook.h"
#include "twips.h"

namespace varnook {

frm_AllFiles::frm_AllFiles(frmVarnook& main)
    : ResultWindow(kAllFilesRules, 9600, 6600), main_(main) {
    setObjectName(QStringLiteral("frm_AllFiles"));
    setWindowTitle(QStringLiteral("Varnook - All open files on a server..."));
    lbl_ServerName = addLabel("lbl_ServerName", QString(), {50, 60, 4000, 255});
    lst_Files = new ResultListView(this);
    lst_Files->setObjectName(QStringLiteral("lst_Files"));
    PlaceInTwips(lst_Files, {50, 400, 4000, 2000}, LogicalDpi(this));
    lblMsg = addLabel("lblMsg", QString(), {50, 0, 3600, 255});
    PBar1 = new QProgressBar(this);
    PBar1->setObjectName(QStringLiteral("PBar1"));
    PBar1->setTextVisible(false);
    PlaceInTwips(PBar1, {3700, 0, 2400, 255}, LogicalDpi(this));
    lblFileCount = addLabel("lblFileCount", QString(), {6300, 0, 2400, 255});
    cmd_OK = addOkButton("cmd_OK");
    connect(cmd_OK, &QPushButton::clicked, this,
            [this] { main_.runGuarded([this] { cmd_OK_Click(); }); });
    connect(lst_Files, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        main_.runGuarded([this, p] {
            lst_Files_MouseDown(Qt::RightButton, lst_Files->viewport()->mapToGlobal(p));
        });
    });
    prepare(QString());
    setLayoutParts(lbl_ServerName, lst_Files, {lblMsg, PBar1, lblFileCount}, cmd_OK);
}

void frm_AllFiles::prepare(const QString& serverName) {
    lst_Files->rows()->setColumns(
        {QStringLiteral("File Name"), QStringLiteral("User Name"), QStringLiteral("Locks")}, 2);
    lst_Files->header()->setSortIndicator(-1, Qt::AscendingOrder);
    const int width = lst_Files->width();
    lst_Files->setColumnWidth(0, static_cast<int>(width / 1.8));
    lst_Files->setColumnWidth(1, width / 4);
    lst_Files->setColumnWidth(2, width / 4);
    lbl_ServerName->setText(QStringLiteral("Server: ") + serverName);
    lblMsg->setText(QStringLiteral("Retrieving open files, please wait..."));
    lblFileCount->clear();
    PBar1->setRange(0, 1);
    PBar1->setValue(0);
    PBar1->show();
    progress_ = -1;
}

void frm_AllFiles::addFile(const std::string& userName, const OpenFileRow& row) {
    if (userName != lastUser_ || lastUserText_.isNull()) {
        lastUser_ = userName;
        lastUserText_ = FromAnsi(userName);
    }
    lst_Files->rows()->add({FromAnsi(row.fileText), lastUserText_, FromAnsi(row.LocksText())},
                           row.dosPath);
}

void frm_AllFiles::flush() {
    ResultRowsModel* rows = lst_Files->rows();
    const bool grew = rows->totalRows() != rows->rowCount();
    rows->flush();
    if (grew || lblFileCount->text().isEmpty()) {
        lblFileCount->setText(QStringLiteral("File count: ") +
                              QString::fromStdString(StrText(rows->rowCount())));
    }
    if (progress_ >= 0) {
        PBar1->setValue(progress_);
    }
}

void frm_AllFiles::placeColumns(double listWidth, double dpi) {
    lst_Files->setColumnWidth(0, TwipsToPixels(listWidth / 1.7, dpi));
    lst_Files->setColumnWidth(1, TwipsToPixels(listWidth / 5, dpi));
    // The rule's 400 twips, but never narrower than the caption "Locks".
    lst_Files->setColumnWidth(
        2, std::max(TwipsToPixels(400, dpi), lst_Files->header()->sectionSizeHint(2)));
}

void frm_AllFiles::cmd_OK_Click() {
    close();
}

void frm_AllFiles::onClose() {
    // However the window goes, a running walk stops and the lock action no longer reads it.
    AppState& s = main_.state();
    s.AllFilesRunning = 0;
    if (s.LockFileSource == 3) {
        s.LockFileSource = 1;
    }
    lst_Files->rows()->clear();
    lastUser_.clear();
    lastUserText_ = QString();
}

void frm_AllFiles::lst_Files_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton || lst_Files->count() == 0 ||
        lst_Files->currentText(2).isEmpty()) {
        return;
    }
    main_.state().LockFileSource = 3;
    main_.popupMenu(main_.submnuLocks, globalPos);
}

}  // namespace varnook
