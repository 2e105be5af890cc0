// The component runtime, part 5: persistence through a property bag. A container keeps named
// values for each control it hosts (what a form file holds) and hands them back when it loads
// the control again.
//
//   ComPtr<PropertyBag> bag(new PropertyBag);
//   control.as<IPersistPropertyBag>()->Save(bag.get(), true, false);
//   ...
//   other.as<IPersistPropertyBag>()->Load(bag.get());
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com.h"
#include "platform/variant.h"

namespace vnk::com {

struct IPropertyBag : IUnknown {
    static constexpr IID iid = makeGuid("{55272A00-42CB-11CE-8135-00AA004BB851}");
    using Base = IUnknown;
    // *value := the value stored under name (names compare without regard to ASCII case).
    // E_INVALIDARG when there is none; *value is then left as it was.
    virtual HRESULT Read(std::u16string_view name, Variant* value) = 0;
    // Stores value under name, replacing a value of the same name.
    virtual HRESULT Write(std::u16string_view name, const Variant& value) = 0;

protected:
    ~IPropertyBag() = default;
};

struct IPersistPropertyBag : IUnknown {
    static constexpr IID iid = makeGuid("{37D84F60-42CB-11CE-8135-00AA004BB851}");
    using Base = IUnknown;
    // A new object: every property takes its default.
    virtual HRESULT InitNew() = 0;
    // Reads the properties back from a bag a Save filled (missing ones take their defaults).
    virtual HRESULT Load(IPropertyBag* bag) = 0;
    // Writes the properties; clearDirty clears the object's modified flag.
    virtual HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) = 0;

protected:
    ~IPersistPropertyBag() = default;
};

// A property bag held in memory, values in the order they were first written.
class PropertyBag final : public Object<PropertyBag, IPropertyBag> {
public:
    HRESULT Read(std::u16string_view name, Variant* value) override {
        if (value == nullptr) {
            return E_POINTER;
        }
        for (const auto& [key, stored] : values_) {
            if (sameName(key, name)) {
                *value = stored;
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    HRESULT Write(std::u16string_view name, const Variant& value) override {
        for (auto& [key, stored] : values_) {
            if (sameName(key, name)) {
                stored = value;
                return S_OK;
            }
        }
        values_.emplace_back(std::u16string(name), value);
        return S_OK;
    }
    const std::vector<std::pair<std::u16string, Variant>>& values() const { return values_; }

private:
    static bool sameName(std::u16string_view a, std::u16string_view b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
            if (lower(a[i]) != lower(b[i])) {
                return false;
            }
        }
        return true;
    }

    std::vector<std::pair<std::u16string, Variant>> values_;
};

}  // namespace vnk::com
