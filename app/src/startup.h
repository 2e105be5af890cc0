// The program's own environment: its folder, command line, the process NetWare client, the
// registry store object and the desktop's message boxes.
#pragma once

#include <QStringList>

#include "frmvarnook.h"

namespace varnook {

// The registry string store behind the class clsRegwick, created through the component runtime
// by its ProgID. Throws AppError when the class cannot be created.
std::unique_ptr<StringStore> CreateRegwickStore();

// The volume administration control (VolmarraLib.VolmarraCtrl.1), created through the component
// runtime and hosted as a child window of parent; null, with the reason in `why`, when it cannot
// be created.
QWidget* CreateVolmarraControl(QWidget* parent, std::string& why);

// arguments: the program's arguments, the program name first.
AppEnvironment ProgramEnvironment(const QStringList& arguments, const QString& programFolder,
                                  MessageService& messages);

// The program, inside its QApplication: the main window's start-up, then the event loop until the
// last window closes. Returns the exit status: EXIT_FAILURE when the start-up ended the program.
int RunProgram(MessageService& messages);

}  // namespace varnook
