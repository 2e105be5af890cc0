// The preferences' string store: the registry store class clsRegwick, created through the
// component runtime by its ProgID like any other client would, and called through its dual
// interface. Registry reads for the About window use the registry calls directly.
#include <optional>
#include <string>

#include "frmabout.h"
#include "platform/dispatch.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "regwick/regwick.h"
#include "startup.h"

namespace varnook {

namespace {

using vnk::text::codePageToWide;
using vnk::text::wideToCodePage;

class RegwickStore : public StringStore {
public:
    explicit RegwickStore(vnk::com::ComPtr<regwick::_clsRegwick> object)
        : object_(std::move(object)) {}

    int16_t ReadStringValue(int32_t& Hive, std::string& RegLoc, std::string& Name,
                            std::string& Value) override {
        std::u16string key = codePageToWide(RegLoc);
        std::u16string name = codePageToWide(Name);
        std::u16string value = codePageToWide(Value);
        int16_t result = -1;
        if (vnk::win::FAILED(object_->ReadStringValue(&Hive, &key, &name, &value, &result))) {
            return -1;
        }
        Value = wideToCodePage(value);
        return result;
    }

    int16_t WriteStringValue(int32_t& Hive, std::string& RegLoc, std::string& Name,
                             std::string& Value, uint8_t& CreateIfNotThere) override {
        std::u16string key = codePageToWide(RegLoc);
        std::u16string name = codePageToWide(Name);
        std::u16string value = codePageToWide(Value);
        int16_t result = 1;
        if (vnk::win::FAILED(object_->WriteStringValue(&Hive, &key, &name, &value,
                                                       &CreateIfNotThere, &result))) {
            return 3;
        }
        return result;
    }

private:
    vnk::com::ComPtr<regwick::_clsRegwick> object_;
};

}  // namespace

std::unique_ptr<StringStore> CreateRegwickStore() {
    vnk::com::ComPtr<vnk::com::IDispatch> object;
    const vnk::win::HRESULT hr = vnk::com::CreateObject(regwick::kProgId, object);
    vnk::com::ComPtr<regwick::_clsRegwick> store;
    if (vnk::win::SUCCEEDED(hr)) {
        store = object.as<regwick::_clsRegwick>();
    }
    if (!store) {
        const std::string detail = vnk::com::ComLastErrorDetail();
        throw AppError{429, "ActiveX component can't create object" +
                                (detail.empty() ? std::string() : " (" + detail + ")")};
    }
    return std::make_unique<RegwickStore>(std::move(store));
}

std::optional<std::string> ReadMachineString(const std::string& key, const std::string& name) {
    using namespace vnk::win;
    UniqueHKey handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, 0x2003F, handle.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string buffer(1024, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(handle.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    buffer.resize(std::min<size_t>(size, buffer.size()));
    const size_t nul = buffer.find('\0');
    if (nul != std::string::npos) {
        buffer.resize(nul);
    }
    return vnk::text::codePageToUtf8(buffer);
}

}  // namespace varnook
