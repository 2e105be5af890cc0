#include "ansi.h"

#include <algorithm>

#include "platform/text.h"

namespace varnook {

QString FromAnsi(const std::string& text) {
    // Every workstation code page spells ASCII as ASCII: most texts (paths, user names) take the
    // short way, which long lists of rows feel.
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    return QString::fromStdString(vnk::text::codePageToUtf8(text));
}

std::string ToAnsi(const QString& text) {
    return vnk::text::utf8ToCodePage(text.toStdString());
}

}  // namespace varnook
