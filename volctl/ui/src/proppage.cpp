#include "proppage.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "bitmaps.h"
#include "netclient/client.h"
#include "volctl/errors.h"

namespace volmarra::ui {
namespace {

// Shows the wait cursor while the network is asked.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

// ---- The dialog ---------------------------------------------------------------------------------

PropPageDialog::PropPageDialog(nw::Client& client, std::u16string_view currentFullName,
                               QWidget* parent)
    : QWidget(parent) {
    WaitCursor wait;
    tree = new QTreeWidget(this);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setIconSize(QSize(16, 16));
    for (const QPixmap& image : treeImages()) {
        icons_.emplace_back(image);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(tree);

    model_ = std::make_unique<NetworkTree>(client);
    QTreeWidgetItem* root = addItem(nullptr, model_->root());
    populate(root);
    root->setExpanded(true);
    for (int i = 0; i < root->childCount(); ++i) {
        populate(root->child(i));
        root->child(i)->setExpanded(true);
    }
    connect(tree, &QTreeWidget::itemExpanded, this, &PropPageDialog::expanded);
    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { selected(current); });
    if (const NetNode* current = model_->open(currentFullName)) {
        select(*current);
        tree->scrollToItem(itemOf(current));
    }
    // Showing the current name is no change.
    modified_ = false;
}

PropPageDialog::~PropPageDialog() = default;

QTreeWidgetItem* PropPageDialog::addItem(QTreeWidgetItem* parent, NetNode& node) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, QString::fromStdU16String(node.text));
    item->setIcon(0, icons_.at(static_cast<std::size_t>(node.image)));
    item->setChildIndicatorPolicy(node.expandable() && !node.listed
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    items_[&node] = item;
    return item;
}

QTreeWidgetItem* PropPageDialog::itemOf(const NetNode* node) const {
    const auto it = items_.find(node);
    return it != items_.end() ? it->second : nullptr;
}

NetNode* PropPageDialog::nodeOf(const QTreeWidgetItem* item) const {
    return item != nullptr
               ? reinterpret_cast<NetNode*>(item->data(0, Qt::UserRole).value<quintptr>())
               : nullptr;
}

void PropPageDialog::populate(QTreeWidgetItem* item) {
    NetNode* node = nodeOf(item);
    if (node == nullptr) {
        return;
    }
    for (const auto& child : node->children) {
        if (itemOf(child.get()) == nullptr) {
            addItem(item, *child);
        }
    }
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void PropPageDialog::expanded(QTreeWidgetItem* item) {
    NetNode* node = nodeOf(item);
    if (node == nullptr) {
        return;
    }
    if (!node->listed) {
        WaitCursor wait;
        model_->expand(*node);
    }
    populate(item);
}

void PropPageDialog::reveal(const NetNode& node) {
    std::vector<const NetNode*> chain;
    for (const NetNode* n = node.parent; n != nullptr; n = n->parent) {
        chain.insert(chain.begin(), n);
    }
    for (const NetNode* n : chain) {
        if (QTreeWidgetItem* item = itemOf(n)) {
            populate(item);
            item->setExpanded(true);
        }
    }
}

void PropPageDialog::select(const NetNode& node) {
    reveal(node);
    if (QTreeWidgetItem* item = itemOf(&node)) {
        tree->setCurrentItem(item);
    }
}

void PropPageDialog::selected(QTreeWidgetItem* item) {
    const NetNode* node = item != nullptr ? nodeOf(item) : nullptr;
    name_ = node != nullptr ? NetworkTree::fullNameOf(*node) : std::u16string();
    setModified(node != nullptr && node->isVolume());
}

void PropPageDialog::setModified(bool modified) {
    modified_ = modified;
    if (onStatusChanged) {
        onStatusChanged();
    }
}

// ---- The page object ----------------------------------------------------------------------------

CVolmarraPropPage::CVolmarraPropPage() : CVolmarraPropPage(nw::processClient()) {}

CVolmarraPropPage::~CVolmarraPropPage() {
    if (dialog_) {
        dialog_->onStatusChanged = nullptr;
    }
}

vnk::win::HRESULT CVolmarraPropPage::SetObjects(vnk::com::IUnknown* object) {
    control_.reset();
    if (object == nullptr) {
        return vnk::win::S_OK;
    }
    return object->QueryInterface(vnk::com::IDispatch::iid, control_.putVoid());
}

QWidget* CVolmarraPropPage::Activate(QWidget* parent) {
    std::u16string current;
    if (control_) {
        vnk::com::Variant name;
        if (vnk::com::getProperty(control_.get(), u"FullName", &name) == vnk::win::S_OK) {
            current = name.asString().value_or(u"");
        }
    }
    dialog_ = new PropPageDialog(client_, current, parent);
    dialog_->onStatusChanged = [this] {
        if (site_) {
            site_();
        }
    };
    return dialog_;
}

std::u16string CVolmarraPropPage::Title() {
    return std::u16string(stringResource(kTextPropPageName));
}

bool CVolmarraPropPage::IsPageDirty() {
    return dialog_ && dialog_->isModified();
}

vnk::win::HRESULT CVolmarraPropPage::Apply(vnk::com::ExcepInfo* excep) {
    if (!IsPageDirty() || !control_) {
        return vnk::win::S_OK;
    }
    const vnk::win::HRESULT hr = vnk::com::putProperty(
        control_.get(), u"FullName", vnk::com::Variant(dialog_->selectedName()), excep);
    if (vnk::win::SUCCEEDED(hr)) {
        dialog_->setModified(false);
    }
    return hr;
}

void CVolmarraPropPage::SetPageSite(std::function<void()> statusChanged) {
    site_ = std::move(statusChanged);
}

vnk::win::HRESULT createVolmarraPropPage(const vnk::com::IID& iid, void** out) {
    return vnk::com::createInstanceOf<CVolmarraPropPage>(iid, out);
}

}  // namespace volmarra::ui
