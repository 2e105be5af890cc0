// Varnook: who has this file open, and which files does this connection have open.
#include <QApplication>
#include <cstdio>

#include "core/cmdline.h"
#include "core/setupstep.h"
#include "messageservice.h"
#include "startup.h"

int main(int argc, char** argv) {
    if (auto answer = varnook::InfoAnswer(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(answer->c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // The user's installation step (varnook-setup beside the program) runs before the window:
    // it registers the component libraries and creates the preferences key when they are missing.
    varnook::RunInstallationStep(varnook::ExecutableFolder());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnook"));
    varnook::QtMessageService messages;
    return varnook::RunProgram(messages);
}
