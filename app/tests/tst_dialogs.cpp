// The preferences window, help and the About window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "frmabout.h"
#include "frmlogin.h"
#include "frmoptions.h"
#include "harness.h"
#include "refreshtimer.h"
#include "updown.h"

using namespace varnook;
using namespace varnook::test;

namespace {
// Opens the preferences window through its menu entry; `work` runs while it is "shown".
void WithOptions(Harness& h, const std::function<void(frmOptions&)>& work) {
    h.messages.onModal = [&work](QDialog* d) {
        if (auto* options = qobject_cast<frmOptions*>(d)) {
            work(*options);
        }
        return int{QDialog::Rejected};
    };
    h.window->submnuPref_Click();
    h.messages.onModal = nullptr;
}
}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void theLoginWindowAsksForOneConnectionsPassword() {
        RecordingMessageService messages;
        QString prompt;
        bool refusalShown = true;
        bool echoHidden = false;
        messages.onModal = [&](QDialog* d) {
            auto* login = qobject_cast<frmLogin*>(d);
            if (login == nullptr) {
                return int{QDialog::Rejected};
            }
            prompt = login->lblPrompt->text();
            refusalShown = !login->lblRefusal->isHidden();
            echoHidden = login->txtPassword->echoMode() == QLineEdit::Password;
            QTest::keyClicks(login->txtPassword, QStringLiteral("Secret Words"));
            return int{QDialog::Accepted};
        };
        nw::PasswordQuestion question{"FS1", "JSMITH", false, ""};
        nw::PasswordEntry entry;
        std::string why;
        QVERIFY(AskPasswordInWindow(messages, question, entry, why));
        QCOMPARE(entry.size(), size_t{12});
        QCOMPARE(prompt, QStringLiteral("Password for JSMITH on server FS1:"));
        QVERIFY(!refusalShown);
        QVERIFY(echoHidden);
        QCOMPARE(messages.shown.back().title, QStringLiteral("Varnook - Login"));

        // After a refusal the window says so above the prompt.
        QString refusal;
        messages.onModal = [&](QDialog* d) {
            auto* login = qobject_cast<frmLogin*>(d);
            refusal = login->lblRefusal->isHidden() ? QString() : login->lblRefusal->text();
            return int{QDialog::Rejected};
        };
        question.again = true;
        question.refusal = "Wrong password.";
        nw::PasswordEntry second;
        QVERIFY(!AskPasswordInWindow(messages, question, second, why));
        QCOMPARE(refusal, QStringLiteral("Wrong password."));
        QCOMPARE(why, std::string("cancelled"));
        QCOMPARE(second.size(), size_t{0});
    }

    void optionsShowThePreferences() {
        Harness h;
        h.store->values = {{"AutoUpdateServerInterval", "45"},
                           {"AutoUpdateServerStatus", " 1"},
                           {"LogInfoToFile", "0"}};
        QVERIFY(h.start());
        WithOptions(h, [](frmOptions& f) {
            QCOMPARE(f.windowTitle(), QStringLiteral("Varnook - Preferences"));
            QCOMPARE(f.tbsOptions->count(), 3);
            QCOMPARE(f.tbsOptions->tabText(1), QStringLiteral("Open files"));
            QCOMPARE(f.tbsOptions->tabToolTip(2), QStringLiteral("Details of log file name"));
            QCOMPARE(f.txtSecs->text(), QStringLiteral("45"));
            QVERIFY(f.CheckAutoUpdate->isChecked());
            QVERIFY(f.txtSecs->isEnabled());
            QVERIFY(!f.checkAutoUpdateDrives->isChecked());
            QVERIFY(!f.txtSecsDrives->isEnabled());
            QVERIFY(!f.UpDownDrives->isEnabled());
            QVERIFY(!f.txtLogFileName->isEnabled());
            QVERIFY(f.txtLogFileName->text().endsWith(QStringLiteral("/bin/varnook output.log")));
            QCOMPARE(f.txtSecs->maxLength(), 2);
            QVERIFY(f.picOptions[0]->isEnabled());
            QVERIFY(!f.picOptions[1]->isEnabled());
            f.tbsOptions->setCurrentIndex(2);
            QVERIFY(f.picOptions[2]->isEnabled());
            QVERIFY(!f.picOptions[0]->isEnabled());
            QVERIFY(f.picOptions[0]->x() < -1000);
            // No access keys the window was not given.
            QCOMPARE(f.cmdApply->text(), QStringLiteral("Apply"));
            // Nothing stored: the default file is in force, and the window says why.
            QVERIFY(f.lblLogFileNote->text().startsWith(
                QStringLiteral("The stored log file name cannot be read (it is missing")));
        });
    }

    void aLogFileNameNotInForceIsExplained() {
        Harness h;
        h.commandLine = "/debug";
        h.store->values = {{"LogInfoToFile", "1"}, {"OutputLogFileName", ""}};
        QVERIFY(h.start());
        const QString fallback = h.programFolder + QStringLiteral("/varnook output.log");
        const QString note = QStringLiteral("The log file name is empty: output is logged to ") +
                             fallback + QLatin1Char('.');
        QFile activity(h.programFolder + QStringLiteral("/Varnook.log"));
        QVERIFY(activity.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(activity.readAll()).contains(note));
        QVERIFY(QFile::exists(fallback));
        WithOptions(h, [&](frmOptions& f) {
            QCOMPARE(f.txtLogFileName->text(), fallback);
            QVERIFY(!f.lblLogFileNote->isHidden());
            QCOMPARE(f.lblLogFileNote->text(), note);
            f.txtLogFileName->setText(h.root + QStringLiteral("/mine.log"));
            f.cmdApply_Click();
            QVERIFY(f.lblLogFileNote->isHidden());
            // Emptied by the user: stored as entered, logged to the default file, and said.
            f.txtLogFileName->clear();
            f.cmdApply_Click();
            QCOMPARE(f.lblLogFileNote->text(), note);
        });
        QCOMPARE(h.store->values.at("OutputLogFileName"), std::string());
        QCOMPARE(h.window->state().Prefs.OutputLogFileName, fallback.toStdString());
    }

    void intervalBoxesStayWithinOneToSixty() {
        Harness h;
        QVERIFY(h.start());
        WithOptions(h, [&h](frmOptions& f) {
            f.CheckAutoUpdate->setChecked(true);
            f.txtSecs->clear();
            QTest::keyClicks(f.txtSecs, QStringLiteral("75"));
            QCOMPARE(f.txtSecs->text(), QStringLiteral("60"));
            QCOMPARE(f.UpDownSecs->value(), 60);
            QCOMPARE(h.window->state().Prefs.AutoUpdateServerInterval, int16_t{60});
            QTest::keyClick(f.txtSecs, Qt::Key_Backspace);
            QTest::keyClick(f.txtSecs, Qt::Key_Backspace);
            QCOMPARE(f.txtSecs->text(), QStringLiteral("1"));
            // The users group has the same check.
            f.tbsOptions->setCurrentIndex(1);
            f.checkUsers->setChecked(true);
            f.txtUsersInterval->clear();
            QTest::keyClicks(f.txtUsersInterval, QStringLiteral("99"));
            QCOMPARE(f.txtUsersInterval->text(), QStringLiteral("60"));
            f.UpDownUsers->stepDown();
            QCOMPARE(f.txtUsersInterval->text(), QStringLiteral("59"));
            // Text the program sets is not checked.
            f.txtSecsDrives->setText(QStringLiteral("0"));
            QCOMPARE(f.txtSecsDrives->text(), QStringLiteral("0"));
        });
    }

    void applyStoresTheFormsAndSetsTheTimers() {
        Harness h;
        QVERIFY(h.start());
        WithOptions(h, [&h](frmOptions& f) {
            f.CheckAutoUpdate->setChecked(true);
            f.txtSecs->setText(QStringLiteral("20"));
            f.checkAutoUpdateDrives->setChecked(true);
            f.txtSecsDrives->setText(QStringLiteral("15"));
            f.tbsOptions->setCurrentIndex(2);
            f.chkLogToFile->click();
            QCOMPARE(h.window->state().Prefs.LogInfoToFile, uint8_t{1});
            QVERIFY(f.txtLogFileName->isEnabled());
            f.txtLogFileName->setText(QStringLiteral("/tmp/vnk out.log"));
            f.cmdApply_Click();
        });
        const auto& v = h.store->values;
        QCOMPARE(v.at("AutoUpdateServerStatus"), std::string(" 1"));
        QCOMPARE(v.at("AutoUpdateServerInterval"), std::string("20"));
        QCOMPARE(v.at("AutoUpdateDrivesStatus"), std::string("1"));
        QCOMPARE(v.at("AutoUpdateDrivesInterval"), std::string("15"));
        QCOMPARE(v.at("AutoUpdateUsersStatus"), std::string("0"));
        QCOMPARE(v.at("OutputLogFileName"), std::string("/tmp/vnk out.log"));
        QCOMPARE(v.at("LogInfoToFile"), std::string("1"));
        QCOMPARE(h.window->Timer1->interval(), 20000);
        QVERIFY(h.window->Timer1->isActive());
        QVERIFY(h.window->TimerDrives->isActive());
        QVERIFY(h.messages.texts().filter(QStringLiteral("Couldn't")).isEmpty());
    }

    void applyWithoutTheKeyShowsSixMessages() {
        Harness h;
        h.store->keyExists = false;
        QVERIFY(h.start());
        std::vector<ShownMessage> shownInside;
        WithOptions(h, [&h, &shownInside](frmOptions& f) {
            h.messages.clear();
            f.cmdApply_Click();
            shownInside = h.messages.shown;
        });
        QStringList texts;
        for (const auto& m : shownInside) {
            QCOMPARE(m.title, QStringLiteral("Varnook Information"));
            texts << m.text;
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("Couldn't update server options."),
                                     QStringLiteral("Couldn't update server interval."),
                                     QStringLiteral("Couldn't update drives options."),
                                     QStringLiteral("Couldn't update drives interval."),
                                     QStringLiteral("Couldn't update users options."),
                                     QStringLiteral("Couldn't update users interval.")}));
    }

    void cancelKeepsTheTimersButImmediateEditsStay() {
        Harness h;
        QVERIFY(h.start());
        WithOptions(h, [](frmOptions& f) {
            f.CheckAutoUpdate->setChecked(true);
            f.txtSecs->clear();
            QTest::keyClicks(f.txtSecs, QStringLiteral("9"));
            f.cmdCancel_Click();
        });
        QCOMPARE(h.window->state().Prefs.AutoUpdateServerInterval, int16_t{9});
        QVERIFY(!h.window->Timer1->isActive());
        QCOMPARE(h.window->Timer1->interval(), 30000);
        QCOMPARE(h.store->writes, 0);
    }

    void logFileDialog() {
        Harness h;
        h.store->values = {{"LogInfoToFile", "1"}, {"OutputLogFileName", "/tmp/keep.log"}};
        QVERIFY(h.start());
        h.messages.fileNames = {QString(), QStringLiteral("/tmp/chosen.log")};
        WithOptions(h, [&h](frmOptions& f) {
            f.cmdLogFileName_Click();
            const SaveFileRequest& r = h.messages.lastSaveRequest;
            QCOMPARE(r.title, QStringLiteral("Varnook log file location..."));
            QCOMPARE(r.presetName, QStringLiteral("Varnook Output"));
            QCOMPARE(r.filter, QStringLiteral("*.log"));
            QCOMPARE(r.defaultSuffix, QStringLiteral("log"));
            QVERIFY(r.promptOverwrite);
            // A cancelled dialog still holds its preset name, in the program folder it opened in.
            QCOMPARE(r.folder, h.programFolder);
            QCOMPARE(f.txtLogFileName->text(), h.programFolder + QStringLiteral("/Varnook Output"));
            QCOMPARE(h.window->state().Prefs.OutputLogFileName,
                     (h.programFolder + QStringLiteral("/Varnook Output")).toStdString());
            f.cmdLogFileName_Click();
            QCOMPARE(f.txtLogFileName->text(), QStringLiteral("/tmp/chosen.log"));
            QCOMPARE(f.txtLogFileName->maxLength(), 254);
        });
        QCOMPARE(h.window->state().Prefs.OutputLogFileName, std::string("/tmp/chosen.log"));
    }

    void helpStartsTheViewerOrSaysWhyNot() {
        Harness h;
        h.programFolder = h.root + QStringLiteral("/prog dir");
        QDir().mkpath(h.programFolder);
        QVERIFY(h.start());
        h.window->optionHelpContents_Click();
        QCOMPARE(h.messages.startedPrograms,
                 QStringList{QStringLiteral("/usr/bin/xdg-open|") + h.programFolder +
                             QStringLiteral("/Vnk.html")});
        h.messages.programStarts = false;
        h.window->optionHelpContents_Click();
        const ShownMessage& m = h.messages.shown.back();
        QCOMPARE(m.title, QStringLiteral("Varnook Help"));
        QCOMPARE(m.icon, MsgIcon::Critical);
        QCOMPARE(m.text, QStringLiteral("Error 53 File not found\r\n\r\nCannot launch help."));
    }

    void aboutWindowAndSystemInfo() {
        Harness h;
        QVERIFY(h.start());
        QString title;
        QString version;
        QString sysInfoCaption;
        h.messages.onModal = [&](QDialog* d) -> int {
            auto* about = qobject_cast<frmAbout*>(d);
            if (about != nullptr) {
                title = about->windowTitle();
                version = about->lblVersion->text();
                sysInfoCaption = about->cmdSysInfo->text();
                about->cmdSysInfo_Click();
            }
            return QDialog::Accepted;
        };
        h.window->optionAbout_Click();
        QCOMPARE(title, QStringLiteral("About Varnook"));
        QCOMPARE(version, QStringLiteral("Version 1.0.2"));
        QCOMPARE(sysInfoCaption, QStringLiteral("System Info"));
        QCOMPARE(h.messages.shown.back().text,
                 QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(h.messages.shown.back().title, QStringLiteral("Varnook"));

        h.machineStrings["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH"] = "/opt/sys info/run";
        h.messages.clear();
        frmAbout about(h.messages, h.environment().readRegistry);
        about.cmdSysInfo_Click();
        QCOMPARE(h.messages.startedPrograms.back(), QStringLiteral("/opt/sys info/run"));

        // The second place: a folder holding MSINFO32.EXE.
        h.machineStrings.clear();
        h.machineStrings["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] =
            h.root.toStdString();
        frmAbout second(h.messages, h.environment().readRegistry);
        second.cmdSysInfo_Click();
        QCOMPARE(h.messages.shown.back().text,
                 QStringLiteral("System Information Is Unavailable At This Time"));
        h.addFile("MSINFO32.EXE");
        second.cmdSysInfo_Click();
        QCOMPARE(h.messages.startedPrograms.back(), h.root + QStringLiteral("/MSINFO32.EXE"));
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
