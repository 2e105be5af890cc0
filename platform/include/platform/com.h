// The component runtime, part 1: identifiers, interfaces, reference counting, objects, creation.
//
// Namespace vnk::com. Read together with variant.h (automation values), dispatch.h (late-bound
// calls, type information, enumerators) and comserver.h (writing a component server library).
// platform/README.md walks through implementing, registering, creating and calling a class.
//
// Conventions (as in COM):
//   - Every interface derives from IUnknown and names its identifier as `static constexpr IID
//     iid`. Methods return an HRESULT; results come back through out-pointers.
//   - Reference counting: whoever receives an interface pointer owns one reference and gives it
//     back with Release(). ComPtr<T> does that automatically; prefer it everywhere.
//   - An object is implemented by deriving from Object<Derived, Interface...> (reference counting
//     and QueryInterface done) or Dispatchable<...> (dispatch.h, adds IDispatch).
//   - Classes are created by CLSID or ProgID through the registry: CoCreateInstance looks up
//     HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads that shared library with dlopen and
//     asks its DllGetClassObject for a class factory. Loaded libraries stay loaded until the
//     process ends.
//   - The runtime needs no initialisation call; CoInitialize exists for code that expects it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/win32.h"

namespace vnk::com {

using win::DWORD;
using win::HRESULT;
using win::ULONG;
using win::WORD;
using namespace vnk::win;  // the HRESULT constants (S_OK, E_NOINTERFACE, ...)

// ---- GUIDs
// ----------------------------------------------------------------------------------------
struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, any case).
    static constexpr std::optional<GUID> parse(std::string_view s) {
        if (s.size() == 38 && s.front() == '{' && s.back() == '}') {
            s = s.substr(1, 36);
        }
        if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') {
            return std::nullopt;
        }
        std::array<std::uint8_t, 16> b{};
        std::size_t n = 0;
        for (std::size_t i = 0; i < 36;) {
            if (s[i] == '-') {
                ++i;
                continue;
            }
            const int hi = hex(s[i]);
            const int lo = hex(s[i + 1]);
            if (hi < 0 || lo < 0) {
                return std::nullopt;
            }
            b[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
            i += 2;
        }
        GUID g;
        g.Data1 = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                  (std::uint32_t{b[2]} << 8) | b[3];
        g.Data2 = static_cast<std::uint16_t>((b[4] << 8) | b[5]);
        g.Data3 = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
        for (std::size_t i = 0; i < 8; ++i) {
            g.Data4[i] = b[8 + i];
        }
        return g;
    }
    // "{925DCCEB-DD21-4498-9969-2F3022C15B38}": upper case with braces, as the registry keeps it.
    std::string toString() const {
        constexpr char digits[] = "0123456789ABCDEF";
        std::string out = "{";
        auto put = [&](std::uint64_t v, int bytes) {
            for (int i = bytes * 2 - 1; i >= 0; --i) {
                out += digits[(v >> (i * 4)) & 0xF];
            }
        };
        put(Data1, 4);
        out += '-';
        put(Data2, 2);
        out += '-';
        put(Data3, 2);
        out += '-';
        for (std::size_t i = 0; i < 8; ++i) {
            if (i == 2) {
                out += '-';
            }
            put(Data4[i], 1);
        }
        out += '}';
        return out;
    }
    std::u16string toWide() const {
        const std::string s = toString();
        return std::u16string(s.begin(), s.end());
    }

    friend constexpr bool operator==(const GUID&, const GUID&) = default;

private:
    static constexpr int hex(char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    }
};

// A GUID from a literal, checked while compiling: makeGuid("{...}").
consteval GUID makeGuid(std::string_view s) {
    const auto g = GUID::parse(s);
    if (!g) {
        throw "malformed GUID literal";  // not a constant expression: compilation fails
    }
    return *g;
}

using CLSID = GUID;
using IID = GUID;
inline constexpr GUID GUID_NULL{};

// ---- Interfaces --------------------------------------------------------------------------------
struct IUnknown {
    static constexpr IID iid = makeGuid("{00000000-0000-0000-C000-000000000046}");
    virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    static constexpr IID iid = makeGuid("{00000001-0000-0000-C000-000000000046}");
    using Base = IUnknown;
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

// ---- ComPtr: owns one reference
// ------------------------------------------------------------------
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to `p`.
    explicit ComPtr(T* p) : p_(p) {
        if (p_ != nullptr) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    requires std::is_convertible_v<U*, T*> ComPtr(const ComPtr<U>& o)
        : ComPtr(static_cast<T*>(o.get())) {}
    ComPtr& operator=(const ComPtr& o) {
        ComPtr(o).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).swap(*this);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Adopts a reference the caller already owns (no AddRef).
    static ComPtr adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Gives up ownership without Release.
    T* detach() { return std::exchange(p_, nullptr); }
    void reset() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }
    // For out-parameters: releases what is held and returns the slot.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    // QueryInterface for another interface.
    template <class U>
    HRESULT as(ComPtr<U>& out) const {
        if (p_ == nullptr) {
            return E_POINTER;
        }
        return p_->QueryInterface(U::iid, out.putVoid());
    }
    template <class U>
    ComPtr<U> as() const {
        ComPtr<U> out;
        as(out);
        return out;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

// ---- Module accounting (for DllCanUnloadNow)
// ---------------------------------------------------------- Each shared library that includes this
// header has its own counters: they are hidden symbols.
namespace detail {
__attribute__((visibility("hidden"))) inline std::atomic<long> g_moduleObjects{0};
__attribute__((visibility("hidden"))) inline std::atomic<long> g_moduleLocks{0};

template <class I>
constexpr bool interfaceMatches(const IID& iid) {
    if (iid == I::iid) {
        return true;
    }
    if constexpr (requires { typename I::Base; }) {
        return interfaceMatches<typename I::Base>(iid);
    } else {
        return false;
    }
}
}  // namespace detail

// S_OK when no object of this library is alive and no LockServer lock is held, else S_FALSE.
inline HRESULT moduleCanUnloadNow() {
    return detail::g_moduleObjects.load() == 0 && detail::g_moduleLocks.load() == 0 ? S_OK
                                                                                    : S_FALSE;
}
inline long moduleObjectCount() {
    return detail::g_moduleObjects.load();
}

// ---- Object: reference counting and QueryInterface for an implementation class -----------------
//
//   class Thing final : public com::Object<Thing, IThing, IOther> { ... };
//
// QueryInterface answers IUnknown, each listed interface and each interface they derive from
// (an interface names its base as `using Base = ...;`). A class may add more answers with a
// member `HRESULT queryExtra(const IID&, void**)`. Objects are created with `new` and start with a
// reference count of 0; hand them out through ComPtr (ComPtr(new Thing) takes the first
// reference) and they delete themselves when the last reference goes.
template <class Derived, class First, class... Rest>
class Object : public First, public Rest... {
public:
    Object() { ++detail::g_moduleObjects; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IUnknown::iid) {
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            findInterface<First, Rest...>(iid, out);
        }
        if (*out == nullptr) {
            if constexpr (requires(Derived & d) { d.queryExtra(iid, out); }) {
                const HRESULT hr = static_cast<Derived*>(this)->queryExtra(iid, out);
                if (hr != S_OK || *out == nullptr) {
                    *out = nullptr;
                    return E_NOINTERFACE;
                }
                return S_OK;
            }
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG n = --refs_;
        if (n == 0) {
            delete static_cast<Derived*>(this);
        }
        return n;
    }
    ULONG refCount() const { return refs_.load(); }

protected:
    ~Object() { --detail::g_moduleObjects; }

private:
    template <class I, class... More>
    void findInterface(const IID& iid, void** out) {
        if (detail::interfaceMatches<I>(iid)) {
            *out = static_cast<I*>(this);
            return;
        }
        if constexpr (sizeof...(More) > 0) {
            findInterface<More...>(iid, out);
        }
    }

    std::atomic<ULONG> refs_{0};
};

// Creates an instance of `T` (default-constructed) and asks it for `iid`.
template <class T>
HRESULT createInstanceOf(const IID& iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    T* obj = new (std::nothrow) T();
    if (obj == nullptr) {
        return E_OUTOFMEMORY;
    }
    obj->AddRef();
    const HRESULT hr = obj->QueryInterface(iid, out);
    obj->Release();
    return hr;
}

using CreateFunction = HRESULT (*)(const IID& iid, void** out);

// The ordinary class factory: CreateInstance calls `create`; aggregation is refused.
class ClassFactory final : public Object<ClassFactory, IClassFactory> {
public:
    explicit ClassFactory(CreateFunction create) : create_(create) {}
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return create_(iid, out);
    }
    HRESULT LockServer(bool lock) override {
        lock ? ++detail::g_moduleLocks : --detail::g_moduleLocks;
        return S_OK;
    }

private:
    CreateFunction create_;
};

// ---- Creation through the registry
// -------------------------------------------------------------------
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_ALL = 0x17;

// Classes are looked up in HKEY_CURRENT_USER\Software\Classes first, then in HKEY_CLASSES_ROOT.
VNK_EXPORT HRESULT CLSIDFromString(std::u16string_view text, CLSID* out);
// A ProgID's CLSID (its "CLSID" key; a version-independent ProgID's "CurVer" is followed). A
// string in braces is taken as a CLSID. CO_E_CLASSSTRING when unknown.
VNK_EXPORT HRESULT CLSIDFromProgID(std::u16string_view progId, CLSID* out);
VNK_EXPORT HRESULT ProgIDFromCLSID(const CLSID& clsid, std::u16string* out);
// REGDB_E_CLASSNOTREG when the class is not registered, CO_E_DLLNOTFOUND when its library does
// not load, CO_E_ERRORINDLL when it has no DllGetClassObject. ComLastErrorDetail() says more.
VNK_EXPORT HRESULT CoGetClassObject(const CLSID& clsid, DWORD context, void* reserved,
                                    const IID& iid, void** out);
VNK_EXPORT HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context,
                                    const IID& iid, void** out);
template <class T>
HRESULT CoCreateInstance(const CLSID& clsid, ComPtr<T>& out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, T::iid, out.putVoid());
}
// Makes a class of this process creatable by CLSID without a library (tests, built-in classes)
// until RevokeClassObject. Looked up before the registry.
VNK_EXPORT HRESULT RegisterClassObject(const CLSID& clsid, IClassFactory* factory);
VNK_EXPORT HRESULT RevokeClassObject(const CLSID& clsid);

VNK_EXPORT HRESULT CoInitialize(void* reserved = nullptr);
VNK_EXPORT void CoUninitialize();

// What went wrong in the last failing creation or registration of this thread, in words.
VNK_EXPORT std::string ComLastErrorDetail();

// Loads a component library (once per process) and returns one of its exported functions.
VNK_EXPORT HRESULT loadServerLibrary(const std::string& path, void** handle);

}  // namespace vnk::com
