#include "context.h"

#include "errors.h"
#include "platform/text.h"

namespace varnook::cli {

nw::Client& Context::client() {
    if (client_ == nullptr) {
        client_ = &env_.client(options_.source);
    }
    return *client_;
}

const std::string& Context::codePage() {
    if (codePage_.empty() && client().GetWorkstationCodePage(codePage_) != nw::SUCCESSFUL) {
        codePage_.clear();
    }
    if (codePage_.empty()) {
        codePage_ = "WINDOWS-1252";
    }
    return codePage_;
}

std::string Context::ToUtf8(const std::string& codePageText) {
    return vnk::text::codePageToUtf8(codePageText, codePage());
}

CliError Context::OpenError(nw::NWCONN_REF ref, nw::NWCCODE code, const std::string& what) {
    const CliError error = NetWareError(code, what);
    std::string why;
    if (client().GetConnRefFailure(ref, why) != nw::SUCCESSFUL || why.empty()) {
        return error;
    }
    return CliError(error.exitCode(), std::string(error.what()) + ": " + ToUtf8(why), code);
}

std::string Context::FromUtf8(const std::string& utf8, const std::string& what) {
    bool lossy = false;
    std::string text = vnk::text::utf8ToCodePage(utf8, codePage(), &lossy);
    if (lossy || text.find('\0') != std::string::npos) {
        throw CliError(kExitUsage, what + " holds characters the workstation's code page (" +
                                       codePage() + ") cannot spell: " + utf8);
    }
    return text;
}

}  // namespace varnook::cli
