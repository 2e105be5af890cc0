// Driving the volume control as a script host does: members by name through IDispatch, failures
// read from the exception the object raised.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dispatch.h"
#include "platform/text.h"

namespace volmarra::testing {

using vnk::com::ComPtr;
using vnk::com::ExcepInfo;
using vnk::com::IDispatch;
using vnk::com::Variant;

// What one call gave: the result, or the code and text of what was raised.
struct Outcome {
    vnk::win::HRESULT hr = vnk::win::S_OK;
    ExcepInfo excep;
    Variant result;

    bool ok() const { return hr == vnk::win::S_OK; }
    // The code a script sees: the raised code, else the HRESULT.
    std::int64_t code() const {
        return hr == vnk::win::DISP_E_EXCEPTION ? std::int64_t{excep.scode} : std::int64_t{hr};
    }
    std::string text() const { return vnk::text::utf16ToUtf8(excep.description); }
};

inline std::string utf8(std::u16string_view s) {
    return vnk::text::utf16ToUtf8(s);
}

// A property read or method call (as scripts make them).
inline Outcome tryCall(IDispatch* obj, std::u16string_view name, std::vector<Variant> args = {}) {
    Outcome o;
    o.hr = vnk::com::call(obj, name, std::move(args), &o.result, &o.excep);
    return o;
}
inline Outcome tryCall(const ComPtr<IDispatch>& obj, std::u16string_view name,
                       std::vector<Variant> args = {}) {
    return tryCall(obj.get(), name, std::move(args));
}
inline Outcome tryPut(const ComPtr<IDispatch>& obj, std::u16string_view name, Variant value) {
    Outcome o;
    o.hr = vnk::com::putProperty(obj.get(), name, std::move(value), &o.excep);
    return o;
}

// A read or call that must succeed; its result.
inline Variant get(const ComPtr<IDispatch>& obj, std::u16string_view name,
                   std::vector<Variant> args = {}) {
    Outcome o = tryCall(obj, name, std::move(args));
    EXPECT_TRUE(o.ok()) << utf8(name) << " failed: 0x" << std::hex << o.code() << " " << o.text();
    return o.result;
}
inline void put(const ComPtr<IDispatch>& obj, std::u16string_view name, Variant value) {
    const Outcome o = tryPut(obj, name, std::move(value));
    EXPECT_TRUE(o.ok()) << utf8(name) << " := failed: 0x" << std::hex << o.code() << " "
                        << o.text();
}

inline ComPtr<IDispatch> object(const Variant& v) {
    return ComPtr<IDispatch>(v.deref().dispatch());
}
inline ComPtr<IDispatch> getObject(const ComPtr<IDispatch>& obj, std::u16string_view name,
                                   std::vector<Variant> args = {}) {
    return object(get(obj, name, std::move(args)));
}
inline std::u16string getText(const ComPtr<IDispatch>& obj, std::u16string_view name) {
    return get(obj, name).asString().value_or(u"<not text>");
}
inline std::int64_t getInt(const ComPtr<IDispatch>& obj, std::u16string_view name,
                           std::vector<Variant> args = {}) {
    return get(obj, name, std::move(args)).deref().intVal();
}
inline bool getBool(const ComPtr<IDispatch>& obj, std::u16string_view name,
                    std::vector<Variant> args = {}) {
    return get(obj, name, std::move(args)).asBool().value_or(false);
}

// The short names of a collection's items, walked with For Each.
inline std::vector<std::u16string> names(const ComPtr<IDispatch>& collection) {
    std::vector<std::u16string> out;
    vnk::com::forEach(collection.get(), [&](const Variant& item) {
        out.push_back(getText(object(item), u"ShortName"));
        return true;
    });
    return out;
}

}  // namespace volmarra::testing
