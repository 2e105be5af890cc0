// The program's own parts: the registry store class created by its ProgID, the registry, and
// one start-up on the demo network through the process client.
#include <dlfcn.h>

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "core/preferences.h"
#include "frmabout.h"
#include "frmvarnook.h"
#include "harness.h"
#include "netclient/testing/demoserver.h"
#include "platform/registry.h"
#include "platform/testing/temp_registry.h"
#include "recordingmessages.h"
#include "startup.h"

using namespace varnook;

namespace {
bool RegisterLibrary(const char* path) {
    void* lib = dlopen(path, RTLD_NOW);
    if (lib == nullptr) {
        return false;
    }
    using Entry = vnk::win::HRESULT (*)();
    auto reg = reinterpret_cast<Entry>(dlsym(lib, "DllRegisterServer"));
    return reg != nullptr && reg() == 0;
}

bool RegisterRegwick() {
    return RegisterLibrary(REGWICK_LIBRARY);
}

bool CreateKey(const char* path) {
    vnk::win::UniqueHKey key;
    return vnk::win::RegCreateKeyEx(vnk::win::HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                    vnk::win::KEY_ALL_ACCESS, nullptr, key.put(),
                                    nullptr) == vnk::win::ERROR_SUCCESS;
}
}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void notRegisteredIsError429() {
        vnk::testing::TempRegistry registry;
        try {
            CreateRegwickStore();
            QFAIL("created a class that is not registered");
        } catch (const AppError& e) {
            QCOMPARE(e.number, 429);
        }
    }

    void preferencesRoundTripThroughTheStore() {
        vnk::testing::TempRegistry registry;
        QVERIFY(RegisterRegwick());
        std::unique_ptr<StringStore> store = CreateRegwickStore();
        // Without the key every read gives its default and every write fails.
        Preferences p = LoadPreferences(*store, "/opt/vnk");
        QCOMPARE(p.AutoUpdateServerInterval, int16_t{30});
        QCOMPARE(WritePreference(*store, PreferenceWrites(p)[0]), int16_t{1});

        QVERIFY(CreateKey("Software\\Kelm\\Varnook\\1.0.2"));
        p.AutoUpdateServerStatus = 1;
        p.AutoUpdateServerInterval = 45;
        p.AutoUpdateUsersStatus = 1;
        p.OutputLogFileName = "/home/ana/Résumé out.log";
        p.LogInfoToFile = 1;
        for (const PreferenceWrite& w : PreferenceWrites(p)) {
            QCOMPARE(WritePreference(*store, w), int16_t{0});
        }
        const Preferences back = LoadPreferences(*store, "/opt/vnk");
        QCOMPARE(back.AutoUpdateServerInterval, int16_t{45});
        QCOMPARE(back.AutoUpdateServerStatus, uint8_t{255});
        QCOMPARE(back.AutoUpdateUsersStatus, uint8_t{255});
        QCOMPARE(back.AutoUpdateDrivesStatus, uint8_t{0});
        QCOMPARE(back.OutputLogFileName, std::string("/home/ana/Résumé out.log"));
        QCOMPARE(back.LogInfoToFile, uint8_t{1});
        QCOMPARE(vnk::win::RegOpenHandleCount(), size_t{0});
    }

    // A read-only hive locks nothing: the store opens the key for all access even to read, so
    // the program runs on the defaults; the README says so.
    void aReadOnlyHiveGivesTheDefaults() {
        vnk::testing::TempRegistry registry;
        QVERIFY(RegisterRegwick());
        QVERIFY(CreateKey("Software\\Kelm\\Varnook\\1.0.2"));
        std::unique_ptr<StringStore> store = CreateRegwickStore();
        Preferences p;
        p.AutoUpdateServerInterval = 45;
        p.AutoUpdateServerStatus = 1;
        p.OutputLogFileName = "/var/log/v.log";
        p.LogInfoToFile = 1;
        for (const PreferenceWrite& w : PreferenceWrites(p)) {
            QCOMPARE(WritePreference(*store, w), int16_t{0});
        }
        QCOMPARE(LoadPreferences(*store, "/opt/vnk").AutoUpdateServerInterval, int16_t{45});
        const QString hive =
            qEnvironmentVariable("VARNOOK_REGISTRY_DIR") + QStringLiteral("/HKEY_LOCAL_MACHINE.db");
        QVERIFY(
            QFile::setPermissions(hive, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const Preferences locked = LoadPreferences(*store, "/opt/vnk");
        QCOMPARE(locked.AutoUpdateServerInterval, int16_t{30});
        QCOMPARE(locked.AutoUpdateServerStatus, uint8_t{0});
        QCOMPARE(locked.LogInfoToFile, uint8_t{0});
        QCOMPARE(locked.OutputLogFileName, std::string("/opt/vnk/varnook output.log"));
        QCOMPARE(WritePreference(*store, PreferenceWrites(p)[0]), int16_t{1});
        QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner);

        QFile readme(QStringLiteral(VARNOOK_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll()).simplified();
        const qsizetype at = text.indexOf(QStringLiteral("read-only hive"));
        QVERIFY(at >= 0);
        const QString paragraph = text.mid(at, text.indexOf(QStringLiteral(". "), at) - at);
        QVERIFY2(paragraph.contains(QStringLiteral("runs on the defaults")), qPrintable(paragraph));
    }

    // The only test on the demo network that ships with the program. The volume control is
    // hosted by its ProgID: a fixed 28 x 28 window above the Exit button that the container
    // cannot resize.
    void startsOnTheDemoNetwork() {
        vnk::testing::TempRegistry registry;
        QVERIFY(RegisterRegwick());
        QVERIFY(RegisterLibrary(VOLMARRA_LIBRARY));
        QVERIFY(CreateKey("Software\\Kelm\\Varnook\\1.0.2"));
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        qunsetenv("NWSIM_NETWORK");
        nw::testnet::OwnDemoServer server;
        QTemporaryDir program;
        RecordingMessageService messages;
        frmVarnook window(
            ProgramEnvironment({QStringLiteral("varnook")}, program.path(), messages));
        QVERIFY(window.Form_Load());
        QVERIFY(window.isVisible());
        QCOMPARE(messages.texts(), QStringList());
        QVERIFY(window.lstviewServers->topLevelItemCount() >= 1);
        QVERIFY(window.lstDrives->count() >= 1);
        QCOMPARE(window.lstDrives->currentRow(), 0);

        QVERIFY(window.Volmarra1 != nullptr);
        QVERIFY(window.Volmarra1->isVisible());
        QVERIFY(window.isAncestorOf(window.Volmarra1));
        QCOMPARE(window.Volmarra1->size(), QSize(28, 28));
        window.resize(1400, 900);
        QCOMPARE(window.Volmarra1->size(), QSize(28, 28));
        const QRect control(window.Volmarra1->mapTo(&window, QPoint(0, 0)),
                            window.Volmarra1->size());
        const QRect exit(window.cmd_Exit->mapTo(&window, QPoint(0, 0)), window.cmd_Exit->size());
        QCOMPARE(control.right(), exit.right());
        QVERIFY(control.bottom() < exit.top());
        QVERIFY(!control.intersects(QRect(window.lstviewServers->mapTo(&window, QPoint(0, 0)),
                                          window.lstviewServers->size())));
        const QByteArray shots = qgetenv("VARNOOK_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            window.resize(1000, 620);
            QVERIFY(window.grab().save(QString::fromLocal8Bit(shots) +
                                       QStringLiteral("/main-with-volmarra.png")));
        }
        window.cmd_Exit_Click();
        QVERIFY(!window.isVisible());
    }

    // Without the control's registration the program still starts; debug mode notes why.
    void startsWithoutAnUnregisteredVolumeControl() {
        vnk::testing::TempRegistry registry;
        test::Harness h;
        h.commandLine = "/debug";
        QWidget* created = nullptr;
        h.createVolumeControl = [&](QWidget* parent, std::string& why) {
            created = CreateVolmarraControl(parent, why);
            return created;
        };
        QVERIFY(h.start());
        QVERIFY(h.window->isVisible());
        QVERIFY(h.window->Volmarra1 == nullptr);
        QVERIFY(created == nullptr);
        QCOMPARE(h.messages.texts(), QStringList());
        QFile log(h.programFolder + QStringLiteral("/Varnook.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logged = QString::fromLatin1(log.readAll());
        QVERIFY2(logged.contains(QStringLiteral("Volume control not available: the class "
                                                "VolmarraLib.VolmarraCtrl.1 cannot be created")),
                 qPrintable(logged));
        h.window->cmd_Exit_Click();
    }

    void machineStringsForSystemInfo() {
        vnk::testing::TempRegistry registry;
        QVERIFY(!ReadMachineString("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH"));
        QVERIFY(CreateKey("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"));
        vnk::win::UniqueHKey key;
        QCOMPARE(vnk::win::RegOpenKeyEx(vnk::win::HKEY_LOCAL_MACHINE,
                                        "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0,
                                        vnk::win::KEY_ALL_ACCESS, key.put()),
                 vnk::win::ERROR_SUCCESS);
        const char data[] = "/usr/bin/sysinfo";
        QCOMPARE(
            vnk::win::RegSetValueEx(key.get(), "PATH", 0, vnk::win::REG_SZ,
                                    reinterpret_cast<const vnk::win::BYTE*>(data), sizeof data),
            vnk::win::ERROR_SUCCESS);
        key.reset();
        QCOMPARE(
            ReadMachineString("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH").value_or(""),
            std::string("/usr/bin/sysinfo"));
    }
};

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
