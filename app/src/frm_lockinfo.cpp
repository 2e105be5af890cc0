#include "frm_lockinfo.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTreeWidget>

#include "ansi.h"
#include "core/locklayout.h"
#include "twips.h"

namespace varnook {

namespace {
constexpr double kWidth = 7200;
constexpr double kHeight = 4200;
constexpr double kListTop = 780;
// The part of the window's height that its title bar and borders take, which the layout's window
// height includes. Widths are the inner width, so the controls keep equal margins.
constexpr double kFrameHeight = 390;
}  // namespace

frm_LockInfo::frm_LockInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_LockInfo"));
    setWindowTitle(QStringLiteral("Varnook - File lock information"));
    setModal(true);
    const double dpi = LogicalDpi(this);
    auto px = [dpi](double tw) { return TwipsToPixels(tw, dpi); };

    lblLockFileName = new QLabel(QStringLiteral("File: "), this);
    lblLockFileName->setObjectName(QStringLiteral("lblLockFileName"));
    lblLockFileName->setGeometry(px(50), px(120), px(kWidth - 100), px(255));
    lblServer = new QLabel(this);
    lblServer->setObjectName(QStringLiteral("lblServer"));
    lblServer->setGeometry(px(50), px(420), px(kWidth - 100), px(255));

    lstvFileLock = new QTreeWidget(this);
    lstvFileLock->setObjectName(QStringLiteral("lstvFileLock"));
    lstvFileLock->setRootIsDecorated(false);
    lstvFileLock->setUniformRowHeights(true);
    lstvFileLock->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstvFileLock->setHeaderLabels({QStringLiteral("Lock type"), QStringLiteral("Start Pos"),
                                   QStringLiteral("End Pos"), QStringLiteral("Task")});
    lstvFileLock->header()->setStretchLastSection(false);
    lstvFileLock->setGeometry(px(50), px(kListTop), px(kWidth - 100), px(kHeight - 2100));

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->resize(px(1200), px(375));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogInfoView).pixmap(32, 32));

    setMinimumSize(px(kLockInfoMinWidth), px(kLockInfoMinHeight - kFrameHeight));
    resize(px(kWidth), px(kHeight - kFrameHeight));
    Form_Resize();
}

void frm_LockInfo::ShowLocks(const QString& fileName, const QString& serverName,
                             const std::vector<LockRow>& rows) {
    QList<QTreeWidgetItem*> items;
    for (const LockRow& row : rows) {
        items << new QTreeWidgetItem(
            {FromAnsi(row.type), FromAnsi(row.start), FromAnsi(row.end), FromAnsi(row.task)});
    }
    lstvFileLock->addTopLevelItems(items);
    lblLockFileName->setText(
        FromAnsi(LockCountLabel(ToAnsi(fileName), static_cast<size_t>(items.size()))));
    lblServer->setText(QStringLiteral("Server: ") + serverName);
}

void frm_LockInfo::Form_Resize() {
    const double dpi = LogicalDpi(this);
    auto tw = [dpi](int pixels) { return PixelsToTwips(pixels, dpi); };
    auto px = [dpi](double twips) { return TwipsToPixels(twips, dpi); };
    const double W = tw(width());
    const double H = tw(height()) + kFrameHeight;
    if (auto bigger = LockInfoMinimumSize(W, H, isMinimized())) {
        resize(px(bigger->width), px(bigger->height - kFrameHeight));
        return;
    }
    LockInfoControls c;
    c.cmdOK = {0, 0, tw(cmdOK->width()), tw(cmdOK->height())};
    c.lstvFileLock.top = tw(lstvFileLock->y());
    const LockInfoControls l = LayoutLockInfo(c, W, H, isMinimized());
    if (isMinimized()) {
        return;
    }
    lblLockFileName->resize(px(l.lblLockFileName.width), lblLockFileName->height());
    lblServer->resize(px(l.lblLockFileName.width), lblServer->height());
    cmdOK->move(px(l.cmdOK.left), px(l.cmdOK.top));
    Picture1->move(px(120), cmdOK->y() + cmdOK->height() - Picture1->sizeHint().height());
    lstvFileLock->resize(px(l.lstvFileLock.width), px(l.lstvFileLock.height));
    for (int i = 0; i < 4; ++i) {
        lstvFileLock->setColumnWidth(i, px(l.columns[static_cast<size_t>(i)]));
    }
}

void frm_LockInfo::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

}  // namespace varnook
