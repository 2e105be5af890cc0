// The control's about box: titled "About" and the control's display name, showing the display
// name, "Version 1.3" and an OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace volmarra::ui {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QLabel* picture;
    QLabel* name;
    QLabel* version;
    QLabel* purpose;
    QPushButton* ok;
};

// Shows the about box modally over parent.
void showAboutBox(QWidget* parent);

}  // namespace volmarra::ui
