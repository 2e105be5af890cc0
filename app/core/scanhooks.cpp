#include "core/scanhooks.h"

namespace varnook {

QueryLog& NoQueryLog() {
    static QueryLog log;
    return log;
}

ScanControl& NoScanControl() {
    static ScanControl control;
    return control;
}

}  // namespace varnook
