// frm_OtherFiles, "Varnook - Other files open by user": the files one connection has open, with
// their lock counts. Filled by the main window's "Other Files..." action (GetFilesByConn, display
// mode 1); a right click on a locked file offers the lock menu.
#pragma once

#include "core/connfiles.h"
#include "resultlist.h"
#include "resultwindow.h"

namespace varnook {

class frmVarnook;

class frm_OtherFiles : public ResultWindow {
    Q_OBJECT
public:
    explicit frm_OtherFiles(frmVarnook& main);

    QLabel* lbl_UserName;
    ResultListView* lstvFiles;
    QLabel* lblOtherFiles;
    QPushButton* cmdOK;
    // The server of the connection whose files are listed; the lock lookup asks it.
    nw::NWCONN_REF serverRef = 0;

    // Empties the list and sets its columns "File name" and "Locks".
    void prepare();
    // One row: the file text and the lock count (column "Locks").
    void addFile(const OpenFileRow& row);
    // Shows the rows added so far.
    void flush() { lstvFiles->rows()->flush(); }

    void cmdOK_Click();
    void lstvFiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos);

protected:
    void placeColumns(double listWidth, double dpi) override;
    void onClose() override;

private:
    frmVarnook& main_;
};

}  // namespace varnook
