#include "frmoptions.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/appstate.h"
#include "core/loglocations.h"
#include "core/paths.h"
#include "core/preferences.h"
#include "frmgenmsg.h"
#include "handlerguard.h"
#include "messageservice.h"
#include "platform/text.h"
#include "refreshtimer.h"
#include "twips.h"
#include "updown.h"

namespace varnook {

namespace {
constexpr double kPageLeft = 210;
constexpr double kPageAway = -20000;
constexpr double kPageTop = 600;
constexpr double kPageWidth = 5700;
constexpr double kPageHeight = 2760;

}  // namespace

frmOptions::frmOptions(AppState& state, MessageService& messages, MainTimers timers,
                       QWidget* parent)
    : QDialog(parent), state_(state), messages_(messages), timers_(timers) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Varnook - Preferences"));
    setModal(true);
    const double dpi = LogicalDpi(this);
    auto px = [dpi](double tw) { return TwipsToPixels(tw, dpi); };
    setFixedSize(px(6180), px(4260));

    tbsOptions = new QTabBar(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    tbsOptions->addTab(QStringLiteral("Connections"));
    tbsOptions->addTab(QStringLiteral("Open files"));
    tbsOptions->addTab(QStringLiteral("Log file"));
    tbsOptions->setTabToolTip(0,
                              QStringLiteral("Options for connected servers and network drives"));
    tbsOptions->setTabToolTip(1, QStringLiteral("Options for opened files by user"));
    tbsOptions->setTabToolTip(2, QStringLiteral("Details of log file name"));
    tbsOptions->setDrawBase(true);
    tbsOptions->setGeometry(px(120), px(120), px(5940), tbsOptions->sizeHint().height());

    // The pane the pages sit on, joined to the tab strip.
    auto* pane = new QFrame(this);
    pane->setFrameShape(QFrame::StyledPanel);
    const int paneTop = tbsOptions->geometry().bottom();
    pane->setGeometry(px(120), paneTop, px(5940), px(kPageTop + kPageHeight + 60) - paneTop);
    pane->lower();

    picOptions[0] = buildConnectionsPage();
    picOptions[1] = buildOpenFilesPage();
    picOptions[2] = buildLogPage();
    for (size_t i = 0; i < picOptions.size(); ++i) {
        picOptions[i]->setObjectName(QStringLiteral("picOptions%1").arg(i));
        picOptions[i]->setGeometry(px(kPageLeft), px(kPageTop), px(kPageWidth), px(kPageHeight));
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdOK->setDefault(true);
    const int buttonTop = px(kPageTop + kPageHeight + 180);
    int x = px(6060);
    for (QPushButton* b : {cmdApply, cmdCancel, cmdOK}) {
        const int w = std::max(b->sizeHint().width(), px(1100));
        x -= w;
        b->setGeometry(x, buttonTop, w, b->sizeHint().height());
        x -= px(100);
    }

    groups_ = {
        Group{CheckAutoUpdate, txtSecs, UpDownSecs, &state_.Prefs.AutoUpdateServerInterval},
        Group{checkAutoUpdateDrives, txtSecsDrives, UpDownDrives,
              &state_.Prefs.AutoUpdateDrivesInterval},
        Group{checkUsers, txtUsersInterval, UpDownUsers, &state_.Prefs.AutoUpdateUsersInterval}};
    for (const Group& g : groups_) {
        wireGroup(g);
    }
    connect(chkLogToFile, &QCheckBox::clicked, this, [this](bool on) {
        state_.Prefs.LogInfoToFile = on ? 1 : 0;
        txtLogFileName->setEnabled(on);
        cmdLogFileName->setEnabled(on);
    });
    auto guarded = [this](void (frmOptions::*handler)()) {
        return Guarded(messages_, this, [this, handler] { (this->*handler)(); });
    };
    connect(cmdLogFileName, &QPushButton::clicked, this,
            guarded(&frmOptions::cmdLogFileName_Click));
    connect(tbsOptions, &QTabBar::currentChanged, this, guarded(&frmOptions::tbsOptions_Click));
    connect(cmdApply, &QPushButton::clicked, this, guarded(&frmOptions::cmdApply_Click));
    connect(cmdOK, &QPushButton::clicked, this, guarded(&frmOptions::cmdOK_Click));
    connect(cmdCancel, &QPushButton::clicked, this, guarded(&frmOptions::cmdCancel_Click));
    Form_Load();
}

QGroupBox* frmOptions::intervalGroup(QWidget* page, const IntervalGroupText& t, QCheckBox*& check,
                                     QLineEdit*& text, UpDown*& updown) {
    auto* frame = new QGroupBox(t.frame, page);
    check = new QCheckBox(t.check, frame);
    check->setObjectName(QString::fromLatin1(t.checkName));
    text = new QLineEdit(frame);
    text->setObjectName(QString::fromLatin1(t.textName));
    text->setMaxLength(2);
    text->setFixedWidth(36);
    text->setAlignment(Qt::AlignRight);
    updown = new UpDown(frame);
    updown->setObjectName(QString::fromLatin1(t.updownName));
    updown->setRange(kMinInterval, kMaxInterval);
    updown->setFixedHeight(text->sizeHint().height());

    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(new QLabel(t.row, frame));
    row->addSpacing(6);
    row->addWidget(text);
    row->addWidget(updown);
    row->addSpacing(6);
    row->addWidget(new QLabel(QStringLiteral("seconds."), frame));
    row->addStretch();
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(check);
    layout->addLayout(row);
    return frame;
}

QWidget* frmOptions::buildPage(std::initializer_list<QWidget*> frames) {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* frame : frames) {
        frame->setParent(page);
        layout->addWidget(frame);
    }
    layout->addStretch();
    return page;
}

QWidget* frmOptions::buildConnectionsPage() {
    return buildPage({intervalGroup(this,
                                    {QStringLiteral("Connected servers"),
                                     QStringLiteral("Auto update server list"),
                                     QStringLiteral("Update server list every"), "CheckAutoUpdate",
                                     "txtSecs", "UpDownSecs"},
                                    CheckAutoUpdate, txtSecs, UpDownSecs),
                      intervalGroup(this,
                                    {QStringLiteral("Network drives"),
                                     QStringLiteral("Auto update network drives"),
                                     QStringLiteral("Update network drives every"),
                                     "checkAutoUpdateDrives", "txtSecsDrives", "UpDownDrives"},
                                    checkAutoUpdateDrives, txtSecsDrives, UpDownDrives)});
}

QWidget* frmOptions::buildOpenFilesPage() {
    return buildPage({intervalGroup(
        this,
        {QStringLiteral("Users with file open"), QStringLiteral("Auto update users with file open"),
         QStringLiteral("Update users every"), "checkUsers", "txtUsersInterval", "UpDownUsers"},
        checkUsers, txtUsersInterval, UpDownUsers)});
}

QWidget* frmOptions::buildLogPage() {
    auto* log = new QGroupBox(QStringLiteral("Log file name"), this);
    chkLogToFile = new QCheckBox(QStringLiteral("Log information to file"), log);
    chkLogToFile->setObjectName(QStringLiteral("chkLogToFile"));
    txtLogFileName = new QLineEdit(log);
    txtLogFileName->setObjectName(QStringLiteral("txtLogFileName"));
    txtLogFileName->setMaxLength(kMaxLogFileNameLength);
    cmdLogFileName = new QPushButton(QStringLiteral("..."), log);
    cmdLogFileName->setObjectName(QStringLiteral("cmdLogFileName"));
    cmdLogFileName->setFixedWidth(32);
    lblLogFileNote = new QLabel(log);
    lblLogFileNote->setObjectName(QStringLiteral("lblLogFileNote"));
    lblLogFileNote->setWordWrap(true);
    lblLogFileNote->setTextFormat(Qt::PlainText);
    auto* row = new QHBoxLayout;
    row->addWidget(txtLogFileName, 1);
    row->addWidget(cmdLogFileName);
    auto* l = new QVBoxLayout(log);
    l->addWidget(chkLogToFile);
    l->addLayout(row);
    l->addWidget(lblLogFileNote);
    return buildPage({log});
}

void frmOptions::wireGroup(const Group& g) {
    connect(g.check, &QCheckBox::toggled, this, [g](bool on) {
        g.text->setEnabled(on);
        g.updown->setEnabled(on);
    });
    // Only the user's own typing is checked; texts the program sets are left as they are.
    // Any error inside the check ends it quietly.
    connect(g.text, &QLineEdit::textEdited, this,
            [this, g] { RunGuarded([this, g] { intervalEdited(g); }, [] {}); });
    connect(g.updown, &UpDown::changed, this,
            [g](int value) { g.text->setText(QString::number(value)); });
    g.text->installEventFilter(this);
}

void frmOptions::intervalEdited(const Group& g) {
    const double n = Val(g.text->text().toStdString());
    if (n > kMaxInterval) {
        g.text->setText(QString::number(kMaxInterval));
    }
    if (Val(g.text->text().toStdString()) < kMinInterval) {
        g.text->setText(QString::number(kMinInterval));
    }
    const int value = ClampWindowInterval(Val(g.text->text().toStdString()));
    g.updown->setValue(value);
    *g.interval = static_cast<int16_t>(value);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        for (const Group& g : groups_) {
            if (watched == g.text) {
                const double n = Val(g.text->text().toStdString());
                if (n < kMinInterval) {
                    g.text->setText(QString::number(kMinInterval));
                } else if (n > kMaxInterval) {
                    g.text->setText(QString::number(kMaxInterval));
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::Form_Load() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
    const Preferences& p = state_.Prefs;
    const std::array<uint8_t, 3> statuses = {p.AutoUpdateServerStatus, p.AutoUpdateDrivesStatus,
                                             p.AutoUpdateUsersStatus};
    for (size_t i = 0; i < groups_.size(); ++i) {
        const Group& g = groups_[i];
        g.text->setText(QString::number(*g.interval));
        g.updown->setValue(*g.interval);
        const bool on = statuses[i] != 0;
        g.check->setChecked(on);
        g.text->setEnabled(on);
        g.updown->setEnabled(on);
    }
    chkLogToFile->setChecked(p.LogInfoToFile != 0);
    txtLogFileName->setText(QString::fromStdString(p.OutputLogFileName));
    txtLogFileName->setEnabled(p.LogInfoToFile != 0);
    cmdLogFileName->setEnabled(p.LogInfoToFile != 0);
    showLogFileNote();
    tbsOptions->setCurrentIndex(0);
    tbsOptions_Click();
}

void frmOptions::tbsOptions_Click() {
    const double dpi = LogicalDpi(this);
    const int selected = tbsOptions->currentIndex();
    for (int i = 0; i < static_cast<int>(picOptions.size()); ++i) {
        QWidget* page = picOptions[static_cast<size_t>(i)];
        const bool shown = i == selected;
        page->move(TwipsToPixels(shown ? kPageLeft : kPageAway, dpi), page->y());
        page->setEnabled(shown);
        page->setVisible(shown);
    }
}

void frmOptions::showLogFileNote() {
    const std::string& note = state_.Prefs.OutputLogFileNote;
    lblLogFileNote->setText(QString::fromStdString(note));
    lblLogFileNote->setVisible(!note.empty());
}

void frmOptions::showGenMsg(const QString& text) {
    frmGenMsg msg(this);
    msg.lblGenMsg->setText(text);
    messages_.showModal(&msg);
}

void frmOptions::cmdApply_Click() {
    Preferences& p = state_.Prefs;
    const std::array<RefreshTimer*, 3> timers = {timers_.Timer1, timers_.TimerDrives,
                                                 timers_.TimerUsers};
    const std::array<uint8_t*, 3> statuses = {&p.AutoUpdateServerStatus, &p.AutoUpdateDrivesStatus,
                                              &p.AutoUpdateUsersStatus};
    for (size_t i = 0; i < groups_.size(); ++i) {
        const Group& g = groups_[i];
        const int64_t n = RoundHalfEven(Val(g.text->text().toStdString()));
        *g.interval = static_cast<int16_t>(std::clamp<int64_t>(n, 0, kMaxInterval));
        *statuses[i] = g.check->isChecked() ? 1 : 0;
        if (timers[i] != nullptr) {
            timers[i]->apply(TimerFor(*g.interval, *statuses[i]));
        }
        // Each group stores its switch, then its interval; a failed write is reported at once.
        const std::vector<PreferenceWrite> writes = PreferenceWrites(p);
        for (size_t k = 2 * i; k < 2 * i + 2; ++k) {
            if (state_.RegStore == nullptr || WritePreference(*state_.RegStore, writes[k]) != 0) {
                showGenMsg(QString::fromStdString(writes[k].failureMessage));
            }
        }
    }
    // The name is stored as entered; an empty one logs to the default file, and says so.
    const std::string entered = txtLogFileName->text().toStdString();
    const OutputLogChoice log = ChooseOutputLog(entered, state_.LogFolder);
    p.OutputLogFileName = log.path;
    p.OutputLogFileNote = log.note;
    showLogFileNote();
    p.LogInfoToFile = chkLogToFile->isChecked() ? 1 : 0;
    if (state_.RegStore != nullptr) {
        std::vector<PreferenceWrite> writes = PreferenceWrites(p);
        writes[6].text = vnk::text::utf8ToCodePage(entered);
        WritePreference(*state_.RegStore, writes[6]);
        WritePreference(*state_.RegStore, writes[7]);
    }
}

void frmOptions::cmdOK_Click() {
    cmdApply_Click();
    accept();
}

void frmOptions::cmdCancel_Click() {
    reject();
}

void frmOptions::cmdLogFileName_Click() {
    SaveFileRequest request;
    request.title = QStringLiteral("Varnook log file location...");
    request.presetName = QStringLiteral("Varnook Output");
    request.filter = QStringLiteral("*.log");
    request.defaultSuffix = QStringLiteral("log");
    const std::string folder = DecideLogLocations(state_.LogFolder).outputLogFolder;
    request.folder = QString::fromStdString(folder);
    request.promptOverwrite = true;
    request.pathMustExist = true;
    QString chosen = messages_.saveFileName(this, request);
    // A cancelled dialog still holds its preset name, in the folder it opened in.
    if (chosen.isEmpty()) {
        chosen = QString::fromStdString(JoinLocal(folder, request.presetName.toStdString()));
    }
    const QString name = chosen.left(kMaxLogFileNameLength);
    state_.Prefs.OutputLogFileName = name.toStdString();
    state_.Prefs.OutputLogFileNote.clear();
    showLogFileNote();
    txtLogFileName->setText(name);
}

}  // namespace varnook
