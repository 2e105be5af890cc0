#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/dispatch.h"
#include "platform/variant.h"

using namespace vnk::com;

namespace {

constexpr IID kIID_ICounter = makeGuid("{5A0B6F3E-1C2D-4E5F-8A9B-0C1D2E3F4A5B}");
constexpr CLSID kCLSID_Counter = makeGuid("{5A0B6F3E-1C2D-4E5F-8A9B-0C1D2E3F4A5C}");

class Counter final : public Dispatchable<Counter, IDispatch> {
public:
    static const InterfaceDef<Counter>& dispatchInfo() {
        static const auto def = [] {
            InterfaceDef<Counter> d(kIID_ICounter, u"ICounter", u"A counter");
            d.readOnlyRaises = true;
            d.propget<&Counter::get_Value>(0, u"Value", {}, u"The count");
            d.propput<&Counter::put_Value>(0, u"Value", {u"v"});
            d.method<&Counter::Add>(2, u"Add", {u"By"}, u"Adds By; returns the sum");
            d.method<&Counter::Swap>(3, u"Swap", {u"A", u"B"});
            d.method<&Counter::Fail>(4, u"Fail", {});
            d.propget<&Counter::get_Name>(5, u"Name", {});
            d.method<&Counter::Items>(DISPID_NEWENUM, u"_NewEnum", {}, {}, FUNCFLAG_FHIDDEN);
            d.method<&Counter::Optional>(6, u"Optional", {u"A", u"B"});
            d.method<&Counter::Reset>(7, u"Reset", {u"To"});  // no result: a by-value last param
            return d;
        }();
        return def;
    }
    HRESULT get_Value(std::int32_t* v) {
        *v = n_;
        return S_OK;
    }
    HRESULT put_Value(std::int32_t v) {
        n_ = v;
        return S_OK;
    }
    HRESULT Add(std::int16_t by, std::int32_t* sum) {
        *sum = n_ += by;
        return S_OK;
    }
    HRESULT Swap(std::u16string* a, std::int32_t* b) {
        std::swap(*a, last_);
        *b = *b * 2;
        return S_OK;
    }
    HRESULT Fail() { return raise(0xCE01, u"Invalid name format", -1); }
    HRESULT get_Name(std::u16string* s) {
        *s = u"counter";
        return S_OK;
    }
    HRESULT Items(ComPtr<IUnknown>* e) {
        *e = EnumVariant::create({Variant(std::int32_t{1}), Variant(u"two"), Variant::null()});
        return S_OK;
    }
    HRESULT Reset(std::int32_t to) {
        n_ = to;
        return S_OK;
    }
    HRESULT Optional(std::int32_t a, Variant b, std::int32_t* r) {
        *r = b.isMissing() ? a : a + b.asInt32().value_or(-1000);
        return S_OK;
    }

private:
    std::int32_t n_ = 0;
    std::u16string last_ = u"kept";
};

// Fills its out-only parameter with an array of n bytes, noting whether it came in empty.
constexpr IID kIID_IFiller = makeGuid("{5A0B6F3E-1C2D-4E5F-8A9B-0C1D2E3F4A5D}");
class Filler final : public Dispatchable<Filler, IDispatch> {
public:
    static const InterfaceDef<Filler>& dispatchInfo() {
        static const auto def = [] {
            InterfaceDef<Filler> d(kIID_IFiller, u"IFiller", u"Fills arrays");
            d.method<&Filler::Fill>(1, u"Fill", {u"Data", u"Count"});
            return d;
        }();
        return def;
    }
    HRESULT Fill(OutOnly<Variant> data, std::int32_t count) {
        cameInEmpty = data->isEmpty();
        *data = Variant::array(
            std::vector<Variant>(static_cast<std::size_t>(count), Variant(std::uint8_t{9})));
        return S_OK;
    }
    bool cameInEmpty = false;
};

TEST(Guid, ParseAndPrint) {
    const auto g = GUID::parse("{925dcceb-dd21-4498-9969-2f3022c15b38}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->toString(), "{925DCCEB-DD21-4498-9969-2F3022C15B38}");
    EXPECT_FALSE(GUID::parse("{925dcceb-dd21-4498-9969-2f3022c15b3}"));
    EXPECT_FALSE(GUID::parse("925dcceb+dd21-4498-9969-2f3022c15b38"));
}

TEST(Variant, ConversionsRoundHalfToEvenAndCheckRanges) {
    Variant out;
    EXPECT_EQ(VariantChangeType(out, Variant(2.5), VT_I2), S_OK);
    EXPECT_EQ(out.intVal(), 2);
    EXPECT_EQ(VariantChangeType(out, Variant(3.5), VT_I4), S_OK);
    EXPECT_EQ(out.intVal(), 4);
    EXPECT_EQ(VariantChangeType(out, Variant(std::int32_t{40000}), VT_I2), DISP_E_OVERFLOW);
    EXPECT_EQ(VariantChangeType(out, Variant(std::int32_t{256}), VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(VariantChangeType(out, Variant(u" 45 "), VT_I2), S_OK);
    EXPECT_EQ(out.intVal(), 45);
    EXPECT_EQ(VariantChangeType(out, Variant(u"abc"), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(out, Variant(u"True"), VT_BOOL), S_OK);
    EXPECT_TRUE(out.boolVal());
    EXPECT_EQ(VariantChangeType(out, Variant(true), VT_I2), S_OK);
    EXPECT_EQ(out.intVal(), -1);
    EXPECT_EQ(VariantChangeType(out, Variant(false), VT_BSTR), S_OK);
    EXPECT_EQ(out.bstr(), u"False");
    EXPECT_EQ(VariantChangeType(out, Variant::null(), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(out, Variant(), VT_BSTR), S_OK);
    EXPECT_EQ(out.bstr(), u"");
    EXPECT_EQ(Variant(0.1).asString(), u"0.1");
}

TEST(Variant, DatesAndArrays) {
    const auto d = Date::fromParts(2001, 2, 3, 4, 5, 6);
    ASSERT_TRUE(d);
    const Date::Parts p = d->parts();
    EXPECT_EQ(p.year, 2001);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 3);
    EXPECT_EQ(p.hour, 4);
    EXPECT_EQ(p.minute, 5);
    EXPECT_EQ(p.second, 6);
    EXPECT_EQ(Date::fromParts(1899, 12, 30)->value, 0.0);
    EXPECT_EQ(Date::fromParts(1900, 1, 1)->value, 2.0);
    EXPECT_FALSE(Date::fromParts(2001, 2, 29));
    EXPECT_EQ(Variant(*d).asString(), u"2001-02-03 04:05:06");

    Variant a = Variant::array({Variant(std::uint8_t{7}), Variant(u"x")});
    Variant copy = a;
    copy.arrayVal()->elements[0] = Variant(std::uint8_t{9});
    EXPECT_EQ(a.arrayVal()->elements[0].intVal(), 7) << "arrays copy deeply";
    EXPECT_EQ(a.arrayVal()->upperBound(), 1);
}

TEST(Variant, ByRefStoresThroughTypedAndUntypedReferences) {
    Variant target(std::int16_t{1});
    Variant typed = Variant::typedRef(target);
    EXPECT_EQ(typed.vt(), VT_BYREF | VT_I2);
    EXPECT_EQ(storeByRef(typed, Variant(u"12")), S_OK);
    EXPECT_EQ(target.vt(), VT_I2);
    EXPECT_EQ(target.intVal(), 12);
    EXPECT_EQ(storeByRef(typed, Variant(u"x")), DISP_E_TYPEMISMATCH);

    Variant any = Variant::byRef(target);
    EXPECT_EQ(any.vt(), VT_BYREF | VT_VARIANT);
    EXPECT_EQ(storeByRef(any, Variant(u"text")), S_OK);
    EXPECT_EQ(target.bstr(), u"text");
}

// A variant owns its text, array or object reference: copies are deep (or add a reference),
// moves hand the very storage over and leave the source empty, and nothing leaks or is freed
// twice (the sanitizer build checks).
TEST(Variant, CopiesMovesAndAssignmentsOwnTheirValue) {
    ComPtr<IDispatch> obj(new Counter);
    const auto references = [&] {
        obj->AddRef();
        return obj->Release();
    };
    const ULONG alone = references();
    {
        Variant o(obj);
        Variant copy = o;
        EXPECT_EQ(references(), alone + 2);
        Variant moved = std::move(copy);
        EXPECT_TRUE(copy.isEmpty());
        EXPECT_EQ(references(), alone + 2) << "a move takes no reference";
        moved = Variant(u"replaced");
        EXPECT_EQ(references(), alone + 1) << "an assignment releases the object it replaces";
        const Variant& alias = o;
        o = alias;
        EXPECT_EQ(o.dispatch(), obj.get()) << "self-assignment keeps the value";
    }
    EXPECT_EQ(references(), alone);

    Variant text(u"a text longer than any short-string buffer");
    {
        const Variant copy = text;
        text = Variant(std::int32_t{5});
        EXPECT_EQ(copy.bstr(), u"a text longer than any short-string buffer");
    }
    EXPECT_EQ(text.bstr(), u"") << "a number reads as no text";

    Variant array = Variant::array({Variant(u"x"), Variant(obj), Variant(std::uint8_t{1})}, -3);
    const SafeArray* storage = array.arrayVal();
    Variant taken(std::move(array));
    EXPECT_EQ(taken.arrayVal(), storage) << "a moved array is not copied";
    EXPECT_EQ(taken.arrayVal()->lowerBound, -3);
    EXPECT_EQ(array.arrayVal(), nullptr);
    Variant assigned;
    assigned = std::move(taken);
    EXPECT_EQ(assigned.arrayVal(), storage);
    EXPECT_TRUE(taken.isEmpty());
    EXPECT_EQ(references(), alone + 1) << "the array's element holds its reference";
    assigned.clear();
    EXPECT_EQ(references(), alone);
}

TEST(Variant, StoringAMovedValueByReference) {
    Variant target(u"old");
    Variant any = Variant::byRef(target);
    Variant array = Variant::array({Variant(std::uint8_t{7})});
    const SafeArray* storage = array.arrayVal();
    EXPECT_EQ(storeByRef(any, std::move(array)), S_OK);
    EXPECT_EQ(target.arrayVal(), storage) << "an untyped reference takes the array as it is";

    // A typed reference still converts; a value of its own type moves.
    Variant number(std::int32_t{1});
    Variant typed = Variant::typedRef(number);
    EXPECT_EQ(storeByRef(typed, Variant(u"12")), S_OK);
    EXPECT_EQ(number.vt(), VT_I4);
    EXPECT_EQ(number.intVal(), 12);
    EXPECT_EQ(storeByRef(typed, Variant(u"x")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(number.intVal(), 12) << "a failed conversion leaves the target alone";
    Variant text(u"new");
    Variant typedText = Variant::typedRef(text);
    EXPECT_EQ(storeByRef(typedText, Variant(u"moved")), S_OK);
    EXPECT_EQ(text.bstr(), u"moved");

    // A reference given as the value stores what it refers to, never the reference.
    Variant source(std::int16_t{3});
    EXPECT_EQ(storeByRef(any, Variant::byRef(source)), S_OK);
    EXPECT_EQ(target.vt(), VT_I2);
    EXPECT_EQ(target.intVal(), 3);
    Variant notByRef(std::int32_t{4});
    EXPECT_EQ(storeByRef(notByRef, Variant(u"x")), S_FALSE);
    EXPECT_EQ(notByRef.intVal(), 4);
}

// An out-only parameter: the caller's old value never reaches the member, the member's value
// replaces it, and type information shows an ordinary by-reference parameter.
TEST(Dispatch, OutOnlyParametersSeeNothingOfTheOldValue) {
    ComPtr<Filler> filler(new Filler);
    IDispatch* obj = filler.get();
    Variant data(u"an old value");
    Variant r;
    ASSERT_EQ(call(obj, u"Fill", {Variant::byRef(data), Variant(std::int32_t{3})}, &r), S_OK);
    EXPECT_TRUE(filler->cameInEmpty);
    ASSERT_NE(data.arrayVal(), nullptr);
    EXPECT_EQ(data.arrayVal()->elements.size(), 3u);
    EXPECT_EQ(data.arrayVal()->elements[2].vt(), VT_UI1);
    ASSERT_EQ(call(obj, u"Fill", {Variant::byRef(data), Variant(std::int32_t{1})}, &r), S_OK);
    EXPECT_TRUE(filler->cameInEmpty) << "not even an earlier array";
    EXPECT_EQ(data.arrayVal()->elements.size(), 1u);

    Variant byValue(u"kept");
    ASSERT_EQ(call(obj, u"Fill", {byValue, Variant(std::int32_t{2})}, &r), S_OK);
    EXPECT_EQ(byValue.bstr(), u"kept") << "a value not by reference is left alone";
    Variant number(std::int32_t{5});
    EXPECT_EQ(call(obj, u"Fill", {Variant::typedRef(number), Variant(std::int32_t{2})}, &r),
              DISP_E_TYPEMISMATCH)
        << "an array does not go into a typed number";
    EXPECT_EQ(number.intVal(), 5);

    const InterfaceInfo* info = nullptr;
    ASSERT_EQ(obj->GetTypeInfo(0, &info), S_OK);
    ASSERT_EQ(info->members.size(), 1u);
    ASSERT_EQ(info->members[0].params.size(), 2u);
    EXPECT_EQ(info->members[0].params[0].vt, VT_BYREF | VT_VARIANT);
    EXPECT_EQ(info->members[0].params[0].flags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
}

TEST(Dispatch, PropertiesMethodsAndByRefByName) {
    ComPtr<IDispatch> obj(new Counter);
    Variant r;
    ASSERT_EQ(putProperty(obj.get(), u"value", Variant(std::int32_t{5})), S_OK);
    ASSERT_EQ(call(obj.get(), u"ADD", {Variant(u"3")}, &r), S_OK);
    EXPECT_EQ(r.vt(), VT_I4);
    EXPECT_EQ(r.intVal(), 8);

    // The default member answers a property read of DISPID_VALUE.
    DispParams none;
    ASSERT_EQ(obj->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &r, nullptr, nullptr), S_OK);
    EXPECT_EQ(r.intVal(), 8);
    EXPECT_EQ(Variant(obj).asInt32(), 8) << "an object converts through its default member";

    Variant a(u"mine");
    Variant b(std::int32_t{21});
    ASSERT_EQ(call(obj.get(), u"Swap", {Variant::byRef(a), Variant::typedRef(b)}, &r), S_OK);
    EXPECT_EQ(a.bstr(), u"kept");
    EXPECT_EQ(b.intVal(), 42);
    // By-value arguments to by-reference parameters are accepted and left alone.
    ASSERT_EQ(call(obj.get(), u"Swap", {Variant(u"v"), Variant(std::int32_t{1})}, &r), S_OK);

    EXPECT_EQ(call(obj.get(), u"Nope", {}, &r), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(call(obj.get(), u"Add", {}, &r), DISP_E_BADPARAMCOUNT);
    unsigned argErr = 99;
    EXPECT_EQ(callByName(obj.get(), u"Add", DISPATCH_METHOD, {Variant(u"x")}, &r, nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(call(obj.get(), u"Optional", {Variant(std::int32_t{2})}, &r), S_OK);
    EXPECT_EQ(r.intVal(), 2);
    EXPECT_EQ(call(obj.get(), u"Optional", {Variant(std::int32_t{2}), Variant(u"3")}, &r), S_OK);
    EXPECT_EQ(r.intVal(), 5);
    ASSERT_EQ(call(obj.get(), u"Reset", {Variant(std::int32_t{7})}, &r), S_OK);
    ASSERT_EQ(getProperty(obj.get(), u"Value", &r), S_OK);
    EXPECT_EQ(r.intVal(), 7);
}

TEST(Dispatch, ExceptionsCarryCodeDescriptionAndHelpContext) {
    ComPtr<IDispatch> obj(new Counter);
    ExcepInfo ei;
    Variant r;
    EXPECT_EQ(call(obj.get(), u"Fail", {}, &r, &ei), DISP_E_EXCEPTION);
    EXPECT_EQ(ei.scode, 0xCE01);
    EXPECT_EQ(ei.description, u"Invalid name format");
    EXPECT_EQ(ei.helpContext, -1);

    ExcepInfo ro;
    EXPECT_EQ(putProperty(obj.get(), u"Name", Variant(u"x"), &ro), DISP_E_EXCEPTION);
    EXPECT_EQ(ro.scode, CTL_E_SETNOTSUPPORTED);
}

TEST(Dispatch, ForEachWalksTheEnumerator) {
    ComPtr<IDispatch> obj(new Counter);
    std::vector<std::string> seen;
    ASSERT_EQ(forEach(obj.get(),
                      [&](const Variant& v) {
                          seen.push_back(v.debugString());
                          return true;
                      }),
              S_OK);
    EXPECT_EQ(seen, (std::vector<std::string>{"VT_3 1", "VT_BSTR \"two\"", "VT_NULL"}));

    ComPtr<IEnumVARIANT> e = EnumVariant::create({Variant(true), Variant(false)});
    Variant items[3];
    ULONG got = 0;
    EXPECT_EQ(e->Next(3, items, &got), S_FALSE);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(e->Clone(clone.put()), S_OK);
    EXPECT_EQ(clone->Next(1, items, &got), S_OK);
    EXPECT_FALSE(items[0].boolVal());
    EXPECT_EQ(clone->Skip(1), S_FALSE);
}

TEST(Dispatch, ReferenceCountingAndQueryInterface) {
    const long before = moduleObjectCount();
    {
        ComPtr<IDispatch> obj(new Counter);
        EXPECT_EQ(moduleObjectCount(), before + 1);
        EXPECT_EQ(moduleCanUnloadNow(), S_FALSE);
        ComPtr<IUnknown> unk = obj.as<IUnknown>();
        ASSERT_TRUE(unk);
        ComPtr<IEnumVARIANT> none = obj.as<IEnumVARIANT>();
        EXPECT_FALSE(none);
        const InterfaceInfo* info = nullptr;
        ASSERT_EQ(obj->GetTypeInfo(0, &info), S_OK);
        EXPECT_EQ(info->name, u"ICounter");
    }
    EXPECT_EQ(moduleObjectCount(), before);
}

TEST(Creation, RegisteredClassObjectAndUnknownClasses) {
    ComPtr<IClassFactory> factory(new ClassFactory(&createInstanceOf<Counter>));
    ASSERT_EQ(RegisterClassObject(kCLSID_Counter, factory.get()), S_OK);
    ComPtr<IDispatch> obj;
    EXPECT_EQ(CoCreateInstance(kCLSID_Counter, obj), S_OK);
    EXPECT_TRUE(obj);
    EXPECT_EQ(RevokeClassObject(kCLSID_Counter), S_OK);
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(u"No.Such.Class", &clsid), CO_E_CLASSSTRING);
}

}  // namespace
