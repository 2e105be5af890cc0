// The property page: one tree of the network's servers, directory trees and volumes; selecting
// a volume makes its FullName the page's value.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/dispatch.h"
#include "volctl/hosting.h"
#include "volctl/nettree.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace volmarra::ui {

// The page's dialog. Built with the control's current FullName, which it opens and selects.
class PropPageDialog : public QWidget {
    Q_OBJECT
public:
    PropPageDialog(nw::Client& client, std::u16string_view currentFullName, QWidget* parent);
    ~PropPageDialog() override;

    QTreeWidget* tree;

    // The name built from the selected node (empty unless it is a volume).
    const std::u16string& selectedName() const { return name_; }
    // Set when a volume is selected: the page then has a value to apply.
    bool isModified() const { return modified_; }
    void setModified(bool modified);
    // Called whenever the modified flag may have changed.
    std::function<void()> onStatusChanged;

    // The tree item of a node (null when it is not shown yet).
    QTreeWidgetItem* itemOf(const NetNode* node) const;
    NetNode* nodeOf(const QTreeWidgetItem* item) const;
    // Selects a node's item, as a click does.
    void select(const NetNode& node);

private:
    QTreeWidgetItem* addItem(QTreeWidgetItem* parent, NetNode& node);
    // Gives every listed child of the item's node its item.
    void populate(QTreeWidgetItem* item);
    void expanded(QTreeWidgetItem* item);
    void selected(QTreeWidgetItem* item);
    // Shows the items from the root down to node, expanded.
    void reveal(const NetNode& node);

    std::unique_ptr<NetworkTree> model_;
    std::vector<QIcon> icons_;
    std::unordered_map<const NetNode*, QTreeWidgetItem*> items_;
    std::u16string name_;
    bool modified_ = false;
};

// The creatable property page class (VolmarraLib.VolmarraPropPage.1).
class CVolmarraPropPage final : public vnk::com::Object<CVolmarraPropPage, IQtPropertyPage> {
public:
    CVolmarraPropPage();  // on the process's client
    explicit CVolmarraPropPage(nw::Client& client) : client_(client) {}
    ~CVolmarraPropPage();

    vnk::win::HRESULT SetObjects(vnk::com::IUnknown* object) override;
    QWidget* Activate(QWidget* parent) override;
    std::u16string Title() override;
    bool IsPageDirty() override;
    vnk::win::HRESULT Apply(vnk::com::ExcepInfo* excep) override;
    void SetPageSite(std::function<void()> statusChanged) override;

    PropPageDialog* dialog() const { return dialog_; }

private:
    nw::Client& client_;
    vnk::com::ComPtr<vnk::com::IDispatch> control_;
    QPointer<PropPageDialog> dialog_;
    std::function<void()> site_;
};

// The class factory's create function of the property page.
vnk::win::HRESULT createVolmarraPropPage(const vnk::com::IID& iid, void** out);

}  // namespace volmarra::ui
