// The program's own environment: its folder, command line, the process NetWare client, the
// registry store object and the desktop's message boxes.
#pragma once

#include <QStringList>

#include "frmvarnook.h"

namespace varnook {

// The registry string store behind the class clsRegwick, created through the component runtime
// by its ProgID. Throws AppError when the class cannot be created.
std::unique_ptr<StringStore> CreateRegwickStore();

// arguments: the program's arguments, the program name first.
AppEnvironment ProgramEnvironment(const QStringList& arguments, const QString& programFolder,
                                  MessageService& messages);

}  // namespace varnook
