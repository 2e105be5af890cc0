#include "frmvarnook.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include "ansi.h"
#include "browserwidgets.h"
#include "core/installedfiles.h"
#include "core/loglocations.h"
#include "core/logs.h"
#include "core/paths.h"
#include "core/servers.h"
#include "core/strtext.h"
#include "frm_allfiles.h"
#include "frm_loggedin.h"
#include "frm_otherfiles.h"
#include "frmgenmsg.h"
#include "frmoptions.h"
#include "messageservice.h"
#include "refreshtimer.h"
#include "rightclick.h"
#include "texts.h"
#include "twips.h"

namespace varnook {

namespace {
// The window frame (borders and title bar) that the layout's window size includes.
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 465;
constexpr double kDefaultWidth = 11400;
constexpr double kDefaultHeight = 7800;
// Space between the volume control and the Exit button below it.
constexpr double kVolmarraGap = 200;

QString Qs(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

frmVarnook::frmVarnook(AppEnvironment env, QWidget* parent)
    : QMainWindow(parent), env_(std::move(env)), logs_(state_, *env_.messages) {
    setObjectName(QStringLiteral("frmVarnook"));
    setWindowTitle(ProgramTitle());
    state_.ProgramFolder = env_.programFolder;
    state_.LogFolder = env_.logFolder.empty() ? env_.programFolder : env_.logFolder;
    buildControls();
    buildMenus();
    const double dpi = LogicalDpi(this);
    // 6040 x 4000 twips, raised only where the desktop's fonts would break the layout there: a
    // "Connected Servers" label taller than 240 twips would make the server list's height
    // negative at 4000, so that the list kept an older, larger height and carried the buttons
    // at its bottom out of the window; a wider "File opened by..." would cover the list.
    const double label2 = PixelsToTwips(Label2->height(), dpi);
    const double minHeight = std::max(kMainMinHeight, HeightForServerList(label2, 0));
    double minWidth = kMainMinWidth;
    for (; minWidth < 3 * kMainMinWidth; minWidth += 15) {
        const MainControls c = LayoutMainWindow(currentControls(), minWidth, minHeight, false);
        if (c.cmd_scan.left >= c.lstviewServers.left + c.lstviewServers.width) {
            break;
        }
    }
    setMinimumSize(TwipsToPixels(minWidth - kFrameWidth, dpi),
                   TwipsToPixels(minHeight - kFrameHeight, dpi));
    resize(TwipsToPixels(kDefaultWidth - kFrameWidth, dpi),
           TwipsToPixels(kDefaultHeight - kFrameHeight, dpi));
    Form_Resize();
}

frmVarnook::~frmVarnook() = default;

Workstation* frmVarnook::workstation() {
    return client_ != nullptr ? &client_->workstation() : nullptr;
}

void frmVarnook::buildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    canvas_ = new QWidget(central);
    const double dpi = LogicalDpi(this);
    auto px = [dpi](double tw) { return TwipsToPixels(tw, dpi); };

    lstFiles = new QListWidget(canvas_);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    Dir1 = new DirList(nullptr, canvas_);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    lstDrives = new QListWidget(canvas_);
    lstDrives->setObjectName(QStringLiteral("lstDrives"));
    lstDrives->setToolTip(QStringLiteral("Network drives available."));
    Label3 = new QLabel(QStringLiteral("User IDs"), canvas_);
    Label3->setObjectName(QStringLiteral("Label3"));
    lstLoginIDs = new QListWidget(canvas_);
    lstLoginIDs->setObjectName(QStringLiteral("lstLoginIDs"));
    lstLoginIDs->setToolTip(QStringLiteral("List of users using the selected file."));
    lstLoginIDs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstLoginIDs->setContextMenuPolicy(Qt::CustomContextMenu);
    Label2 = new QLabel(QStringLiteral("Connected Servers"), canvas_);
    Label2->setObjectName(QStringLiteral("Label2"));
    lstviewServers = new QTreeWidget(canvas_);
    lstviewServers->setObjectName(QStringLiteral("lstviewServers"));
    lstviewServers->setRootIsDecorated(false);
    lstviewServers->setSortingEnabled(false);
    lstviewServers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstviewServers->setContextMenuPolicy(Qt::CustomContextMenu);
    lstviewServers->setAllColumnsShowFocus(true);
    lstviewServers->header()->setSectionsClickable(true);
    lstviewServers->header()->setSortIndicatorShown(false);
    lstviewServers->header()->setStretchLastSection(false);
    // The login column is 960 twips wide; a slightly smaller header font keeps its caption whole.
    QFont headerFont = lstviewServers->header()->font();
    headerFont.setPointSizeF(headerFont.pointSizeF() * 0.85);
    lstviewServers->header()->setFont(headerFont);
    cmd_scan = new QPushButton(QStringLiteral("&File opened by..."), canvas_);
    cmd_scan->setObjectName(QStringLiteral("cmd_scan"));
    cmd_Exit = new QPushButton(QStringLiteral("E&xit"), canvas_);
    cmd_Exit->setObjectName(QStringLiteral("cmd_Exit"));
    Label1 = new QLabel(canvas_);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();

    // Hidden helpers of the browser.
    Drive1 = new DriveList(nullptr, canvas_);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->hide();
    File1 = new QListWidget(canvas_);
    File1->setObjectName(QStringLiteral("File1"));
    File1->hide();

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    StatusBar1->addWidget(StatusPanel1, 3);
    StatusBar1->addWidget(StatusPanel2, 2);
    // The diagnostic trace of debug mode sits at the right of the status bar, out of the way.
    Label1->setParent(StatusBar1);
    StatusBar1->addPermanentWidget(Label1, 1);
    Label1->hide();

    // Sizes the layout does not set.
    const int labelHeight = std::max(Label2->sizeHint().height(), px(240));
    Label2->setGeometry(px(240), 0, px(3000), labelHeight);
    Label3->setGeometry(0, 0, px(3000), labelHeight);
    lstLoginIDs->move(0, px(240) > labelHeight ? px(240) : labelHeight);
    lstviewServers->move(px(120), 0);
    const int buttonHeight = std::max(cmd_Exit->sizeHint().height(), px(375));
    // Narrow enough that the buttons stay clear of the server list at the smallest width.
    cmd_Exit->resize(std::max(cmd_Exit->sizeHint().width(), px(1000)), buttonHeight);
    cmd_scan->resize(cmd_scan->sizeHint().width() + px(60), buttonHeight);

    // Every handler Qt calls runs guarded (handlerguard.h).
    auto guarded = [this](void (frmVarnook::*handler)()) {
        return [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); };
    };
    auto browser = [this](void (frmVarnook::*handler)()) {
        return [this, handler] { runBrowserGuarded([this, handler] { (this->*handler)(); }); };
    };
    Timer1 = new RefreshTimer(QStringLiteral("Timer1"), guarded(&frmVarnook::Timer1_Timer), this);
    TimerDrives = new RefreshTimer(QStringLiteral("TimerDrives"),
                                   guarded(&frmVarnook::TimerDrives_Timer), this);
    TimerUsers = new RefreshTimer(QStringLiteral("TimerUsers"),
                                  guarded(&frmVarnook::TimerUsers_Timer), this);

    connect(cmd_Exit, &QPushButton::clicked, this, guarded(&frmVarnook::cmd_Exit_Click));
    connect(cmd_scan, &QPushButton::clicked, this, guarded(&frmVarnook::cmd_scan_Click));
    connectDriveList();
    connect(Drive1, &DriveList::driveChanged, this, browser(&frmVarnook::Drive1_Change));
    connect(Dir1, &DirList::pathChanged, this, browser(&frmVarnook::Dir1_Change));
    connect(Dir1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        runBrowserGuarded([this, item] { Dir1->setPath(item->data(Qt::UserRole).toString()); });
    });
    connect(lstFiles, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            runBrowserGuarded([this] { lstFiles_Click(); });
        }
    });
    connect(lstFiles, &QListWidget::itemDoubleClicked, this,
            browser(&frmVarnook::lstFiles_DblClick));
    connect(lstFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        runBrowserGuarded([this, p] {
            lstFiles_MouseDown(Qt::RightButton, lstFiles->viewport()->mapToGlobal(p));
        });
    });
    // A right click pops the User menu up over the rows selected as they are.
    new RightClickKeepsSelection(lstLoginIDs, [this](const QPoint& global) {
        runGuarded([this, global] { lstLoginIDs_MouseDown(Qt::RightButton, global); });
    });
    connect(lstLoginIDs, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        runGuarded([this, p] {
            lstLoginIDs_MouseDown(Qt::RightButton, lstLoginIDs->viewport()->mapToGlobal(p));
        });
    });
    connect(lstLoginIDs, &QListWidget::itemDoubleClicked, this,
            guarded(&frmVarnook::lstLoginIDs_DblClick));
    connect(lstviewServers, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        runGuarded([this, p] {
            lstviewServers_MouseDown(Qt::RightButton, lstviewServers->viewport()->mapToGlobal(p));
        });
    });
}

void frmVarnook::connectDriveList() {
    lstDrives->viewport()->installEventFilter(this);
    connect(lstDrives, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            driveRowChangedByPress_ = drivePressed_;
            runBrowserGuarded([this] { lstDrives_Click(); });
        }
    });
    connect(lstDrives, &QListWidget::itemClicked, this, [this] {
        if (!std::exchange(driveRowChangedByPress_, false)) {
            runBrowserGuarded([this] { lstDrives_Click(); });
        }
    });
}

bool frmVarnook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstDrives->viewport()) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            drivePressed_ = true;
            driveRowChangedByPress_ = false;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            drivePressed_ = false;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmVarnook::runGuarded(const std::function<void()>& handler) {
    RunGuarded(handler, [this] { reportHandlerError(); });
}

void frmVarnook::runBrowserGuarded(const std::function<void()>& handler) {
    RunGuarded(handler, [this] {
        const AppError e = CurrentAppError();
        logs_.FileBrowserError(e.number, Qs(e.description));
    });
}

void frmVarnook::buildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& caption,
                         void (frmVarnook::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this,
                [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
        return a;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    optionFileOpenedBy = action(mnuFile, "optionFileOpenedBy", QStringLiteral("File &Opened By"),
                                &frmVarnook::optionFileOpenedBy_Click);
    submnuLocks = mnuFile->addMenu(QStringLiteral("File &Locks"));
    submnuLocks->setObjectName(QStringLiteral("submnuLocks"));
    optionLockInfo = action(submnuLocks, "optionLockInfo", QStringLiteral("Lock &Info"),
                            &frmVarnook::optionLockInfo_Click);
    mnuFile->addSeparator();
    optionExit =
        action(mnuFile, "optionExit", QStringLiteral("E&xit"), &frmVarnook::optionExit_Click);

    mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    submnuUser = mnuOptions->addMenu(QStringLiteral("&User"));
    submnuUser->setObjectName(QStringLiteral("submnuUser"));
    optionotherfiles = action(submnuUser, "optionotherfiles", QStringLiteral("&Other Files..."),
                              &frmVarnook::optionotherfiles_Click);
    optionsendmsg = action(submnuUser, "optionsendmsg", QStringLiteral("&Send Message"),
                           &frmVarnook::optionsendmsg_Click);
    optionClearConn = action(submnuUser, "optionClearConn", QStringLiteral("&Clear Connection"),
                             &frmVarnook::optionClearConn_Click);
    optionUserinfo = action(submnuUser, "optionUserinfo", QStringLiteral("&User Info"),
                            &frmVarnook::optionUserinfo_Click);
    connect(submnuUser, &QMenu::aboutToShow, this,
            [this] { runGuarded([this] { submnuUser_Click(); }); });
    submnuServer = mnuOptions->addMenu(QStringLiteral("&Server"));
    submnuServer->setObjectName(QStringLiteral("submnuServer"));
    submnuAllusers = action(submnuServer, "submnuAllusers", QStringLiteral("&All Connections"),
                            &frmVarnook::submnuAllusers_Click);
    submnuDisableLogins =
        action(submnuServer, "submnuDisableLogins", QStringLiteral("Change &Login Status"),
               &frmVarnook::submnuDisableLogins_Click);
    submnuAllFiles = action(submnuServer, "submnuAllFiles", QStringLiteral("All &Open Files"),
                            &frmVarnook::submnuAllFiles_Click);
    mnuOptions->addSeparator();
    submnuPref = action(mnuOptions, "submnuPref", QStringLiteral("&Preferences..."),
                        &frmVarnook::submnuPref_Click);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    optionHelpContents = action(mnuHelp, "optionHelpContents", QStringLiteral("&Help Contents"),
                                &frmVarnook::optionHelpContents_Click);
    optionAbout =
        action(mnuHelp, "optionAbout", QStringLiteral("&About"), &frmVarnook::optionAbout_Click);
}

// ---- Start-up and exit ---------------------------------------------------------------------

bool frmVarnook::Form_Load() {
    try {
        state_.DebugMode = 0;
        Label1->hide();
        if (env_.commandLine == "/debug") {
            state_.DebugMode = 1;
            Label1->setText(QString());
            Label1->show();
        }
        setWindowTitle(QStringLiteral("Varnook v") + VersionText());
        state_.UserListSource = 1;
        state_.LockFileSource = 1;
        state_.DebugLogPath = DecideLogLocations(state_.LogFolder).activityLog;
        if (state_.DebugMode == 1) {
            QFile::remove(Qs(state_.DebugLogPath));
            logs_.WriteDebugLog(Qs(TimeStamp(LocalNow())) + QStringLiteral("\r\n\r\n"));
        }
        HostVolumeControl();

        state_.Prefs.LogInfoToFile = 0;
        if (!env_.createRegStore) {
            throw AppError{429, "ActiveX component can't create object"};
        }
        state_.RegStore = env_.createRegStore();
        LoadPreferences();
        if (!state_.Prefs.OutputLogFileNote.empty()) {
            logs_.debug(Qs(state_.Prefs.OutputLogFileNote));
        }
        logs_.output(QStringLiteral("\tVarnook launched at ") + Qs(GeneralDate(LocalNow())) +
                     QStringLiteral("\r\n"));

        lstviewServers->clear();
        submnuDisableLogins->setChecked(false);
        optionUserinfo->setEnabled(true);
        setUpServerColumns();

        const uint32_t init = env_.NWCallsInit ? env_.NWCallsInit(client_) : 0x8801;
        if (init != 0 || client_ == nullptr) {
            QString text = QStringLiteral("NWCallsInit failed.");
            const std::string why = env_.NWCallsInitFailure ? env_.NWCallsInitFailure() : "";
            if (!why.empty()) {
                text += QStringLiteral("\r\n") + Qs(why);
            }
            env_.messages->msgBox(this, text, MsgButtons::OK, MsgIcon::None,
                                  QStringLiteral("Error !"));
            close();
            return false;
        }
        Drive1->setWorkstation(&client_->workstation());
        Dir1->setWorkstation(&client_->workstation());

        FillServerList();
        lstDrives->clear();
        RefreshDriveList();
        if (lstDrives->count() == 0) {
            close();
            return false;
        }

        state_.WindowsFolder = env_.windowsFolder;
        if (state_.WindowsFolder.empty()) {
            const QString viewer = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
            state_.WindowsFolder = viewer.isEmpty()
                                       ? std::string("/usr/bin")
                                       : QFileInfo(viewer).absolutePath().toStdString();
        }

        const int programDrive =
            client_->workstation().DriveNumberOfLocalPath(state_.ProgramFolder);
        if (DriveInformation(programDrive) == 0) {
            frmGenMsg msg(this);
            msg.lblGenMsg->setText(QStringLiteral("Please run Varnook on a local drive."));
            env_.messages->showModal(&msg);
            cmd_Exit_Click();
            return false;
        }

        if (lstDrives->count() > 0) {
            WarnIfNoConsoleRights(SelectedServerConnRef());
        }
    } catch (...) {
        const AppError e = CurrentAppError();
        env_.messages->msgBox(this,
                              QStringLiteral("Error ") + QString::number(e.number) +
                                  QLatin1Char(' ') + Qs(e.description),
                              MsgButtons::OK, MsgIcon::Critical, ProgramTitle());
        logs_.debug(QStringLiteral("Varnook startup error: ") + Qs(StrText(e.number)) +
                    QStringLiteral(" - ") + Qs(e.description));
    }
    // The timers run from here on, never while the start-up's messages are up.
    Timer1->arm();
    TimerDrives->arm();
    TimerUsers->arm();
    QCoreApplication::processEvents();
    show();
    return true;
}

void frmVarnook::cmd_Exit_Click() {
    if (exiting_) {
        return;
    }
    exiting_ = true;
    Timer1->setEnabled(false);
    TimerDrives->setEnabled(false);
    TimerUsers->setEnabled(false);
    try {
        logs_.debug(QStringLiteral("Exiting Varnook."));
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == this || !w->isVisible() || qobject_cast<QMenu*>(w) != nullptr ||
                !(w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)) {
                continue;
            }
            logs_.debug(w->windowTitle());
            w->close();
        }
        // The main window goes last.
        logs_.debug(windowTitle());
    } catch (...) {
        const AppError e = CurrentAppError();
        env_.messages->msgBox(this, Qs(e.description), MsgButtons::OK, MsgIcon::None,
                              ProgramTitle());
    }
    // Whatever happened above, the program does not stay behind without a window.
    close();
    logs_.debug(QStringLiteral("Last command"));
}

void frmVarnook::closeEvent(QCloseEvent* event) {
    if (!exiting_) {
        runGuarded([this] { cmd_Exit_Click(); });
    }
    event->accept();
    QMainWindow::closeEvent(event);
}

// ---- Preferences ---------------------------------------------------------------------------

void frmVarnook::LoadPreferences() {
    if (state_.RegStore != nullptr) {
        state_.Prefs = varnook::LoadPreferences(*state_.RegStore, state_.LogFolder);
    } else {
        state_.Prefs = Preferences{};
        state_.Prefs.OutputLogFileName = DefaultOutputLogPath(state_.LogFolder);
    }
    const Preferences& p = state_.Prefs;
    Timer1->apply(TimerFor(p.AutoUpdateServerInterval, p.AutoUpdateServerStatus));
    TimerDrives->apply(TimerFor(p.AutoUpdateDrivesInterval, p.AutoUpdateDrivesStatus));
    TimerUsers->apply(TimerFor(p.AutoUpdateUsersInterval, p.AutoUpdateUsersStatus));
}

void frmVarnook::submnuPref_Click() {
    frmOptions options(state_, *env_.messages, MainTimers{Timer1, TimerDrives, TimerUsers}, this);
    env_.messages->showModal(&options);
}

// ---- Layout ----------------------------------------------------------------------------------

TwipSize frmVarnook::twipSize() const {
    const double dpi = LogicalDpi(this);
    return {PixelsToTwips(width(), dpi) + kFrameWidth, PixelsToTwips(height(), dpi) + kFrameHeight};
}

MainControls frmVarnook::currentControls() const {
    const double dpi = LogicalDpi(this);
    auto rect = [dpi](const QWidget* w) {
        const QRect g = w->geometry();
        return TwipRect{PixelsToTwips(g.x(), dpi), PixelsToTwips(g.y(), dpi),
                        PixelsToTwips(g.width(), dpi), PixelsToTwips(g.height(), dpi)};
    };
    MainControls c;
    c.lstFiles = rect(lstFiles);
    c.Dir1 = rect(Dir1);
    c.lstDrives = rect(lstDrives);
    c.Label3 = rect(Label3);
    c.lstLoginIDs = rect(lstLoginIDs);
    c.Label2 = rect(Label2);
    c.lstviewServers = rect(lstviewServers);
    c.cmd_scan = rect(cmd_scan);
    c.cmd_Exit = rect(cmd_Exit);
    c.serverColumn0 = PixelsToTwips(lstviewServers->columnWidth(0), dpi);
    c.serverColumn1 = PixelsToTwips(lstviewServers->columnWidth(1), dpi);
    return c;
}

void frmVarnook::applyLayout(const MainControls& c) {
    const double dpi = LogicalDpi(this);
    auto place = [dpi](QWidget* w, const TwipRect& r) {
        w->setGeometry(TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi),
                       TwipsToPixels(r.width, dpi), TwipsToPixels(r.height, dpi));
    };
    place(lstFiles, c.lstFiles);
    place(Dir1, c.Dir1);
    place(lstDrives, c.lstDrives);
    place(Label3, c.Label3);
    place(lstLoginIDs, c.lstLoginIDs);
    place(Label2, c.Label2);
    place(lstviewServers, c.lstviewServers);
    place(cmd_scan, c.cmd_scan);
    place(cmd_Exit, c.cmd_Exit);
    lstviewServers->setColumnWidth(0, TwipsToPixels(c.serverColumn0, dpi));
    lstviewServers->setColumnWidth(1, TwipsToPixels(c.serverColumn1, dpi));
    if (Volmarra1 != nullptr) {
        // Above the Exit button, right edges aligned.
        const int right = TwipsToPixels(c.cmd_Exit.left + c.cmd_Exit.width, dpi);
        const int top = TwipsToPixels(c.cmd_Exit.top - kVolmarraGap, dpi) - Volmarra1->height();
        Volmarra1->move(right - Volmarra1->width(), std::max(0, top));
    }
}

void frmVarnook::HostVolumeControl() {
    if (Volmarra1 != nullptr || !env_.createVolumeControl) {
        return;
    }
    std::string why;
    Volmarra1 = env_.createVolumeControl(canvas_, why);
    if (Volmarra1 == nullptr) {
        logs_.debug(QStringLiteral("Volume control not available: ") + Qs(why));
        return;
    }
    Volmarra1->show();
    applyLayout(currentControls());
}

void frmVarnook::Form_Resize() {
    const bool minimized = isMinimized();
    const TwipSize size = twipSize();
    if (auto bigger = EnlargeToMinimum(size.width, size.height, minimized)) {
        const double dpi = LogicalDpi(this);
        resize(TwipsToPixels(bigger->width - kFrameWidth, dpi),
               TwipsToPixels(bigger->height - kFrameHeight, dpi));
        return;  // the size change lays the window out again
    }
    canvas_->setGeometry(centralWidget()->rect());
    applyLayout(LayoutMainWindow(currentControls(), size.width, size.height, minimized));
}

void frmVarnook::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    runGuarded([this] { Form_Resize(); });
}

void frmVarnook::registerResultWindow(QWidget* window) {
    // Windows closed and deleted since drop out.
    for (size_t i = resultWindows_.size(); i-- > 0;) {
        if (!resultWindows_[i]) {
            resultWindows_.erase(resultWindows_.begin() + static_cast<std::ptrdiff_t>(i));
            resultWindowStates_.erase(resultWindowStates_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    resultWindows_.emplace_back(window);
    resultWindowStates_.push_back(window->windowState());
}

void frmVarnook::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        runGuarded([this] { windowStateChanged(); });
    }
}

void frmVarnook::windowStateChanged() {
    if (isMinimized()) {
        for (size_t i = 0; i < resultWindows_.size(); ++i) {
            if (resultWindows_[i]) {
                resultWindowStates_[i] = resultWindows_[i]->windowState();
            }
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != this && w->isVisible() && w->isWindow() &&
                qobject_cast<QMenu*>(w) == nullptr) {
                w->showMinimized();
            }
        }
        return;
    }
    for (size_t i = 0; i < resultWindows_.size(); ++i) {
        if (resultWindows_[i] && resultWindows_[i]->isVisible()) {
            resultWindows_[i]->setWindowState(resultWindowStates_[i]);
        }
    }
    Form_Resize();
}

// ---- Menus, timers, help ---------------------------------------------------------------------

void frmVarnook::popupMenu(QMenu* menu, const QPoint& globalPos) {
    lastPopup_ = menu;
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        menu->popup(globalPos);
    }
}

void frmVarnook::submnuUser_Click() {
    optionotherfiles->setEnabled(true);
    optionUserinfo->setEnabled(true);
    const bool any = UserListInForceCount() > 0;
    for (QAction* a : {optionotherfiles, optionUserinfo, optionsendmsg, optionClearConn}) {
        a->setEnabled(any);
    }
}

void frmVarnook::Timer1_Timer() {
    FillServerList();
    QCoreApplication::processEvents();
}

void frmVarnook::TimerDrives_Timer() {
    RefreshDriveList();
}

void frmVarnook::TimerUsers_Timer() {
    cmd_scan_Click();
}

void frmVarnook::optionHelpContents_Click() {
    const QString viewer = Qs(JoinLocal(state_.WindowsFolder, "xdg-open"));
    const QString helpFile = Qs(HelpFilePath(state_.ProgramFolder));
    int number = 0;
    QString error;
    if (!env_.messages->startProgram(viewer, {helpFile}, number, error)) {
        env_.messages->msgBox(this,
                              QStringLiteral("Error ") + QString::number(number) +
                                  QLatin1Char(' ') + error +
                                  QStringLiteral("\r\n\r\nCannot launch help."),
                              MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Varnook Help"));
    }
}

void frmVarnook::optionAbout_Click() {
    frmAbout about(*env_.messages,
                   env_.readRegistry ? env_.readRegistry : RegistryStringReader(ReadMachineString),
                   this);
    env_.messages->showModal(&about);
}

void frmVarnook::setStatusPanel(int panel, const QString& text) {
    (panel == 1 ? StatusPanel1 : StatusPanel2)->setText(text);
}

// ---- Servers ---------------------------------------------------------------------------------

void frmVarnook::setUpServerColumns() {
    const double dpi = LogicalDpi(this);
    lstviewServers->clear();
    lstviewServers->setColumnCount(3);
    lstviewServers->setHeaderLabels(
        {QStringLiteral("Server"), QStringLiteral("Login status"), QStringLiteral("RefNo")});
    const double width = PixelsToTwips(lstviewServers->width(), dpi);
    const double first = width - 1600;
    lstviewServers->setColumnWidth(0, TwipsToPixels(std::max(0.0, first), dpi));
    lstviewServers->setColumnWidth(1, TwipsToPixels(width - std::max(0.0, first) - 640, dpi));
    lstviewServers->setColumnWidth(2, 0);
    lstviewServers->setColumnHidden(2, true);
}

QTreeWidgetItem* frmVarnook::SelectedServerRow() const {
    const QList<QTreeWidgetItem*> selected = lstviewServers->selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

uint32_t frmVarnook::SelectedServerConnRef() const {
    const QTreeWidgetItem* row = SelectedServerRow();
    return row != nullptr ? ReadRefNo(ToAnsi(row->text(2))) : 0;
}

void frmVarnook::FillServerList() {
    if (client_ == nullptr) {
        return;
    }
    logs_.output(QStringLiteral("Connected servers..."));
    const uint32_t previous = SelectedServerConnRef();
    const bool hadSelection = SelectedServerRow() != nullptr;
    lstviewServers->clear();
    const std::vector<ServerRow> rows = ScanServers(client_->client());
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    QTreeWidgetItem* again = nullptr;
    for (const ServerRow& row : rows) {
        const QString name = FromAnsi(row.name);
        auto* item = new QTreeWidgetItem(
            QStringList{name, Qs(row.LoginStatusText()), Qs(StrText(row.connRef))});
        items << item;
        logs_.output(QLatin1Char('\t') + name);
        logs_.debug(QStringLiteral("Server: ") + name + QStringLiteral("  Connref: ") +
                    Qs(StrText(row.connRef)));
        if (hadSelection && again == nullptr && row.connRef == previous) {
            again = item;
        }
    }
    lstviewServers->addTopLevelItems(items);
    logs_.output(QStringLiteral("\r\nFound ") + QString::number(rows.size()) +
                 QStringLiteral(" servers."));
    // The user's server stays selected across refills; the first fill selects the first row.
    if (again == nullptr && firstServerFill_ && !items.isEmpty()) {
        again = items.constFirst();
    }
    firstServerFill_ = false;
    if (again != nullptr) {
        lstviewServers->setCurrentItem(again);
        again->setSelected(true);
    }
}

void frmVarnook::lstviewServers_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton || lstviewServers->topLevelItemCount() == 0) {
        return;
    }
    const QTreeWidgetItem* row = SelectedServerRow();
    if (row == nullptr) {
        return;
    }
    submnuDisableLogins->setText(row->text(1) == QStringLiteral("Disabled")
                                     ? QStringLiteral("Enable &Logins")
                                     : QStringLiteral("Disable &Logins"));
    popupMenu(submnuServer, globalPos);
}

// ---- Drives and file browser -------------------------------------------------------------------

int frmVarnook::DriveInformation(int drive) {
    return client_ != nullptr ? NetWareDriveInformation(client_->client(), drive) : -1;
}

void frmVarnook::setBrowserEnabled(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{lstFiles, Dir1, lstDrives, cmd_scan}) {
        w->setEnabled(on);
    }
}

void frmVarnook::RefreshDriveList() {
    const int remembered = lstDrives->count() == 0 ? 0 : lstDrives->currentRow();
    Drive1->refresh();
    std::vector<std::string> texts;
    for (int i = 0; i < Drive1->count(); ++i) {
        texts.push_back(ToAnsi(Drive1->itemText(i)));
    }
    const std::vector<std::string> found =
        EnumerateDrives([this](int d) { return DriveInformation(d); }, texts);
    if (found.empty()) {
        setBrowserEnabled(false);
        TimerUsers->setEnabled(false);
    } else {
        setBrowserEnabled(true);
        TimerUsers->setEnabled(state_.Prefs.AutoUpdateUsersStatus != 0);
    }
    QCoreApplication::processEvents();

    std::vector<std::string> shown;
    for (int i = 0; i < lstDrives->count(); ++i) {
        shown.push_back(ToAnsi(lstDrives->item(i)->text()));
    }
    const DriveListUpdate update = MergeDriveList(shown, remembered, found);
    {
        const QSignalBlocker block(lstDrives);
        for (const std::string& entry : update.entries) {
            if (std::find(shown.begin(), shown.end(), entry) == shown.end()) {
                lstDrives->addItem(FromAnsi(entry));
            }
        }
    }
    QCoreApplication::processEvents();
    {
        const QSignalBlocker block(lstDrives);
        for (int i = lstDrives->count() - 1; i >= 0; --i) {
            const std::string text = ToAnsi(lstDrives->item(i)->text());
            if (std::find(found.begin(), found.end(), text) == found.end()) {
                delete lstDrives->takeItem(i);
            }
        }
        lstDrives->setCurrentRow(update.selected);
        if (update.selected < 0) {
            lstDrives->clearSelection();
        }
    }
    if (lstDrives->count() == 0) {
        env_.messages->msgBox(this,
                              QStringLiteral("Can't find any network drives, please login and try "
                                             "again."),
                              MsgButtons::OK, MsgIcon::None, QStringLiteral("Varnook error!"));
    } else if (update.selected >= 0) {
        lstDrives_Click();
    }
}

void frmVarnook::lstDrives_Click() {
    const QListWidgetItem* item = lstDrives->currentItem();
    if (item == nullptr || item->text().isEmpty()) {
        return;
    }
    setStatusPanel(1, QStringLiteral("Retrieving files..."));
    const char letter = static_cast<char>(item->text().at(0).toLatin1());
    if (!Drive1->setDrive(letter)) {
        env_.messages->msgBox(
            this,
            QStringLiteral("Drive unavailable!\n\r\n\rThis may be because the map has been "
                           "deleted and the drive list has not been updated yet."),
            MsgButtons::OK, MsgIcon::Critical, ProgramTitle());
        return;
    }
    if (lstFiles->count() > 0) {
        setStatusPanel(1, SelectedFileFullPath());
    }
}

void frmVarnook::Drive1_Change() {
    const std::string text = Drive1->drive();
    if (text.empty()) {
        return;
    }
    const QChar letter = QChar::fromLatin1(text[0]);
    const QString path = Dir1->lastPathOfDrive(letter);
    const QString root = QString(letter.toUpper()) + QStringLiteral(":\\");
    // A folder removed meanwhile gives way to the drive's root.
    if (path != root && client_ != nullptr && !client_->workstation().ListFolder(ToAnsi(path))) {
        Dir1->setPath(root);
        return;
    }
    Dir1->setPath(path);
}

void frmVarnook::Dir1_Change() {
    setStatusPanel(1, QStringLiteral("Retrieving files..."));
    const QSignalBlocker block(lstFiles);
    lstFiles->clear();
    lstFiles->addItems(Dir1->files());
    if (lstFiles->count() > 0) {
        setStatusPanel(1, Dir1->path());
        lstFiles->setCurrentRow(0);
        lstFiles_Click();
    }
}

QString frmVarnook::SelectedFileFullPath() const {
    const QListWidgetItem* item = lstFiles->currentItem();
    const QString name = item != nullptr ? item->text() : QString();
    return Qs(FullFilePath(Dir1->path().toStdString(), name.toStdString()));
}

void frmVarnook::lstFiles_Click() {
    setStatusPanel(1, SelectedFileFullPath());
}

void frmVarnook::lstFiles_DblClick() {
    try {
        const QString path = SelectedFileFullPath();
        setStatusPanel(1, path);
        logs_.debug(QStringLiteral("Double clicked file : ") + path);
        cmd_scan_Click();
    } catch (...) {
        const AppError e = CurrentAppError();
        logs_.FileBrowserError(e.number, Qs(e.description));
    }
}

void frmVarnook::lstFiles_MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton || lstFiles->count() == 0) {
        return;
    }
    state_.LockFileSource = 1;
    popupMenu(submnuLocks, globalPos);
}

// ---- Path resolution --------------------------------------------------------------------

uint32_t frmVarnook::GetConnRefOfServerHostingCurrentDrive() {
    std::string server;
    std::string prefix;
    if (ParsePath(Drive1->drive(), server, prefix) != 0) {
        return 0;
    }
    const QString name = FromAnsi(server);
    for (int i = 0; i < lstviewServers->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = lstviewServers->topLevelItem(i);
        if (row->text(0) == name) {
            return ReadRefNo(ToAnsi(row->text(2)));
        }
    }
    return 0;
}

}  // namespace varnook
