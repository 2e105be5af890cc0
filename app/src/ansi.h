// Conversions between Qt's text and the workstation's 8-bit code page (Windows-1252), in which
// the NetWare client and the logs carry their texts.
#pragma once

#include <QString>
#include <string>

namespace varnook {

QString FromAnsi(const std::string& text);
std::string ToAnsi(const QString& text);

}  // namespace varnook
