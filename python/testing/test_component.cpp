// libvarnook_test_component: two classes the tests of the varnook module create by ProgID.
//
//   VarnookTest.Echo      hands values back as they came, or as the type asked for, so every
//                         conversion can be checked both ways; raises on request.
//   VarnookTest.Untyped   a counter collection without type information (GetTypeInfo fails), so
//                         its members are found by name alone.
#include <string>
#include <vector>

#include "platform/comserver.h"
#include "platform/dispatch.h"

namespace {

using namespace vnk::com;

constexpr CLSID kCLSID_Echo = makeGuid("{3F0C6F0E-2B7A-4C55-9C1E-6E0A57B1D201}");
constexpr CLSID kCLSID_Untyped = makeGuid("{3F0C6F0E-2B7A-4C55-9C1E-6E0A57B1D202}");
constexpr IID kIID_IEcho = makeGuid("{3F0C6F0E-2B7A-4C55-9C1E-6E0A57B1D203}");
constexpr IID kIID_IUntyped = makeGuid("{3F0C6F0E-2B7A-4C55-9C1E-6E0A57B1D204}");
constexpr GUID kLIBID = makeGuid("{3F0C6F0E-2B7A-4C55-9C1E-6E0A57B1D205}");

class Echo final : public Dispatchable<Echo, IDispatch> {
public:
    static const InterfaceDef<Echo>& dispatchInfo() {
        static const auto def = [] {
            InterfaceDef<Echo> d(kIID_IEcho, u"IEcho", u"Hands values back");
            d.readOnlyRaises = true;
            d.method<&Echo::EchoValue>(1, u"Echo", {u"Value"}, u"Value as it came");
            d.method<&Echo::TypeOf>(2, u"TypeOf", {u"Value"}, u"The variant type of Value");
            d.method<&Echo::As>(3, u"As", {u"Value", u"Type"}, u"Value converted to Type");
            d.method<&Echo::Bytes>(4, u"Bytes", {u"Text", u"LowerBound"},
                                   u"The bytes of Text as an array of VT_UI1");
            d.method<&Echo::Swap>(5, u"Swap", {u"A", u"B"}, u"Exchanges A and B");
            d.method<&Echo::Fail>(6, u"Fail", {u"Code", u"Description"},
                                  u"Raises Code with Description");
            d.method<&Echo::Nothing>(7, u"Nothing", {}, u"Answers an empty variant");
            d.propget<&Echo::get_Stored>(8, u"Stored", {}, u"A value kept by the object");
            d.propput<&Echo::put_Stored>(8, u"Stored", {u"Stored"});
            d.propget<&Echo::get_Stored>(9, u"Secret", {}, u"Hidden", FUNCFLAG_FHIDDEN);
            d.propget<&Echo::get_References>(10, u"References", {},
                                             u"How many references the object has");
            return d;
        }();
        return def;
    }
    HRESULT EchoValue(Variant value, Variant* result) {
        *result = value;
        return S_OK;
    }
    HRESULT TypeOf(Variant value, std::int32_t* type) {
        *type = value.vt();
        return S_OK;
    }
    HRESULT As(Variant value, std::int32_t type, Variant* result) {
        return VariantChangeType(*result, value, static_cast<VARTYPE>(type));
    }
    HRESULT Bytes(std::u16string text, std::int32_t lowerBound, Variant* result) {
        std::vector<Variant> items;
        for (char16_t c : text) {
            items.emplace_back(static_cast<std::uint8_t>(c));
        }
        *result = Variant::array(std::move(items), lowerBound);
        return S_OK;
    }
    HRESULT Swap(Variant* a, Variant* b) {
        std::swap(*a, *b);
        return S_OK;
    }
    HRESULT Fail(std::int32_t code, std::u16string description) {
        return raise(code, std::move(description), 5, u"VarnookTest.Echo");
    }
    HRESULT Nothing(Variant* result) {
        *result = Variant();
        return S_OK;
    }
    HRESULT get_Stored(Variant* v) {
        *v = stored_;
        return S_OK;
    }
    HRESULT put_Stored(Variant v) {
        stored_ = std::move(v);
        return S_OK;
    }
    HRESULT get_References(std::int32_t* n) {
        *n = static_cast<std::int32_t>(refCount());
        return S_OK;
    }

private:
    Variant stored_;
};

// The members are described for Invoke, but the object gives no type information away.
class Untyped final : public Object<Untyped, IDispatch> {
public:
    static const InterfaceDef<Untyped>& dispatchInfo() {
        static const auto def = [] {
            InterfaceDef<Untyped> d(kIID_IUntyped, u"IUntyped");
            d.propget<&Untyped::get_Count>(1, u"Count");
            d.propput<&Untyped::put_Count>(1, u"Count", {u"Count"});
            d.method<&Untyped::Item>(2, u"Item", {u"Index"});
            d.method<&Untyped::Item>(DISPID_VALUE, u"Item", {u"Index"});
            d.method<&Untyped::Reset>(3, u"Reset");
            d.method<&Untyped::NewEnum>(DISPID_NEWENUM, u"_NewEnum", {});
            return d;
        }();
        return def;
    }
    HRESULT GetTypeInfoCount(unsigned* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(unsigned, const InterfaceInfo** info) override {
        *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(const std::u16string_view* names, unsigned count, DISPID* ids) override {
        return idsOfNames(dispatchInfo(), names, count, ids);
    }
    HRESULT Invoke(DISPID id, WORD flags, DispParams& params, Variant* result, ExcepInfo* excep,
                   unsigned* argErr) override {
        return invokeMember(dispatchInfo(), this, id, flags, params, result, excep, argErr);
    }

    HRESULT get_Count(std::int32_t* n) {
        *n = count_;
        return S_OK;
    }
    HRESULT put_Count(std::int32_t n) {
        count_ = n;
        return S_OK;
    }
    HRESULT Item(std::int32_t index, std::int32_t* value) {
        if (index < 0 || index >= count_) {
            return raise(DISP_E_BADINDEX, u"No such item");
        }
        *value = index * 10;
        return S_OK;
    }
    HRESULT Reset() {
        count_ = 0;
        return S_OK;
    }
    HRESULT NewEnum(ComPtr<IUnknown>* e) {
        std::vector<Variant> items;
        for (std::int32_t i = 0; i < count_; ++i) {
            items.emplace_back(i * 10);
        }
        *e = EnumVariant::create(std::move(items));
        return S_OK;
    }

private:
    std::int32_t count_ = 3;
};

const TypeLibInfo& typeLib() {
    static const TypeLibInfo lib = [] {
        TypeLibInfo t;
        t.libid = kLIBID;
        t.name = u"VarnookTest";
        t.help = u"Classes for the tests of the varnook module";
        t.interfaces = {&Echo::dispatchInfo()};
        t.coclasses = {CoClassInfo{kCLSID_Echo,
                                   u"Echo",
                                   u"Hands values back",
                                   TYPEFLAG_FCANCREATE,
                                   {{&Echo::dispatchInfo(), IMPLTYPEFLAG_FDEFAULT}}}};
        return t;
    }();
    return lib;
}

const ServerInfo& server() {
    static const ServerInfo info = [] {
        ServerInfo s;
        s.typeLib = &typeLib();
        ClassInfo echo;
        echo.clsid = kCLSID_Echo;
        echo.description = u"VarnookTest.Echo";
        echo.progId = u"VarnookTest.Echo.1";
        echo.versionIndependentProgId = u"VarnookTest.Echo";
        echo.create = &createInstanceOf<Echo>;
        s.classes.push_back(echo);
        ClassInfo untyped;
        untyped.clsid = kCLSID_Untyped;
        untyped.description = u"VarnookTest.Untyped";
        untyped.progId = u"VarnookTest.Untyped.1";
        untyped.create = &createInstanceOf<Untyped>;
        s.classes.push_back(untyped);
        return s;
    }();
    return info;
}

}  // namespace

VNK_COM_SERVER(server)
