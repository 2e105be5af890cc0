// The users list of the clear and send windows: the chosen connections in one column, and a
// result column that each run of the action fills afresh.
#pragma once

#include <QStringList>

class QTreeWidget;
class QWidget;

namespace varnook {

// A list view in report view whose labels cannot be edited.
QTreeWidget* NewChosenUsersList(QWidget* parent);

// Removes every row, leaves one column "User Name" as wide as the list / 1.1, adds one row per
// text.
void FillChosenUsers(QTreeWidget* list, const QStringList& rows);

// Before a run writes its results: the first column takes the list's width / 1.65; the result
// column (caption, width / widthDivisor) is added on the first run and blanked on later ones.
void PrepareResultColumn(QTreeWidget* list, const QString& caption, double widthDivisor);

// Writes one result per row into the result column, which widens when a result would not fit.
void ShowResults(QTreeWidget* list, const QStringList& results);

}  // namespace varnook
