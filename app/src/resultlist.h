// The list views of the query result windows: a report list of up to three text columns that
// stays fast at 100,000 rows. Rows arrive in batches (add, then flush), a header click sorts by
// that column, and rows that arrive while the list is sorted are merged into their places.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnook {

class ResultRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kMaxColumns = 3;
    using Cells = std::array<QString, kMaxColumns>;

    explicit ResultRowsModel(QObject* parent = nullptr);

    // Sets the column captions and removes every row; numericColumn (or -1) sorts by number.
    void setColumns(const QStringList& captions, int numericColumn = -1);
    void clear();

    // Adds a row to the batch waiting for the next flush(); path is kept with it, not shown.
    void add(Cells cells, std::string path = {}) {
        Row& row = pending_.emplace_back();
        row.cells = std::move(cells);
        row.path = std::move(path);
        row.seq = nextSeq_++;
    }
    // Shows the waiting rows; while the list is sorted they go to their sorted places.
    void flush();
    // Rows shown and waiting.
    int totalRows() const { return static_cast<int>(rows_.size() + pending_.size()); }

    QString text(int row, int column) const;
    // The path kept with a shown row; empty for a row without one or no such row.
    std::string path(int row) const;
    void setText(int row, int column, const QString& text);
    int sortColumn() const { return sortColumn_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // column -1 leaves the order as it stands.
    void sort(int column, Qt::SortOrder order) override;

private:
    struct Row {
        Cells cells;
        std::string path;
        uint32_t seq = 0;  // arrival order: ties keep it, and persistent indexes follow it
        // The sort key of the sort column, made once per row: the case-folded text, or for the
        // numeric column the number (rows without one come first).
        QString key;
        qint64 number = 0;
        bool hasNumber = false;
    };
    void makeKey(Row& row) const;
    bool less(const Row& a, const Row& b) const;
    // Reorders rows_ by the current key; [0, sortedUpTo) is sorted already.
    void reorder(size_t sortedUpTo);

    QStringList captions_;
    int numericColumn_ = -1;
    std::vector<Row> rows_;
    std::vector<Row> pending_;
    uint32_t nextSeq_ = 0;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// A report list view over a ResultRowsModel: whole rows selected, no label editing, sorting by a
// click on a column header (unsorted until then). A table view with fixed row heights and no row
// header: rows added while the list is shown cost no relayout of the rows already there.
class ResultListView : public QTableView {
    Q_OBJECT
public:
    explicit ResultListView(QWidget* parent = nullptr);
    ResultRowsModel* rows() const { return model_; }
    // The column headers (a click sorts by that column).
    QHeaderView* header() const { return horizontalHeader(); }

    int count() const { return model_->rowCount(); }
    // The current row (the one the actions read), or -1.
    int currentRowIndex() const;
    void setCurrentRowIndex(int row);
    // The text of a cell of the current row; empty without one.
    QString currentText(int column = 0) const;

private:
    ResultRowsModel* model_;
};

}  // namespace varnook
