// "Varnook Information": a small modal window with one message and an OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace varnook {

class frmGenMsg : public QDialog {
    Q_OBJECT
public:
    explicit frmGenMsg(QWidget* parent = nullptr);
    QLabel* lblGenMsg;
    QPushButton* cmdOK;
};

}  // namespace varnook
