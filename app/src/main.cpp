// Varnook: who has this file open, and which files does this connection have open.
#include <QApplication>

#include "frmvarnook.h"
#include "messageservice.h"
#include "startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnook"));
    varnook::QtMessageService messages;
    varnook::frmVarnook window(varnook::ProgramEnvironment(
        QApplication::arguments(), QApplication::applicationDirPath(), messages));
    if (!window.Form_Load()) {
        return 0;
    }
    return QApplication::exec();
}
