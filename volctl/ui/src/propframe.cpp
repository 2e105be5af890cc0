#include "propframe.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "modal.h"
#include "proppage.h"
#include "volctl/errors.h"

namespace volmarra::ui {

PropertyFrame::PropertyFrame(vnk::com::ComPtr<IQtPropertyPage> page, QWidget* parent)
    : QDialog(parent), page_(std::move(page)) {
    setWindowTitle(QString::fromStdU16String(std::u16string(stringResource(kTextControlName))) +
                   QStringLiteral(" Properties"));
    setModal(true);
    pageWidget = page_->Activate(this);
    pageWidget->setToolTip(QString::fromStdU16String(page_->Title()));
    auto* buttons = new QDialogButtonBox(this);
    ok = buttons->addButton(QDialogButtonBox::Ok);
    cancel = buttons->addButton(QDialogButtonBox::Cancel);
    apply = buttons->addButton(QDialogButtonBox::Apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pageWidget, 1);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (applyPage()) {
            accept();
        }
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, [this] { applyPage(); });
    page_->SetPageSite([this] { statusChanged(); });
    statusChanged();
    resize(360, 420);
}

PropertyFrame::~PropertyFrame() {
    page_->SetPageSite(nullptr);
}

void PropertyFrame::statusChanged() {
    apply->setEnabled(page_->IsPageDirty());
}

bool PropertyFrame::applyPage() {
    vnk::com::ExcepInfo excep;
    if (vnk::win::SUCCEEDED(page_->Apply(&excep))) {
        statusChanged();
        return true;
    }
    QString text = QString::fromStdU16String(excep.description);
    if (text.isEmpty()) {
        text = QStringLiteral("The control did not take the value.");
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    runModal(box);
    return false;
}

void showPropertyPage(vnk::com::IUnknown* control, nw::Client& client, QWidget* parent) {
    vnk::com::ComPtr<IQtPropertyPage> page(new CVolmarraPropPage(client));
    page->SetObjects(control);
    PropertyFrame frame(page, parent);
    runModal(frame);
}

}  // namespace volmarra::ui
