// "Varnook - File lock information": the physical record locks on one file, one row per lock
// (type, start, end, task). Modal; every lock lookup builds a fresh window.
#pragma once

#include <QDialog>
#include <vector>

#include "core/locks.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace varnook {

class frm_LockInfo : public QDialog {
    Q_OBJECT
public:
    explicit frm_LockInfo(QWidget* parent = nullptr);

    // Lists the locks found on fileName and names the server they were looked up on.
    void ShowLocks(const QString& fileName, const QString& serverName,
                   const std::vector<LockRow>& rows);
    void Form_Resize();

    QTreeWidget* lstvFileLock;
    QLabel* lblLockFileName;
    QLabel* lblServer;
    QPushButton* cmdOK;
    QLabel* Picture1;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace varnook
