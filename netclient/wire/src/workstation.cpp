#include "wire/workstation.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>

#include "codepage.h"
#include "jsonwalk.h"

namespace nw::wire {

namespace {

using Value = jsonwalk::Value<WorkstationError>;

constexpr const char* kForbiddenNameCharacters = "\\/:;,*?\"<>|=[]+. ";

std::string upperAscii(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

class Loader {
public:
    Loader(const std::filesystem::path& folder, const std::string& file)
        : folder_(folder), file_(file) {}

    WorkstationConfig load(std::string_view text) {
        const jsonwalk::json document = jsonwalk::parse<WorkstationError>(text, file_);
        const Value root(&document, "", file_);
        root.expectObject({"codePage", "passwordFile", "timeoutSeconds", "connections", "drives"});
        WorkstationConfig config;
        config.file = folder_ / file_;
        if (Value codePage = root["codePage"]; codePage.present()) {
            config.codePage = codePage.string("an iconv code page name");
            if (!knownCodePage(config.codePage)) {
                codePage.fail("a code page that iconv knows, such as \"WINDOWS-1252\"");
            }
        }
        codePage_ = config.codePage;
        if (Value passwords = root["passwordFile"]; passwords.present()) {
            std::filesystem::path path(passwords.string("the path of a password file"));
            if (path.empty()) {
                passwords.fail("the path of a password file");
            }
            config.passwordFile = path.is_absolute() ? path : folder_ / path;
        }
        if (Value timeout = root["timeoutSeconds"]; timeout.present()) {
            config.replyTimeout = std::chrono::seconds(timeout.integer(1, 3600));
        }
        for (const Value& connection : root["connections"].itemsOr()) {
            config.connections.push_back(loadConnection(connection));
        }
        std::set<char> letters;
        for (const Value& drive : root["drives"].itemsOr()) {
            WorkstationDrive d = loadDrive(drive);
            if (!letters.insert(d.letter).second) {
                drive["letter"].fail("a letter no other drive has");
            }
            config.drives.push_back(std::move(d));
        }
        return config;
    }

private:
    std::string text(const Value& value, const std::string& expected) const {
        std::optional<std::string> converted = utf8ToCodePage(value.string(expected), codePage_);
        if (!converted) {
            value.fail(expected + " whose characters exist in the workstation code page (" +
                       codePage_ + ")");
        }
        return *converted;
    }

    std::string serverName(const Value& value) const {
        const std::string expected =
            "a server name of 1 to 48 characters without blanks or any of \\/:;,*?\"<>|=[]+.";
        std::string name = upperAscii(text(value, expected));
        if (name.empty() || name.size() > NW_MAX_SERVER_NAME_LEN || hasControlCharacter(name) ||
            name.find_first_of(kForbiddenNameCharacters) != std::string::npos) {
            value.fail(expected);
        }
        return name;
    }

    WorkstationConnection loadConnection(const Value& value) const {
        value.expectObject({"server", "address", "user"});
        WorkstationConnection c;
        c.server = serverName(value["server"]);
        const Value address = value["address"];
        const std::string expected =
            "a server address \"HOST\" or \"HOST:PORT\" (port 1 to 65535, default 524)";
        std::optional<Address> parsed = parseAddress(address.string(expected));
        if (!parsed) {
            address.fail(expected);
        }
        c.address = *parsed;
        if (Value user = value["user"]; user.present()) {
            const std::string userExpected = "an object name of 1 to 47 characters";
            c.user = upperAscii(text(user, userExpected));
            if (c.user.empty() || c.user.size() > NW_MAX_OBJECT_NAME_LEN ||
                hasControlCharacter(c.user)) {
                user.fail(userExpected);
            }
        }
        return c;
    }

    WorkstationDrive loadDrive(const Value& value) const {
        value.expectObject({"letter", "target"});
        WorkstationDrive d;
        const Value letter = value["letter"];
        const std::string& l = letter.string("one letter from A to Z");
        if (l.size() != 1 || !std::isalpha(static_cast<unsigned char>(l[0]))) {
            letter.fail("one letter from A to Z");
        }
        d.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(l[0])));
        const Value target = value["target"];
        const std::string expected =
            "a mapping \"\\\\SERVER\\VOLUME\" or \"\\\\SERVER\\VOLUME\\DIR\"";
        d.target = text(target, expected);
        std::string rest = d.target;
        if (rest.size() < 3 || rest.compare(0, 2, "\\\\") != 0) {
            target.fail(expected);
        }
        rest.erase(0, 2);
        const std::size_t serverEnd = rest.find('\\');
        if (serverEnd == std::string::npos || serverEnd == 0) {
            target.fail(expected);
        }
        d.server = upperAscii(rest.substr(0, serverEnd));
        rest.erase(0, serverEnd + 1);
        const std::size_t volumeEnd = rest.find('\\');
        d.volume = upperAscii(rest.substr(0, volumeEnd));
        d.path = volumeEnd == std::string::npos ? std::string() : rest.substr(volumeEnd + 1);
        while (!d.path.empty() && d.path.back() == '\\') {
            d.path.pop_back();
        }
        if (d.volume.empty() || d.volume.size() > NW_MAX_VOLUME_NAME_LEN ||
            d.volume.find_first_of(kForbiddenNameCharacters) != std::string::npos ||
            d.path.find("\\\\") != std::string::npos || hasControlCharacter(d.target)) {
            target.fail(expected);
        }
        return d;
    }

    std::filesystem::path folder_;
    std::string file_;
    std::string codePage_;
};

}  // namespace

std::optional<Address> parseAddress(std::string_view text) {
    Address address;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        address.host = std::string(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return std::nullopt;
            }
            port = rest.substr(1);
            if (port.empty()) {
                return std::nullopt;
            }
        }
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon != std::string_view::npos) {
            if (text.find(':') != colon) {
                address.host = std::string(text);  // a bare IPv6 address
            } else {
                address.host = std::string(text.substr(0, colon));
                port = text.substr(colon + 1);
                if (port.empty()) {
                    return std::nullopt;
                }
            }
        } else {
            address.host = std::string(text);
        }
    }
    // Brackets only ever enclose an IPv6 address; one left in the host could not be written
    // back as an address that reads the same.
    if (address.host.empty() || hasControlCharacter(address.host) ||
        address.host.find_first_of(" /\\[]") != std::string::npos) {
        return std::nullopt;
    }
    if (!port.empty()) {
        if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            })) {
            return std::nullopt;
        }
        const int number = std::stoi(std::string(port));
        if (number < 1 || number > 65535) {
            return std::nullopt;
        }
        address.port = static_cast<std::uint16_t>(number);
    }
    return address;
}

WorkstationConfig parseWorkstation(std::string_view json, const std::filesystem::path& folder,
                                   const std::string& fileName) {
    return Loader(folder, fileName).load(json);
}

WorkstationConfig loadWorkstationFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw WorkstationError(file.string() + ": cannot be read");
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::filesystem::path absolute = std::filesystem::absolute(file);
    WorkstationConfig config = parseWorkstation(text, absolute.parent_path(), file.string());
    config.file = absolute;
    return config;
}

}  // namespace nw::wire
