#include "actionlists.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

namespace varnook {

QTreeWidget* NewChosenUsersList(QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("lstvUsers"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(false);
    return list;
}

void FillChosenUsers(QTreeWidget* list, const QStringList& rows) {
    list->clear();
    list->setColumnCount(1);
    list->setHeaderLabels({QStringLiteral("User Name")});
    list->setColumnWidth(0, static_cast<int>(list->width() / 1.1));
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const QString& text : rows) {
        items << new QTreeWidgetItem(QStringList{text});
    }
    list->addTopLevelItems(items);
}

void PrepareResultColumn(QTreeWidget* list, const QString& caption, double widthDivisor) {
    list->setColumnWidth(0, static_cast<int>(list->width() / 1.65));
    if (list->columnCount() == 1) {
        list->setColumnCount(2);
        list->headerItem()->setText(1, caption);
        list->setColumnWidth(1, static_cast<int>(list->width() / widthDivisor));
        return;
    }
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        list->topLevelItem(i)->setText(1, QString());
    }
}

void ShowResults(QTreeWidget* list, const QStringList& results) {
    for (int i = 0; i < results.size() && i < list->topLevelItemCount(); ++i) {
        list->topLevelItem(i)->setText(1, results[i]);
    }
    const int width = list->columnWidth(1);
    list->resizeColumnToContents(1);
    list->setColumnWidth(1, std::max(width, list->columnWidth(1)));
}

}  // namespace varnook
