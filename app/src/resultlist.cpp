#include "resultlist.h"

#include <QHeaderView>
#include <algorithm>
#include <unordered_map>

namespace varnook {

ResultRowsModel::ResultRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultRowsModel::setColumns(const QStringList& captions, int numericColumn) {
    beginResetModel();
    captions_ = captions.mid(0, kMaxColumns);
    numericColumn_ = numericColumn;
    rows_.clear();
    pending_.clear();
    sortColumn_ = -1;
    endResetModel();
}

void ResultRowsModel::clear() {
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    pending_.clear();
    endResetModel();
}

void ResultRowsModel::flush() {
    if (pending_.empty()) {
        return;
    }
    const size_t before = rows_.size();
    beginInsertRows({}, static_cast<int>(before), static_cast<int>(before + pending_.size() - 1));
    rows_.insert(rows_.end(), std::make_move_iterator(pending_.begin()),
                 std::make_move_iterator(pending_.end()));
    pending_.clear();
    endInsertRows();
    if (sortColumn_ >= 0) {
        for (size_t r = before; r < rows_.size(); ++r) {
            makeKey(rows_[r]);
        }
        reorder(before);
    }
}

void ResultRowsModel::makeKey(Row& row) const {
    const QString& cell = row.cells[static_cast<size_t>(sortColumn_)];
    if (sortColumn_ == numericColumn_) {
        row.number = cell.trimmed().toLongLong(&row.hasNumber);
    } else {
        row.key = cell.toCaseFolded();
    }
}

bool ResultRowsModel::less(const Row& a, const Row& b) const {
    int c = 0;
    if (sortColumn_ == numericColumn_) {
        c = a.hasNumber != b.hasNumber ? (a.hasNumber ? 1 : -1)
                                       : (a.number < b.number ? -1 : (a.number > b.number ? 1 : 0));
    } else {
        c = a.key.compare(b.key);
    }
    if (c == 0) {
        return a.seq < b.seq;
    }
    return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
}

void ResultRowsModel::reorder(size_t sortedUpTo) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<uint32_t> seqs;
    seqs.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) {
        seqs.push_back(rows_[static_cast<size_t>(index.row())].seq);
    }
    auto cmp = [this](const Row& a, const Row& b) { return less(a, b); };
    const auto mid = rows_.begin() + static_cast<std::ptrdiff_t>(sortedUpTo);
    std::sort(mid, rows_.end(), cmp);
    std::inplace_merge(rows_.begin(), mid, rows_.end(), cmp);
    if (!before.isEmpty()) {
        std::unordered_map<uint32_t, int> rowOf;
        rowOf.reserve(seqs.size());
        for (uint32_t s : seqs) {
            rowOf.emplace(s, -1);
        }
        for (size_t r = 0; r < rows_.size(); ++r) {
            if (auto it = rowOf.find(rows_[r].seq); it != rowOf.end()) {
                it->second = static_cast<int>(r);
            }
        }
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            after << index(rowOf[seqs[static_cast<size_t>(i)]], before[i].column());
        }
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultRowsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= captions_.size()) {
        return;
    }
    if (column != sortColumn_) {
        sortColumn_ = column;
        for (Row& row : rows_) {
            row.key.clear();
            makeKey(row);
        }
    }
    sortOrder_ = order;
    reorder(0);
}

QString ResultRowsModel::text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kMaxColumns) {
        return {};
    }
    return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

std::string ResultRowsModel::path(int row) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    return rows_[static_cast<size_t>(row)].path;
}

void ResultRowsModel::setText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kMaxColumns) {
        return;
    }
    Row& changed = rows_[static_cast<size_t>(row)];
    changed.cells[static_cast<size_t>(column)] = text;
    if (column == sortColumn_) {
        makeKey(changed);  // it keeps its place until the next sort
    }
    emit dataChanged(index(row, column), index(row, column));
}

int ResultRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ResultRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    return text(index.row(), index.column());
}

QVariant ResultRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= captions_.size()) {
        return {};
    }
    return captions_[section];
}

ResultListView::ResultListView(QWidget* parent)
    : QTableView(parent), model_(new ResultRowsModel(this)) {
    setModel(model_);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    header()->setHighlightSections(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    // Unsorted (in the order the rows came) until a column header is clicked.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
}

int ResultListView::currentRowIndex() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ResultListView::setCurrentRowIndex(int row) {
    if (row < 0 || row >= count()) {
        setCurrentIndex({});
        return;
    }
    setCurrentIndex(model_->index(row, 0));
}

QString ResultListView::currentText(int column) const {
    return model_->text(currentRowIndex(), column);
}

}  // namespace varnook
