// Varnook: who has this file open, and which files does this connection have open.
#include <QApplication>

#include "messageservice.h"
#include "startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnook"));
    varnook::QtMessageService messages;
    return varnook::RunProgram(messages);
}
