// Builds a main window on a network made in code, with a recorder for every message box.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "../core/tests/fakestore.h"
#include "fakenetwork.h"
#include "frmvarnook.h"
#include "recordingmessages.h"

namespace varnook::test {

class Harness {
public:
    Harness() {
        root = dir.path();
        programFolder = root + QStringLiteral("/bin");
        QDir().mkpath(programFolder);
        auto owned = std::make_unique<FakeNetwork>();
        net = owned.get();
        ownedNet = std::move(owned);
        net->connections = {{"FS1", 1, true}, {"FS2", 2, false}};
        addDrive(6, "\\\\FS1\\SYS", "vol/FS1/SYS");
        addDrive(7, "\\\\FS1\\DATA\\SHARED", "vol/FS1/DATA/SHARED");
        addFile("vol/FS1/SYS/readme.txt");
        addFile("vol/FS1/SYS/Autoexec.ncf");
        QDir().mkpath(root + QStringLiteral("/vol/FS1/SYS/PUBLIC"));
        addFile("vol/FS1/SYS/PUBLIC/login.exe");
        addFile("vol/FS1/DATA/SHARED/Quarterly Report.xls");
        store = std::make_shared<FakeStore>();
        storeAvailable = true;
    }

    void addDrive(int number, const std::string& target, const std::string& folder) {
        const QString local = root + QLatin1Char('/') + QString::fromStdString(folder);
        QDir().mkpath(local);
        net->drives[number] = {target, local.toStdString()};
    }
    void addFile(const std::string& relative) {
        const QString path = root + QLatin1Char('/') + QString::fromStdString(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("x");
    }

    AppEnvironment environment() {
        AppEnvironment env;
        env.commandLine = commandLine;
        env.programFolder = programFolder.toStdString();
        env.messages = &messages;
        env.NWCallsInit = [this](std::unique_ptr<NetFacade>& facade) -> uint32_t {
            const nw::NWCCODE rc = net->initResult;
            if (rc == 0 && ownedNet) {
                facade = std::make_unique<NetFacade>(std::move(ownedNet));
            }
            return static_cast<uint32_t>(rc);
        };
        env.NWCallsInitFailure = [this] { return initFailure; };
        env.createRegStore = [this]() -> std::unique_ptr<StringStore> {
            if (!storeAvailable) {
                throw AppError{429, "ActiveX component can't create object"};
            }
            return std::make_unique<SharedStore>(store);
        };
        env.readRegistry = [this](const std::string& key,
                                  const std::string& name) -> std::optional<std::string> {
            const auto it = machineStrings.find(key + "|" + name);
            if (it == machineStrings.end()) {
                return std::nullopt;
            }
            return it->second;
        };
        env.windowsFolder = "/usr/bin";
        env.createVolumeControl = createVolumeControl;
        return env;
    }

    // Creates the window and runs its start-up.
    bool start() {
        window = std::make_unique<frmVarnook>(environment());
        return window->Form_Load();
    }

    QTemporaryDir dir;
    QString root;
    QString programFolder;
    std::string commandLine;
    FakeNetwork* net = nullptr;
    std::unique_ptr<FakeNetwork> ownedNet;
    std::shared_ptr<FakeStore> store;
    // Why NWCallsInit failed, as the client tells it (net->initResult non-zero).
    std::string initFailure;
    bool storeAvailable = true;
    std::map<std::string, std::string> machineStrings;
    // How the window creates its volume control; unset: no control.
    std::function<QWidget*(QWidget*, std::string&)> createVolumeControl;
    RecordingMessageService messages;
    std::unique_ptr<frmVarnook> window;

private:
    // Hands the window its own store object while the test keeps looking at the values.
    class SharedStore : public StringStore {
    public:
        explicit SharedStore(std::shared_ptr<FakeStore> s) : s_(std::move(s)) {}
        int16_t ReadStringValue(int32_t& h, std::string& k, std::string& n,
                                std::string& v) override {
            return s_->ReadStringValue(h, k, n, v);
        }
        int16_t WriteStringValue(int32_t& h, std::string& k, std::string& n, std::string& v,
                                 uint8_t& c) override {
            return s_->WriteStringValue(h, k, n, v, c);
        }

    private:
        std::shared_ptr<FakeStore> s_;
    };
};

}  // namespace varnook::test
