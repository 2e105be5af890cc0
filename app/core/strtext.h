// Number texts used in lists, status texts and logs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace varnook {

// "Str text": one leading blank for a number that is not negative, a minus sign otherwise.
inline std::string StrText(int64_t n) {
    return vnk::text::strText(n);
}

}  // namespace varnook
