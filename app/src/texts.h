// The program's title and version texts.
#pragma once

#include <QString>

namespace varnook {

inline QString ProgramTitle() {
    return QStringLiteral("Varnook");
}

// "major.minor.revision" of the build, each part without blanks.
inline QString VersionText() {
    return QString::number(VARNOOK_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(VARNOOK_VERSION_MINOR) + QLatin1Char('.') +
           QString::number(VARNOOK_VERSION_PATCH);
}

}  // namespace varnook
