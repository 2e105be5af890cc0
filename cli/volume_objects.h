// The volume commands' hold on the volume control: its objects reached late bound through
// IDispatch by member name, as a script reaches them, and its failures turned into command-line
// errors with the control's codes and texts. Nothing here does volume work itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "context.h"
#include "errors.h"
#include "platform/dispatch.h"

namespace varnook::cli {

using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::com::Variant;

inline constexpr char16_t kVolumeControlProgId[] = u"VolmarraLib.VolmarraCtrl.1";

// The control by its ProgID through the component runtime, on the process's client. Throws
// CliError (exit 3) saying how to register it when the class cannot be created.
ComPtr<IDispatch> CreateVolumeControl();

// The error of a failed call: "<what>: 0xCE17 (The specified entry could not be found.)". The
// control's codes for a missing entry, path, volume, trustee or object end with exit 2, those for
// a malformed name with exit 1, all others with exit 3.
CliError VolumeError(std::int64_t code, const std::string& text, const std::string& what);

// One object of the control. `what` names it in error messages (its full name, mostly).
class VolumeObject {
public:
    VolumeObject(ComPtr<IDispatch> object, std::string what)
        : object_(std::move(object)), what_(std::move(what)) {}

    // A property read or method call (as scripts make them); throws CliError when it fails.
    Variant Call(std::u16string_view member, std::vector<Variant> args = {}) const;
    // The same, for a member that answers an object; nullopt for Nothing.
    std::optional<VolumeObject> Object(std::u16string_view member, std::vector<Variant> args = {},
                                       std::string what = {}) const;
    std::string Text(std::u16string_view member) const;  // UTF-8
    int64_t Number(std::u16string_view member) const;
    bool Flag(std::u16string_view member) const;
    // A date as "YYYY-MM-DDTHH:MM:SS"; none for Null.
    Cell Date(std::u16string_view member) const;
    void Put(std::u16string_view member, Variant value) const;
    // For Each over a collection.
    void ForEach(const std::function<void(const VolumeObject&)>& each) const;

    const std::string& what() const { return what_; }

private:
    ComPtr<IDispatch> object_;
    std::string what_;
};

// One volume named by the full name of something on it: \\SERVER\VOLUME[\PATH] or
// NDS:\\TREE\CONTAINER...\VOLUME[\PATH] ("/" may stand for "\"). Keeps the control (whose
// entries do not keep it alive) while the command runs.
class VolumeSession {
public:
    // Opens the volume the path lies on. A name that is no full name is a usage error.
    VolumeSession(Context& ctx, const std::string& pathUtf8);

    const VolumeObject& control() const { return control_; }
    // The entry the path names (the root for the volume's own name).
    VolumeObject Entry() const;
    // The entry of another full name on the same volume.
    VolumeObject EntryAt(const std::u16string& fullPath) const;
    // Whether the path names the volume itself.
    bool IsRoot() const { return path_.size() == volume_.size(); }
    // The full name as the control spells it (backslashes), UTF-16 and UTF-8.
    const std::u16string& fullPath() const { return path_; }
    std::string fullPathText() const;

private:
    std::u16string path_;
    std::u16string volume_;  // the control's FullName
    VolumeObject control_;
};

// UTF-8 <-> the control's UTF-16.
std::u16string Wide(const std::string& utf8);
std::string Narrow(std::u16string_view text);

}  // namespace varnook::cli
