// "Varnook - Preferences": the refresh intervals and switches, and the output log file.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <initializer_list>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace varnook {

struct AppState;
class MessageService;
class RefreshTimer;
class UpDown;

struct MainTimers {
    RefreshTimer* Timer1 = nullptr;
    RefreshTimer* TimerDrives = nullptr;
    RefreshTimer* TimerUsers = nullptr;
};

class frmOptions : public QDialog {
    Q_OBJECT
public:
    frmOptions(AppState& state, MessageService& messages, MainTimers timers,
               QWidget* parent = nullptr);

    QTabBar* tbsOptions;
    std::array<QWidget*, 3> picOptions{};
    QCheckBox* CheckAutoUpdate;
    QLineEdit* txtSecs;
    UpDown* UpDownSecs;
    QCheckBox* checkAutoUpdateDrives;
    QLineEdit* txtSecsDrives;
    UpDown* UpDownDrives;
    QCheckBox* checkUsers;
    QLineEdit* txtUsersInterval;
    UpDown* UpDownUsers;
    QCheckBox* chkLogToFile;
    QLineEdit* txtLogFileName;
    QPushButton* cmdLogFileName;
    // Why the output log is the default file rather than the name stored (empty: hidden).
    QLabel* lblLogFileNote;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdApply;

    void Form_Load();
    void tbsOptions_Click();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdLogFileName_Click();

private:
    struct Group {
        QCheckBox* check;
        QLineEdit* text;
        UpDown* updown;
        int16_t* interval;
    };
    struct IntervalGroupText {
        QString frame;
        QString check;
        QString row;
        const char* checkName;
        const char* textName;
        const char* updownName;
    };
    // A frame with a check box and "<row> [nn][updown] seconds.".
    QGroupBox* intervalGroup(QWidget* page, const IntervalGroupText& t, QCheckBox*& check,
                             QLineEdit*& text, UpDown*& updown);
    QWidget* buildPage(std::initializer_list<QWidget*> frames);
    QWidget* buildConnectionsPage();
    QWidget* buildOpenFilesPage();
    QWidget* buildLogPage();
    void wireGroup(const Group& g);
    void intervalEdited(const Group& g);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shows one message in the information window and waits until it is closed.
    void showGenMsg(const QString& text);
    void showLogFileNote();

    AppState& state_;
    MessageService& messages_;
    MainTimers timers_;
    std::array<Group, 3> groups_{};
};

}  // namespace varnook
