// frm_AllFiles, "Varnook - All open files on a server...": one row per open file and user of a
// server, filled by the all-open-files walk with a progress bar; closing the window stops the walk.
// A click on a column header sorts by that column; a right click on a locked file offers the lock
// menu.
#pragma once

#include <QString>

#include "core/connfiles.h"
#include "core/serverwalks.h"
#include "resultlist.h"
#include "resultwindow.h"

class QProgressBar;

namespace varnook {

class frmVarnook;

class frm_AllFiles : public ResultWindow {
    Q_OBJECT
public:
    explicit frm_AllFiles(frmVarnook& main);

    QLabel* lbl_ServerName;
    ResultListView* lst_Files;
    QProgressBar* PBar1;
    QLabel* lblMsg;
    QLabel* lblFileCount;
    QPushButton* cmd_OK;

    // Empties the list and sets its columns "File Name", "User Name" and "Locks".
    void prepare(const QString& serverName);
    // One row: the file text, the user name and the lock count.
    void addFile(const std::string& userName, const OpenFileRow& row);
    // Shows the rows added so far, the file count and the progress.
    void flush();
    void setProgress(int value) { progress_ = value; }

    void cmd_OK_Click();
    void lst_Files_MouseDown(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void placeColumns(double listWidth, double dpi) override;
    void onClose() override;

private:
    frmVarnook& main_;
    int progress_ = -1;
    // The last user name and its converted text: one user's files come one after the other.
    std::string lastUser_;
    QString lastUserText_;
};

}  // namespace varnook
