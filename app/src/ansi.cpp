#include "ansi.h"

#include "platform/text.h"

namespace varnook {

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(vnk::text::codePageToUtf8(text));
}

std::string ToAnsi(const QString& text) {
    return vnk::text::utf8ToCodePage(text.toStdString());
}

}  // namespace varnook
