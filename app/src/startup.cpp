#include "startup.h"

#include <QApplication>
#include <cstdlib>

#include "core/installedfiles.h"
#include "frmlogin.h"
#include "netclient/passwords.h"

namespace varnook {

int RunProgram(MessageService& messages) {
    frmVarnook window(ProgramEnvironment(QApplication::arguments(),
                                         QApplication::applicationDirPath(), messages));
    if (!window.Form_Load()) {
        return EXIT_FAILURE;  // the start-up ended; its message said why
    }
    return QApplication::exec();
}

AppEnvironment ProgramEnvironment(const QStringList& arguments, const QString& programFolder,
                                  MessageService& messages) {
    AppEnvironment env;
    env.commandLine = arguments.mid(1).join(QLatin1Char(' ')).toStdString();
    env.programFolder = programFolder.toStdString();
    env.logFolder = LogFolder(env.programFolder);
    env.messages = &messages;
    env.NWCallsInit = [&messages](std::unique_ptr<NetFacade>& facade) -> uint32_t {
        // Passwords the password file lacks are asked for in the login window, for each
        // connection as it is first opened (the server list opens them all at start).
        nw::setPasswordAsker([&messages](const nw::PasswordQuestion& question,
                                         nw::PasswordEntry& entry, std::string& why) {
            return AskPasswordInWindow(messages, question, entry, why);
        });
        nw::nuint8 reserved1 = 0;
        nw::nuint8 reserved2 = 0;
        const nw::NWCCODE rc = nw::NWCallsInit(&reserved1, &reserved2);
        if (rc == nw::SUCCESSFUL) {
            facade = std::make_unique<NetFacade>(nw::processClient());
        }
        return static_cast<uint32_t>(rc);
    };
    env.NWCallsInitFailure = nw::processClientFailure;
    env.createRegStore = CreateRegwickStore;
    env.createVolumeControl = CreateVolmarraControl;
    env.readRegistry = ReadMachineString;
    return env;
}

}  // namespace varnook
