#include "volume_objects.h"

#include <algorithm>
#include <cstdio>

#include "core/setupstep.h"
#include "errors.h"
#include "platform/text.h"

namespace varnook::cli {

namespace {

using namespace vnk::com;

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char16_t c) {
            return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        };
        if (lower(text[i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::vector<std::u16string> Components(std::u16string_view text) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(u'\\', start), text.size());
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::u16string Joined(const std::vector<std::u16string>& parts, size_t count) {
    std::u16string out;
    for (size_t i = 0; i < count; ++i) {
        out += (i > 0 ? u"\\" : u"") + parts[i];
    }
    return out;
}

// The FullNames the path's volume may have, shortest first: one for the server form; for the
// directory form every prefix with a tree, at least one container and a volume object (only the
// volume object's own name resolves to a volume).
std::vector<std::u16string> VolumeCandidates(const std::u16string& path, const std::string& text) {
    static constexpr std::u16string_view kServer = u"\\\\";
    static constexpr std::u16string_view kDirectory = u"NDS:\\\\";
    const bool directory = StartsWithIgnoringCase(path, kDirectory);
    const std::u16string_view prefix = directory ? kDirectory : kServer;
    if (!directory && !StartsWithIgnoringCase(path, kServer)) {
        throw CliError(kExitUsage, text +
                                       " is no full name: give \\\\SERVER\\VOLUME\\PATH or "
                                       "NDS:\\\\TREE\\CONTAINER\\VOLUME\\PATH");
    }
    const std::vector<std::u16string> parts =
        Components(std::u16string_view(path).substr(prefix.size()));
    const size_t least = directory ? 3 : 2;
    std::vector<std::u16string> out;
    for (size_t n = least; n <= parts.size() && (directory || n == least); ++n) {
        out.push_back(std::u16string(prefix) + Joined(parts, n));
    }
    if (out.empty()) {
        throw CliError(kExitUsage, text + " names no volume");
    }
    return out;
}

std::int64_t ScriptCode(HRESULT hr, const ExcepInfo& raised) {
    const std::int32_t code = hr == DISP_E_EXCEPTION ? raised.scode : hr;
    return code < 0 ? static_cast<std::int64_t>(static_cast<std::uint32_t>(code)) : code;
}

[[noreturn]] void ThrowCallError(HRESULT hr, const ExcepInfo& raised, std::u16string_view member,
                                 const std::string& what) {
    const std::int64_t code = ScriptCode(hr, raised);
    std::string text = Narrow(raised.description);
    if (hr != DISP_E_EXCEPTION || text.empty()) {
        text = "the volume control refused " + Narrow(member);
    }
    throw VolumeError(code, text, what);
}

}  // namespace

std::u16string Wide(const std::string& utf8) {
    return vnk::text::utf8ToUtf16(utf8);
}

std::string Narrow(std::u16string_view text) {
    return vnk::text::utf16ToUtf8(text);
}

ComPtr<IDispatch> CreateVolumeControl() {
    ComPtr<IDispatch> control;
    HRESULT hr = CreateObject(kVolumeControlProgId, control);
    if (FAILED(hr) || !control) {
        // A user's first volume command: the installation step beside the program registers the
        // control for this user, as it does before the window's first start.
        if (RunInstallationStep(ExecutableFolder()) == 0) {
            hr = CreateObject(kVolumeControlProgId, control);
        }
    }
    if (FAILED(hr) || !control) {
        throw CliError(kExitNetWare,
                       "the volume control VolmarraLib.VolmarraCtrl.1 cannot be "
                       "created: " +
                           ComLastErrorDetail() +
                           " (run varnook-setup, or register it with regsvr lib/libvolmarra.so)");
    }
    return control;
}

CliError VolumeError(std::int64_t code, const std::string& text, const std::string& what) {
    int exit = kExitNetWare;
    switch (code) {
        case 0xCE17:  // no such entry
        case 0x899C:  // invalid path
        case 0x8996:  // volume does not exist
        case 0x8998:
        case 0x89FC:  // no such object
        case 0x89FE:  // trustee not found
        case 0x89FF:  // "File or directory not found" of a collection
            exit = kExitNotFound;
            break;
        case 0xCE01:  // invalid name format
        case 0xCE18:  // a name of another volume
        case 0x899E:  // invalid entry name
            exit = kExitUsage;
            break;
        default:
            break;
    }
    char hex[24];
    std::snprintf(hex, sizeof hex, code <= 0xFFFF ? "0x%04llX" : "0x%08llX",
                  static_cast<unsigned long long>(code));
    return CliError(exit, what + ": " + hex + " (" + text + ")",
                    static_cast<nw::NWCCODE>(code <= 0xFFFF ? code : 0));
}

Variant VolumeObject::Call(std::u16string_view member, std::vector<Variant> args) const {
    Variant result;
    ExcepInfo raised;
    const HRESULT hr = call(object_.get(), member, std::move(args), &result, &raised);
    if (FAILED(hr)) {
        ThrowCallError(hr, raised, member, what_);
    }
    return result;
}

std::optional<VolumeObject> VolumeObject::Object(std::u16string_view member,
                                                 std::vector<Variant> args,
                                                 std::string what) const {
    const Variant v = Call(member, std::move(args));
    IDispatch* object = v.deref().dispatch();
    if (object == nullptr) {
        return std::nullopt;
    }
    return VolumeObject(ComPtr<IDispatch>(object), what.empty() ? what_ : std::move(what));
}

std::string VolumeObject::Text(std::u16string_view member) const {
    return Narrow(Call(member).asString().value_or(u""));
}

int64_t VolumeObject::Number(std::u16string_view member) const {
    Variant n;
    if (FAILED(VariantChangeType(n, Call(member), VT_I8))) {
        return 0;
    }
    return n.intVal();
}

bool VolumeObject::Flag(std::u16string_view member) const {
    return Call(member).asBool().value_or(false);
}

Cell VolumeObject::Date(std::u16string_view member) const {
    const Variant v = Call(member);
    if (v.deref().vt() != VT_DATE) {
        return Cell{};
    }
    const vnk::com::Date::Parts p = vnk::com::Date{v.deref().realVal()}.parts();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return std::string(text);
}

void VolumeObject::Put(std::u16string_view member, Variant value) const {
    ExcepInfo raised;
    const HRESULT hr = putProperty(object_.get(), member, std::move(value), &raised);
    if (FAILED(hr)) {
        ThrowCallError(hr, raised, member, what_);
    }
}

void VolumeObject::ForEach(const std::function<void(const VolumeObject&)>& each) const {
    ExcepInfo raised;
    const HRESULT hr = forEach(
        object_.get(),
        [&](const Variant& item) {
            if (IDispatch* object = item.deref().dispatch()) {
                each(VolumeObject(ComPtr<IDispatch>(object), what_));
            }
            return true;
        },
        &raised);
    if (FAILED(hr)) {
        ThrowCallError(hr, raised, u"_NewEnum", what_);
    }
}

VolumeSession::VolumeSession(Context& ctx, const std::string& pathUtf8)
    : control_(nullptr, pathUtf8) {
    path_ = Wide(pathUtf8);
    for (char16_t& c : path_) {
        c = c == u'/' ? u'\\' : c;
    }
    while (path_.size() > 2 && path_.back() == u'\\') {
        path_.pop_back();
    }
    const std::vector<std::u16string> candidates = VolumeCandidates(path_, pathUtf8);
    if (!ctx.env().volumeControl) {
        throw CliError(kExitNetWare, "this program has no volume control");
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        // A fresh control per try: a name the control refused leaves it emptied.
        control_ = VolumeObject(ctx.env().volumeControl(ctx.options().source), pathUtf8);
        try {
            control_.Put(u"FullName", Variant(candidates[i]));
            volume_ = candidates[i];
            return;
        } catch (const CliError&) {
            if (i + 1 == candidates.size()) {
                throw;
            }
        }
    }
}

VolumeObject VolumeSession::Entry() const {
    return EntryAt(path_);
}

VolumeObject VolumeSession::EntryAt(const std::u16string& fullPath) const {
    const std::string what = Narrow(fullPath);
    std::optional<VolumeObject> entry =
        fullPath.size() == volume_.size()
            ? control_.Object(u"Root", {}, what)
            : control_.Object(u"FindEntry", {Variant(fullPath)}, what);
    if (!entry) {
        throw CliError(kExitNotFound, what + ": no such entry");
    }
    return *entry;
}

std::string VolumeSession::fullPathText() const {
    return Narrow(path_);
}

}  // namespace varnook::cli
