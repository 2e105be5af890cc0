// The window over the wire, against nwsimd on loopback: the login window asks for a password the
// password file gets wrong, says so, and the connection comes up with the one typed; and a
// drive's folders come from its server.
#include <sys/stat.h>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

#include "browserwidgets.h"
#include "frmlogin.h"
#include "harness.h"
#include "netclient/testing/doors.h"
#include "wire/wireclient.h"

using namespace varnook;
using namespace varnook::test;

namespace {

constexpr const char* kNetwork = R"({
  "workstation": { "drives": [ { "letter": "F", "target": "\\\\FS1\\DATA" } ],
                   "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "volumes": [ { "name": "DATA" } ],
    "connections": [ { "number": 12, "user": "JSMITH",
                       "openFiles": [ { "path": "DATA:SHARED\\Report.xls" } ] } ] } ]
})";

// The password nwsimd gave the workstation's ADMIN, from the door's password file.
std::string GivenPassword(const std::filesystem::path& passwordFile) {
    std::ifstream in(passwordFile);
    std::string server, user, password;
    in >> server >> user >> password;
    return password;
}

}  // namespace

class WireTest : public QObject {
    Q_OBJECT
private slots:
    void aWrongPasswordInTheFileAsksInTheLoginWindow() {
        auto net = nw::testnet::DoorNetwork::open(
            nw::testnet::Door::Wire, kNetwork,
            {"volumes/FS1/DATA/SHARED/Report.xls", "volumes/FS1/DATA/Readme.txt"});
        nw::wire::WorkstationConfig workstation =
            nw::wire::loadWorkstationFile(net->workstationFile());
        const std::string right = GivenPassword(*workstation.passwordFile);
        QVERIFY(!right.empty());
        QTemporaryDir dir;
        const std::string wrongFile = (dir.path() + QStringLiteral("/passwords")).toStdString();
        std::ofstream(wrongFile) << "FS1 ADMIN NOT" << right << "\n";
        ::chmod(wrongFile.c_str(), 0600);

        Harness h;
        h.commandLine = "/debug";
        QStringList refusals;
        int asked = 0;
        h.messages.onModal = [&](QDialog* d) {
            auto* login = qobject_cast<frmLogin*>(d);
            if (login == nullptr) {
                return int{QDialog::Rejected};
            }
            ++asked;
            refusals << (login->lblRefusal->isHidden() ? QString() : login->lblRefusal->text());
            login->txtPassword->setText(QString::fromStdString(right));
            return int{QDialog::Accepted};
        };
        AppEnvironment env = h.environment();
        env.NWCallsInit = [&](std::unique_ptr<NetFacade>& facade) -> uint32_t {
            auto passwords = std::make_unique<nw::wire::PasswordChain>(
                std::make_unique<nw::wire::PasswordFile>(wrongFile),
                std::make_unique<nw::wire::PasswordPrompt>(
                    [&h](const nw::wire::PasswordRequest& request,
                         std::string& why) -> std::optional<nw::wire::Secret> {
                        nw::PasswordQuestion question{request.server, request.user, request.again,
                                                      request.refusal};
                        nw::PasswordEntry entry;
                        if (!AskPasswordInWindow(h.messages, question, entry, why)) {
                            return std::nullopt;
                        }
                        nw::wire::Secret secret;
                        secret.append(entry.view().data(), entry.view().size());
                        return secret;
                    }));
            facade = std::make_unique<NetFacade>(
                std::make_unique<nw::wire::WireClient>(workstation, std::move(passwords)));
            return 0;
        };
        h.window = std::make_unique<frmVarnook>(env);
        QVERIFY(h.window->Form_Load());
        QCOMPARE(asked, 1);
        QCOMPARE(refusals, QStringList{QStringLiteral("Wrong password.")});
        QTreeWidget* servers = h.window->lstviewServers;
        QCOMPARE(servers->topLevelItemCount(), 1);
        QCOMPARE(servers->topLevelItem(0)->text(0), QStringLiteral("FS1"));
        QCOMPARE(servers->topLevelItem(0)->text(1), QStringLiteral("Enabled"));
        // The drive's folders and files come from the server.
        QCOMPARE(h.window->Dir1->path(), QStringLiteral("F:\\"));
        QVERIFY(
            h.window->lstFiles->findItems(QStringLiteral("Readme.txt"), Qt::MatchExactly).size() ==
            1);
        h.window->cmd_Exit_Click();
        // The debug log tells of the refusal, never of a password.
        QFile log(h.programFolder + QStringLiteral("/Varnook.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray logged = log.readAll();
        QVERIFY(!logged.isEmpty());
        QVERIFY(!logged.contains(QByteArray::fromStdString(right)));
    }
};

QTEST_MAIN(WireTest)
#include "tst_wire.moc"
