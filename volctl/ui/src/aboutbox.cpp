#include "aboutbox.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "bitmaps.h"
#include "modal.h"
#include "volctl/errors.h"
#include "volctl/ids.h"

namespace volmarra::ui {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    const QString displayName =
        QString::fromStdU16String(std::u16string(stringResource(kTextControlName)));
    setWindowTitle(QStringLiteral("About ") + displayName);
    setModal(true);

    QImage art(kBitmapWidth, kBitmapHeight, QImage::Format_RGB32);
    art.fill(palette().color(QPalette::Window));
    drawMasked(art, QPoint(0, 0), controlBitmap(), controlMask());
    picture = new QLabel(this);
    picture->setPixmap(QPixmap::fromImage(art.scaled(art.size() * 2)));
    name = new QLabel(displayName, this);
    version =
        new QLabel(QStringLiteral("Version %1.%2").arg(kTypeLibMajor).arg(kTypeLibMinor), this);
    purpose = new QLabel(QStringLiteral("Administration of one NetWare volume"), this);
    ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(16);
    grid->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(purpose, 2, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    setFixedSize(sizeHint());
}

void showAboutBox(QWidget* parent) {
    AboutBox box(parent);
    runModal(box);
}

}  // namespace volmarra::ui
