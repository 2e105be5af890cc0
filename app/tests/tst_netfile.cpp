// The program on a network file that does not load, in a process of its own (the process client
// keeps what it loaded for the whole run): the volume control and the start-up both ask for the
// network, which is read once; the box gives the reason under its first line, and the program
// exits with a failure status.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

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

// Standard error into a file while it lives.
class CapturedStderr {
public:
    explicit CapturedStderr(const QString& file) : saved_(::dup(2)) {
        const int fd = ::open(file.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CapturedStderr() {
        ::dup2(saved_, 2);
        ::close(saved_);
    }

private:
    int saved_;
};
}  // namespace

class NetFileTest : public QObject {
    Q_OBJECT
private slots:
    void aNetworkFileThatDoesNotLoad() {
        vnk::testing::TempRegistry registry;
        QVERIFY(RegisterLibrary(REGWICK_LIBRARY));
        QVERIFY(RegisterLibrary(VOLMARRA_LIBRARY));
        QTemporaryDir dir;
        const QString network = dir.filePath(QStringLiteral("broken.json"));
        QFile file(network);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"workstation": {}, "servers": [{"name": 1}]})");
        file.close();
        qputenv("NWSIM_NETWORK", network.toLocal8Bit());

        RecordingMessageService messages;
        const QString errors = dir.filePath(QStringLiteral("stderr.txt"));
        int status = 0;
        {
            CapturedStderr capture(errors);
            status = RunProgram(messages);
        }
        QCOMPARE(status, EXIT_FAILURE);
        const QString reason =
            network + QStringLiteral(": servers[0].name: expected a server name");
        QCOMPARE(messages.shown.size(), size_t{1});
        QVERIFY2(
            messages.shown[0].text.startsWith(QStringLiteral("NWCallsInit failed.\r\n") + reason),
            qPrintable(messages.shown[0].text));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error !"));
        QFile written(errors);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString text = QString::fromLocal8Bit(written.readAll());
        QCOMPARE(text.count(QStringLiteral("NWCallsInit: ")), 1);
        QVERIFY2(text.contains(reason), qPrintable(text));
        qunsetenv("NWSIM_NETWORK");
    }
};

QTEST_MAIN(NetFileTest)
#include "tst_netfile.moc"
