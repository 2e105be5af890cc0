#include "frm_otherfiles.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "ansi.h"
#include "frmvarnook.h"
#include "twips.h"

namespace varnook {

frm_OtherFiles::frm_OtherFiles(frmVarnook& main)
    : ResultWindow(kOtherFilesRules, 7200, 4800), main_(main) {
    setObjectName(QStringLiteral("frm_OtherFiles"));
    setWindowTitle(QStringLiteral("Varnook - Other files open by user"));
    lbl_UserName = addLabel("lbl_UserName", QString(), {50, 60, 4000, 255});
    lstvFiles = new ResultListView(this);
    lstvFiles->setObjectName(QStringLiteral("lstvFiles"));
    PlaceInTwips(lstvFiles, {100, 400, 4000, 2000}, LogicalDpi(this));
    lblOtherFiles =
        addLabel("lblOtherFiles", QStringLiteral("File Count: <n/a>"), {100, 0, 4000, 255});
    cmdOK = addOkButton("cmdOK");
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { main_.runGuarded([this] { cmdOK_Click(); }); });
    connect(lstvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        main_.runGuarded([this, p] {
            lstvFiles_MouseDown(Qt::RightButton, lstvFiles->viewport()->mapToGlobal(p));
        });
    });
    prepare();
    setLayoutParts(lbl_UserName, lstvFiles, {lblOtherFiles}, cmdOK);
}

void frm_OtherFiles::prepare() {
    lstvFiles->rows()->setColumns({QStringLiteral("File name"), QStringLiteral("Locks")}, 1);
    lstvFiles->header()->setSortIndicator(-1, Qt::AscendingOrder);
    const int width = lstvFiles->width();
    lstvFiles->setColumnWidth(0, static_cast<int>(width / 1.5));
    lstvFiles->setColumnWidth(1, static_cast<int>(width / 4.1));
}

void frm_OtherFiles::addFile(const OpenFileRow& row) {
    lstvFiles->rows()->add({FromAnsi(row.fileText), FromAnsi(row.LocksText()), QString()},
                           row.dosPath);
}

void frm_OtherFiles::placeColumns(double listWidth, double dpi) {
    lstvFiles->setColumnWidth(0, TwipsToPixels(listWidth / 1.4, dpi));
    // The rule's 350 twips, but never narrower than the caption "Locks".
    lstvFiles->setColumnWidth(
        1, std::max(TwipsToPixels(350, dpi), lstvFiles->header()->sectionSizeHint(1)));
}

void frm_OtherFiles::cmdOK_Click() {
    close();
}

void frm_OtherFiles::onClose() {
    // However the window goes, the lock action no longer reads its list.
    if (main_.state().LockFileSource == 2) {
        main_.state().LockFileSource = 1;
    }
    lstvFiles->rows()->clear();
}

void frm_OtherFiles::lstvFiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton || lstvFiles->count() == 0 ||
        lstvFiles->currentText(1).isEmpty()) {
        return;
    }
    main_.state().UserListSource = 1;
    main_.state().LockFileSource = 2;
    main_.popupMenu(main_.submnuLocks, globalPos);
}

}  // namespace varnook
