// The component runtime, part 3: late-bound calls, type information, errors, enumerators.
//
// Implementing a dispatch class
//   1. Declare the class with its members as methods returning HRESULT. A parameter `T` or
//      `const T&` is passed by value, `T*` by reference (in and out), OutOnly<T> by reference
//      but out only; a last `T*` may be the return value. T is one of bool, std::int8_t,
//      std::uint8_t, std::int16_t, std::uint16_t, std::int32_t, std::uint32_t, std::int64_t, float,
//      double, Date, std::u16string, Variant, ComPtr<IDispatch>, ComPtr<IUnknown>; std::optional<T>
//      is an optional parameter. A Variant parameter is always optional: left out, it arrives as
//      Variant::missing().
//   2. Describe it once with an InterfaceDef<Class> and derive from Dispatchable:
//
//        class Counter final : public com::Dispatchable<Counter, IDispatch> {
//        public:
//            static const com::InterfaceDef<Counter>& dispatchInfo() {
//                static const auto def = [] {
//                    com::InterfaceDef<Counter> d(kIID_ICounter, u"ICounter", u"A counter");
//                    d.propget<&Counter::get_Value>(1, u"Value", {}, u"The count");
//                    d.propput<&Counter::put_Value>(1, u"Value", {u"v"});
//                    d.method<&Counter::Add>(2, u"Add", {u"By"}, u"Adds By; returns the sum");
//                    return d;
//                }();
//                return def;
//            }
//            HRESULT get_Value(std::int32_t* v) { *v = n_; return S_OK; }
//            HRESULT put_Value(std::int32_t v) { n_ = v; return S_OK; }
//            HRESULT Add(std::int32_t by, std::int32_t* sum) { *sum = n_ += by; return S_OK; }
//        };
//
//      method<>() takes the return value from the last pointer parameter when the names list
//      is one shorter than the parameter list. A dual interface declares the same methods as
//      pure virtual functions of an interface struct derived from IDispatch (in the order of its
//      vtable) and the class lists that interface instead of IDispatch.
//   3. Errors: a member returns a failure HRESULT. To raise an automation exception with a code,
//      a description and a help context, `return com::raise(code, u"text", helpContext);`. The
//      caller of Invoke then gets DISP_E_EXCEPTION with ExcepInfo filled in. A C++ exception
//      escaping a member becomes E_OUTOFMEMORY / E_UNEXPECTED; it never crosses Invoke.
//
// Calling by name as a script host does
//   Variant r; ExcepInfo ei;
//   HRESULT hr = com::callByName(obj, u"ReadStringValue", DISPATCH_METHOD,
//                                {Variant::byRef(hive), Variant::byRef(loc), ...}, &r, &ei);
//   com::getProperty(obj, u"Count", &r, &ei); com::putProperty(obj, u"Name", Variant(u"x"), &ei);
//   com::forEach(collection, [](const Variant& item) { ...; return true; });
#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/com.h"
#include "platform/variant.h"

namespace vnk::com {

struct DispParams {
    std::span<Variant> args;        // in call order
    std::span<const DISPID> named;  // only DISPID_PROPERTYPUT is understood
};

// What an object raised. helpContext is kept as given (-1 is common).
struct ExcepInfo {
    WORD wCode = 0;
    std::u16string source;
    std::u16string description;
    std::u16string helpFile;
    std::int32_t helpContext = 0;
    SCODE scode = 0;
};

// The error information of this thread (what IErrorInfo carries on Windows).
VNK_EXPORT void SetErrorInfo(const ExcepInfo* info);  // null clears
// S_OK and the information (which is then cleared), or S_FALSE when there is none.
VNK_EXPORT HRESULT GetErrorInfo(ExcepInfo* info);
// Sets the error information and returns `scode` as a failure: a member's `return raise(...)`.
// A code without the failure bit (such as 0xCE01) is kept as it is in ExcepInfo::scode; the
// HRESULT returned is then CUSTOM_CTL_SCODE of its low 16 bits, so that it reads as a failure.
VNK_EXPORT HRESULT raise(SCODE scode, std::u16string description, std::int32_t helpContext = 0,
                         std::u16string source = {});

// ---- Type information ---------------------------------------------------------------------------
enum class InvokeKind : WORD { Method = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

inline constexpr WORD PARAMFLAG_FIN = 0x1;
inline constexpr WORD PARAMFLAG_FOUT = 0x2;
inline constexpr WORD PARAMFLAG_FRETVAL = 0x8;
inline constexpr WORD PARAMFLAG_FOPT = 0x10;

inline constexpr WORD FUNCFLAG_FRESTRICTED = 0x1;
inline constexpr WORD FUNCFLAG_FHIDDEN = 0x40;
inline constexpr WORD FUNCFLAG_FDEFAULTBIND = 0x20;

inline constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
inline constexpr WORD TYPEFLAG_FCONTROL = 0x20;
inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FNONEXTENSIBLE = 0x80;
inline constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

struct ParamInfo {
    std::u16string name;
    VARTYPE vt = VT_VARIANT;  // with VT_BYREF for a by-reference parameter
    WORD flags = PARAMFLAG_FIN;
};

using Thunk = HRESULT (*)(void* self, DispParams& params, Variant* result, unsigned* argErr);

struct MemberInfo {
    DISPID id = 0;
    InvokeKind kind = InvokeKind::Method;
    std::u16string name;
    std::u16string help;
    WORD flags = 0;                 // FUNCFLAG_...
    VARTYPE resultType = VT_EMPTY;  // VT_EMPTY: none
    std::vector<ParamInfo> params;  // without the return value
    Thunk invoke = nullptr;
};

struct InterfaceInfo {
    IID iid;
    std::u16string name;
    std::u16string help;
    WORD flags = TYPEFLAG_FDISPATCHABLE;
    std::vector<MemberInfo> members;
    // Writing a property that has only a get raises CTL_E_SETNOTSUPPORTED ("Set not supported
    // (read-only property)") when true, answers DISP_E_MEMBERNOTFOUND when false.
    bool readOnlyRaises = false;

    // First member with this name (case-insensitive); DISPID_UNKNOWN when none.
    VNK_EXPORT DISPID idOfName(std::u16string_view name) const;
};

struct EnumInfo {
    std::u16string name;
    std::u16string help;
    std::vector<std::pair<std::u16string, std::int32_t>> values;
};

inline constexpr WORD IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr WORD IMPLTYPEFLAG_FSOURCE = 0x2;

struct CoClassInfo {
    CLSID clsid;
    std::u16string name;
    std::u16string help;
    WORD flags = TYPEFLAG_FCANCREATE;
    std::vector<std::pair<const InterfaceInfo*, WORD>> interfaces;  // IMPLTYPEFLAG_...
};

struct TypeLibInfo {
    GUID libid;
    std::u16string name;
    std::u16string help;
    WORD major = 1;
    WORD minor = 0;
    std::vector<std::u16string> imports;  // e.g. u"stdole2.tlb"
    std::vector<const InterfaceInfo*> interfaces;
    std::vector<CoClassInfo> coclasses;
    std::vector<EnumInfo> enums;
};

// The type library a component library carries (its exported DllGetTypeLib), loaded from a file
// or found through the registry (TypeLib\{libid}\major.minor\0\linux). The result stays valid
// for the life of the process.
VNK_EXPORT HRESULT LoadTypeLib(const std::string& path, const TypeLibInfo** out);
VNK_EXPORT HRESULT LoadRegTypeLib(const GUID& libid, WORD major, WORD minor,
                                  const TypeLibInfo** out);
// A readable listing of a type library: every type and member with its identifier, flags,
// parameters and help string.
VNK_EXPORT std::string describeTypeLib(const TypeLibInfo& lib);
VNK_EXPORT std::string vartypeName(VARTYPE vt);

// A by-reference parameter the member only writes: the value the caller's variable holds does
// not come in (a large array is not copied for nothing), the member starts from an empty one and
// what it leaves goes back out. Type information shows it as any by-reference parameter.
template <class T>
struct OutOnly {
    T* value;
    T& operator*() const { return *value; }
    T* operator->() const { return value; }
};

// ---- Binding C++ members to dispatch members ---------------------------------------------------
namespace detail {

template <class T>
struct ArgType;
template <class T, VARTYPE V>
struct SimpleArg {
    static constexpr VARTYPE vt = V;
    static HRESULT from(const Variant& v, T& out) {
        Variant c;
        const HRESULT hr = VariantChangeType(c, v, V);
        if (FAILED(hr)) {
            return hr;
        }
        if constexpr (std::is_same_v<T, bool>) {
            out = c.boolVal();
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
            out = static_cast<T>(c.realVal());
        } else if constexpr (std::is_same_v<T, Date>) {
            out = Date{c.realVal()};
        } else if constexpr (std::is_same_v<T, std::u16string>) {
            out = c.bstr();
        } else {
            out = static_cast<T>(c.intVal());
        }
        return S_OK;
    }
    static Variant to(const T& v) { return Variant(v); }
};
template <>
struct ArgType<bool> : SimpleArg<bool, VT_BOOL> {};
template <>
struct ArgType<std::int8_t> : SimpleArg<std::int8_t, VT_I1> {};
template <>
struct ArgType<std::uint8_t> : SimpleArg<std::uint8_t, VT_UI1> {};
template <>
struct ArgType<std::int16_t> : SimpleArg<std::int16_t, VT_I2> {};
template <>
struct ArgType<std::uint16_t> : SimpleArg<std::uint16_t, VT_UI2> {};
template <>
struct ArgType<std::int32_t> : SimpleArg<std::int32_t, VT_I4> {};
template <>
struct ArgType<std::uint32_t> : SimpleArg<std::uint32_t, VT_UI4> {};
template <>
struct ArgType<std::int64_t> : SimpleArg<std::int64_t, VT_I8> {};
template <>
struct ArgType<float> : SimpleArg<float, VT_R4> {};
template <>
struct ArgType<double> : SimpleArg<double, VT_R8> {};
template <>
struct ArgType<Date> : SimpleArg<Date, VT_DATE> {};
template <>
struct ArgType<std::u16string> : SimpleArg<std::u16string, VT_BSTR> {};
template <>
struct ArgType<Variant> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static HRESULT from(const Variant& v, Variant& out) {
        out = v.deref();
        return S_OK;
    }
    static Variant to(const Variant& v) { return v; }
};
template <class I>
struct ArgType<ComPtr<I>> {
    static constexpr VARTYPE vt = std::is_same_v<I, IUnknown> ? VT_UNKNOWN : VT_DISPATCH;
    static HRESULT from(const Variant& v, ComPtr<I>& out) {
        const Variant& d = v.deref();
        out.reset();
        if (d.isEmpty() || d.isNull() || (d.isObject() && d.unknownVal() == nullptr)) {
            return S_OK;  // Nothing
        }
        if (!d.isObject()) {
            return DISP_E_TYPEMISMATCH;
        }
        return SUCCEEDED(d.unknownVal()->QueryInterface(I::iid, out.putVoid()))
                   ? S_OK
                   : DISP_E_TYPEMISMATCH;
    }
    static Variant to(const ComPtr<I>& v) {
        if constexpr (std::is_same_v<I, IUnknown>) {
            return Variant::unknown(v.get());
        } else {
            return Variant(static_cast<IDispatch*>(v.get()));
        }
    }
};

// How one C++ parameter travels.
template <class P>
struct Param {  // by value
    using T = std::remove_cvref_t<P>;
    using Storage = T;
    static constexpr bool byRef = false;
    static constexpr bool optional = std::is_same_v<T, Variant>;
    static constexpr VARTYPE vt = ArgType<T>::vt;
    static HRESULT in(const Variant& v, Storage& s) { return ArgType<T>::from(v, s); }
    static void missing(Storage& s) {
        if constexpr (std::is_same_v<T, Variant>) {
            s = Variant::missing();
        }
    }
    static P pass(Storage& s) { return s; }
};
template <class T>
struct Param<std::optional<T>> {
    using Storage = std::optional<T>;
    static constexpr bool byRef = false;
    static constexpr bool optional = true;
    static constexpr VARTYPE vt = ArgType<T>::vt;
    static HRESULT in(const Variant& v, Storage& s) {
        if (v.deref().isMissing()) {
            s.reset();
            return S_OK;
        }
        s.emplace();
        return ArgType<T>::from(v, *s);
    }
    static void missing(Storage& s) { s.reset(); }
    static std::optional<T> pass(Storage& s) { return s; }
};

template <class T>
struct Param<T*> {  // by reference: copied in, called, copied back out
    using Storage = T;
    static constexpr bool byRef = true;
    static constexpr bool optional = false;
    static constexpr VARTYPE vt = static_cast<VARTYPE>(ArgType<T>::vt | VT_BYREF);
    static HRESULT in(const Variant& v, Storage& s) { return ArgType<T>::from(v, s); }
    static void missing(Storage&) {}
    static T* pass(Storage& s) { return &s; }
    // The value moves out: a large array is not copied on its way back to the caller.
    static HRESULT out(Variant& arg, Storage& s) {
        if (!arg.isByRef()) {
            return S_OK;
        }
        if constexpr (std::is_same_v<T, Variant>) {
            return storeByRef(arg, std::move(s));
        } else {
            return storeByRef(arg, ArgType<T>::to(s));
        }
    }
};
template <class T>
struct Param<OutOnly<T>> : Param<T*> {
    static HRESULT in(const Variant&, T&) { return S_OK; }
    static OutOnly<T> pass(T& s) { return {&s}; }
};

template <class M>
struct Signature;
template <class C, class... A>
struct Signature<HRESULT (C::*)(A...)> {
    using Class = C;
    using Args = std::tuple<A...>;
    static constexpr std::size_t arity = sizeof...(A);
};

VNK_EXPORT HRESULT thunkFailure(HRESULT hr);
VNK_EXPORT void clearErrorInfo();

// `self` is a C*; M is a member of C or of one of its bases.
template <class C, auto M, bool Retval>
HRESULT invokeThunk(void* self, DispParams& params, Variant* result, unsigned* argErr) {
    using Sig = Signature<decltype(M)>;
    using Args = typename Sig::Args;
    constexpr std::size_t nArgs = Sig::arity - (Retval ? 1 : 0);
    try {
        return [&]<std::size_t... I>(std::index_sequence<I...>)->HRESULT {
            std::tuple<typename Param<std::tuple_element_t<I, Args>>::Storage...> storage;
            if (params.args.size() > nArgs) {
                return DISP_E_BADPARAMCOUNT;
            }
            HRESULT hr = S_OK;
            unsigned bad = 0;
            auto load = [&]<std::size_t K>() {
                if constexpr (K < nArgs) {
                    using P = Param<std::tuple_element_t<K, Args>>;
                    if (FAILED(hr)) {
                        return;
                    }
                    if (K < params.args.size() &&
                        !(P::optional && params.args[K].deref().isMissing())) {
                        hr = P::in(params.args[K], std::get<K>(storage));
                    } else if (P::optional) {
                        P::missing(std::get<K>(storage));
                    } else {
                        hr =
                            K < params.args.size() ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
                    }
                    if (FAILED(hr)) {
                        bad = static_cast<unsigned>(K);
                    }
                }
            };
            (void)load;  // unused when the member takes no parameters
            (load.template operator()<I>(), ...);
            if (FAILED(hr)) {
                if (argErr != nullptr) {
                    *argErr = bad;
                }
                return hr;
            }
            clearErrorInfo();
            C* obj = static_cast<C*>(self);
            hr = (obj->*M)(Param<std::tuple_element_t<I, Args>>::pass(std::get<I>(storage))...);
            if (FAILED(hr)) {
                return thunkFailure(hr);
            }
            auto store = [&]<std::size_t K>() {
                using P = Param<std::tuple_element_t<K, Args>>;
                if constexpr (K < nArgs && P::byRef) {
                    if (K < params.args.size()) {
                        const HRESULT h = P::out(params.args[K], std::get<K>(storage));
                        if (FAILED(h) && SUCCEEDED(hr)) {
                            hr = h;
                            bad = static_cast<unsigned>(K);
                        }
                    }
                } else if constexpr (K == nArgs && Retval) {
                    if (result != nullptr) {
                        *result = ArgType<std::remove_pointer_t<std::tuple_element_t<K, Args>>>::to(
                            std::get<K>(storage));
                    }
                }
            };
            (void)store;
            (store.template operator()<I>(), ...);
            if (FAILED(hr) && argErr != nullptr) {
                *argErr = bad;
            }
            return hr;
        }
        (std::make_index_sequence<Sig::arity>{});
    } catch (const std::bad_alloc&) {
        return thunkFailure(E_OUTOFMEMORY);
    } catch (...) {
        return thunkFailure(E_UNEXPECTED);
    }
}

template <auto M>
std::vector<ParamInfo> paramInfos(std::initializer_list<std::u16string> names, bool retval) {
    using Sig = Signature<decltype(M)>;
    using Args = typename Sig::Args;
    std::vector<ParamInfo> out;
    auto names_it = names.begin();
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        auto one = [&]<std::size_t K>() {
            if (retval && K + 1 == Sig::arity) {
                return;
            }
            using P = Param<std::tuple_element_t<K, Args>>;
            ParamInfo p;
            p.name = names_it != names.end() ? *names_it++ : std::u16string();
            p.vt = P::vt;
            p.flags = static_cast<WORD>(PARAMFLAG_FIN | (P::byRef ? PARAMFLAG_FOUT : 0) |
                                        (P::optional ? PARAMFLAG_FOPT : 0));
            out.push_back(std::move(p));
        };
        (void)one;
        (one.template operator()<I>(), ...);
    }
    (std::make_index_sequence<Sig::arity>{});
    return out;
}

template <auto M>
constexpr VARTYPE retvalType() {
    using Sig = Signature<decltype(M)>;
    using Last = std::tuple_element_t<Sig::arity - 1, typename Sig::Args>;
    static_assert(std::is_pointer_v<Last>, "the return value is the last pointer parameter");
    return ArgType<std::remove_pointer_t<Last>>::vt;
}

}  // namespace detail

// The dispatch description of the class C (see the top of this file).
template <class C>
struct InterfaceDef : InterfaceInfo {
    InterfaceDef(const IID& id, std::u16string ifaceName, std::u16string helpText = {},
                 WORD typeFlags = TYPEFLAG_FDISPATCHABLE) {
        iid = id;
        name = std::move(ifaceName);
        help = std::move(helpText);
        flags = typeFlags;
    }

    // A method; its result is the last pointer parameter when `params` names one parameter
    // fewer than it has.
    template <auto M>
    InterfaceDef& method(DISPID id, std::u16string memberName,
                         std::initializer_list<std::u16string> params = {},
                         std::u16string helpText = {}, WORD memberFlags = 0) {
        using Sig = detail::Signature<decltype(M)>;
        const bool retval = Sig::arity > 0 && params.size() + 1 == Sig::arity;
        if (!retval && params.size() != Sig::arity && params.size() != 0) {
            throw std::logic_error("parameter names do not match the member's parameters");
        }
        MemberInfo m;
        m.id = id;
        m.kind = InvokeKind::Method;
        m.name = std::move(memberName);
        m.help = std::move(helpText);
        m.flags = memberFlags;
        if (retval) {
            // Only a member whose last parameter is a pointer can return a value; a method
            // such as Seek(std::int32_t) with one name per parameter has none.
            if constexpr (Sig::arity > 0) {
                if constexpr (std::is_pointer_v<
                                  std::tuple_element_t<Sig::arity - 1, typename Sig::Args>>) {
                    m.resultType = detail::retvalType<M>();
                    m.invoke = &detail::invokeThunk<C, M, true>;
                }
            }
        } else {
            m.invoke = &detail::invokeThunk<C, M, false>;
        }
        m.params = detail::paramInfos<M>(params, retval);
        members.push_back(std::move(m));
        return *this;
    }
    // A property read: the last parameter is the value; others are indices.
    template <auto M>
    InterfaceDef& propget(DISPID id, std::u16string memberName,
                          std::initializer_list<std::u16string> indices = {},
                          std::u16string helpText = {}, WORD memberFlags = 0) {
        MemberInfo m;
        m.id = id;
        m.kind = InvokeKind::PropertyGet;
        m.name = std::move(memberName);
        m.help = std::move(helpText);
        m.flags = memberFlags;
        m.resultType = detail::retvalType<M>();
        m.invoke = &detail::invokeThunk<C, M, true>;
        m.params = detail::paramInfos<M>(indices, true);
        members.push_back(std::move(m));
        return *this;
    }
    // A property write: the last parameter is the new value; others are indices. Without a help
    // string of its own it shares the one of the property's read defined before it.
    template <auto M>
    InterfaceDef& propput(DISPID id, std::u16string memberName,
                          std::initializer_list<std::u16string> params = {},
                          std::u16string helpText = {}, WORD memberFlags = 0,
                          InvokeKind kind = InvokeKind::PropertyPut) {
        MemberInfo m;
        m.id = id;
        m.kind = kind;
        m.name = std::move(memberName);
        m.help = std::move(helpText);
        for (const MemberInfo& read : members) {
            if (m.help.empty() && read.id == id && read.kind == InvokeKind::PropertyGet) {
                m.help = read.help;
            }
        }
        m.flags = memberFlags;
        m.invoke = &detail::invokeThunk<C, M, false>;
        m.params = detail::paramInfos<M>(params, false);
        members.push_back(std::move(m));
        return *this;
    }
    template <auto M>
    InterfaceDef& propputref(DISPID id, std::u16string memberName,
                             std::initializer_list<std::u16string> params = {},
                             std::u16string helpText = {}, WORD memberFlags = 0) {
        return propput<M>(id, std::move(memberName), params, std::move(helpText), memberFlags,
                          InvokeKind::PropertyPutRef);
    }
};

// The shared Invoke: picks the member for `id` and `flags` and calls it on `self`.
VNK_EXPORT HRESULT invokeMember(const InterfaceInfo& info, void* self, DISPID id, WORD flags,
                                DispParams& params, Variant* result, ExcepInfo* excep,
                                unsigned* argErr);
VNK_EXPORT HRESULT idsOfNames(const InterfaceInfo& info, const std::u16string_view* names,
                              unsigned count, DISPID* ids);

// An object with IDispatch implemented from Derived::dispatchInfo() (an InterfaceDef<Derived>).
template <class Derived, class... Interfaces>
class Dispatchable : public Object<Derived, Interfaces...> {
public:
    HRESULT GetTypeInfoCount(unsigned* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(unsigned index, const InterfaceInfo** info) override {
        if (info == nullptr) {
            return E_POINTER;
        }
        *info = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        *info = &Derived::dispatchInfo();
        return S_OK;
    }
    HRESULT GetIDsOfNames(const std::u16string_view* names, unsigned count, DISPID* ids) override {
        return idsOfNames(Derived::dispatchInfo(), names, count, ids);
    }
    HRESULT Invoke(DISPID id, WORD flags, DispParams& params, Variant* result, ExcepInfo* excep,
                   unsigned* argErr) override {
        const InterfaceDef<Derived>& info = Derived::dispatchInfo();
        return invokeMember(info, static_cast<Derived*>(this), id, flags, params, result, excep,
                            argErr);
    }
};

// ---- The variant enumerator
// ---------------------------------------------------------------------- Enumerates a snapshot of
// items; clones share the items and keep their own position.
class EnumVariant final : public Object<EnumVariant, IEnumVARIANT> {
public:
    explicit EnumVariant(std::shared_ptr<const std::vector<Variant>> items, std::size_t pos = 0)
        : items_(std::move(items)), pos_(pos) {}
    static ComPtr<IEnumVARIANT> create(std::vector<Variant> items) {
        return ComPtr<IEnumVARIANT>(
            new EnumVariant(std::make_shared<const std::vector<Variant>>(std::move(items))));
    }
    HRESULT Next(ULONG count, Variant* out, ULONG* fetched) override {
        if (out == nullptr && count > 0) {
            return E_POINTER;
        }
        ULONG n = 0;
        while (n < count && pos_ < items_->size()) {
            out[n++] = (*items_)[pos_++];
        }
        if (fetched != nullptr) {
            *fetched = n;
        }
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_->size() - pos_;
        pos_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumVARIANT** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        auto* c = new (std::nothrow) EnumVariant(items_, pos_);
        if (c == nullptr) {
            *out = nullptr;
            return E_OUTOFMEMORY;
        }
        c->AddRef();
        *out = c;
        return S_OK;
    }

private:
    std::shared_ptr<const std::vector<Variant>> items_;
    std::size_t pos_;
};

// ---- Calling as a script host
// --------------------------------------------------------------------- Looks `name` up with
// GetIDsOfNames and invokes it. DISP_E_UNKNOWNNAME when there is no such member. On
// DISP_E_EXCEPTION *excep tells what the object raised.
VNK_EXPORT HRESULT callByName(IDispatch* obj, std::u16string_view name, WORD flags,
                              std::vector<Variant> args, Variant* result,
                              ExcepInfo* excep = nullptr, unsigned* argErr = nullptr);
// A method call or property read (flags METHOD | PROPERTYGET, as scripts make them).
VNK_EXPORT HRESULT call(IDispatch* obj, std::u16string_view name, std::vector<Variant> args,
                        Variant* result, ExcepInfo* excep = nullptr);
VNK_EXPORT HRESULT getProperty(IDispatch* obj, std::u16string_view name, Variant* result,
                               ExcepInfo* excep = nullptr);
VNK_EXPORT HRESULT putProperty(IDispatch* obj, std::u16string_view name, Variant value,
                               ExcepInfo* excep = nullptr);
// For Each: gets _NewEnum (DISPID_NEWENUM) and calls `fn` per item until it returns false.
VNK_EXPORT HRESULT forEach(IDispatch* collection, const std::function<bool(const Variant&)>& fn,
                           ExcepInfo* excep = nullptr);
// VB's CreateObject: a ProgID or "{clsid}" to a new object's IDispatch.
VNK_EXPORT HRESULT CreateObject(std::u16string_view progIdOrClsid, ComPtr<IDispatch>& out);

}  // namespace vnk::com
