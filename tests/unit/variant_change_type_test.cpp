// VariantChangeType as the gateway and the objects it loads rely on it. The same table runs
// against the Windows runtime and against the project's own, so every row states what the
// Windows runtime answers; rows whose answer would depend on the locale beyond US-English
// "." and "," are left out.
#include "automation/automation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::literals;

constexpr LONG long_min = -2147483647 - 1;
constexpr LONG long_max = 2147483647;
constexpr SHORT sentinel = 0x1234;

std::string hex(HRESULT status)
{
    std::ostringstream text;
    text << "0x" << std::hex << std::setw(8) << std::setfill('0') << static_cast<std::uint32_t>(status);
    return text.str();
}

std::string printable(std::u16string_view text)
{
    std::ostringstream out;
    for (char16_t const c : text) {
        if (c >= 0x20 && c < 0x7F)
            out << static_cast<char>(c);
        else
            out << "\\u" << std::hex << std::setw(4) << std::setfill('0') << static_cast<unsigned>(c) << std::dec;
    }
    return out.str();
}

BSTR make_bstr(std::u16string_view text)
{
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i)
        result[i] = static_cast<OLECHAR>(text[i]);
    return result;
}

std::u16string bstr_text(BSTR text)
{
    std::u16string result;
    for (UINT i = 0; i < SysStringLen(text); ++i)
        result.push_back(static_cast<char16_t>(text[i]));
    return result;
}

VARIANT of_type(VARTYPE vt)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    return value;
}

VARIANT i1(signed char x)
{
    VARIANT v = of_type(VT_I1);
    v.cVal = static_cast<CHAR>(x);
    return v;
}
VARIANT ui1(BYTE x)
{
    VARIANT v = of_type(VT_UI1);
    v.bVal = x;
    return v;
}
VARIANT i2(SHORT x)
{
    VARIANT v = of_type(VT_I2);
    v.iVal = x;
    return v;
}
VARIANT ui2(USHORT x)
{
    VARIANT v = of_type(VT_UI2);
    v.uiVal = x;
    return v;
}
VARIANT i4(LONG x)
{
    VARIANT v = of_type(VT_I4);
    v.lVal = x;
    return v;
}
VARIANT ui4(ULONG x)
{
    VARIANT v = of_type(VT_UI4);
    v.ulVal = x;
    return v;
}
VARIANT int_(INT x)
{
    VARIANT v = of_type(VT_INT);
    v.intVal = x;
    return v;
}
VARIANT uint_(UINT x)
{
    VARIANT v = of_type(VT_UINT);
    v.uintVal = x;
    return v;
}
VARIANT i8(LONGLONG x)
{
    VARIANT v = of_type(VT_I8);
    v.llVal = x;
    return v;
}
VARIANT ui8(ULONGLONG x)
{
    VARIANT v = of_type(VT_UI8);
    v.ullVal = x;
    return v;
}
VARIANT r4(float x)
{
    VARIANT v = of_type(VT_R4);
    v.fltVal = x;
    return v;
}
VARIANT r8(double x)
{
    VARIANT v = of_type(VT_R8);
    v.dblVal = x;
    return v;
}
VARIANT date(double x)
{
    VARIANT v = of_type(VT_DATE);
    v.date = x;
    return v;
}
VARIANT boolean(VARIANT_BOOL x)
{
    VARIANT v = of_type(VT_BOOL);
    v.boolVal = x;
    return v;
}
VARIANT error(SCODE x)
{
    VARIANT v = of_type(VT_ERROR);
    v.scode = x;
    return v;
}
VARIANT by_ref(VARTYPE vt, void* target)
{
    VARIANT v = of_type(vt | VT_BYREF);
    v.byref = target;
    return v;
}

// A currency amount given in ten-thousandths.
VARIANT currency(LONGLONG ten_thousandths)
{
    VARIANT v = of_type(VT_CY);
    v.cyVal.int64 = ten_thousandths;
    return v;
}

DECIMAL make_decimal(BYTE scale, BYTE sign, ULONG hi, ULONGLONG low)
{
    DECIMAL value;
    std::memset(&value, 0, sizeof value);
    value.scale = scale;
    value.sign = sign;
    value.Hi32 = hi;
    value.Lo64 = low;
    return value;
}

VARIANT decimal(BYTE scale, BYTE sign, ULONG hi, ULONGLONG low)
{
    VARIANT v;
    VariantInit(&v);
    v.decVal = make_decimal(scale, sign, hi, low);
    v.vt = VT_DECIMAL;
    return v;
}

// Converts to VT_I4 into a destination that holds a sentinel. A failure must leave the
// sentinel exactly as it was.
void expect_long(const VARIANT& source, HRESULT status, LONG value, std::string const& label, USHORT flags = 0)
{
    VARIANT dest = i2(sentinel);
    VARIANT src = source;
    HRESULT const result = VariantChangeType(&dest, &src, flags, VT_I4);
    EXPECT_EQ(hex(result), hex(status)) << label;
    if (SUCCEEDED(result)) {
        EXPECT_EQ(dest.vt, VT_I4) << label;
        if (status == S_OK) {
            EXPECT_EQ(dest.lVal, value) << label;
        }
    } else {
        EXPECT_EQ(dest.vt, VT_I2) << label << ": a failed conversion changed the destination";
        EXPECT_EQ(dest.iVal, sentinel) << label << ": a failed conversion changed the destination";
    }
}

struct Row {
    std::string label;
    VARIANT source;
    HRESULT status;
    LONG value;
};

void expect_rows(std::vector<Row> const& rows)
{
    for (Row const& row : rows)
        expect_long(row.source, row.status, row.value, row.label);
}

struct TextRow {
    std::u16string_view text;
    HRESULT status;
    LONG value;
};

void expect_text_rows(std::initializer_list<TextRow> rows)
{
    for (TextRow const& row : rows) {
        VARIANT source = of_type(VT_BSTR);
        source.bstrVal = make_bstr(row.text);
        expect_long(source, row.status, row.value, "text \"" + printable(row.text) + "\"");
        VariantClear(&source);
    }
}

// An object whose default member answers a fixed value (or fails), counting what is asked.
// It lives on the stack: Release never frees it, so tests can read the count afterwards.
class ValueObject final : public IDispatch {
public:
    explicit ValueObject(VARIANT value, HRESULT invoke_status = S_OK)
        : value_(value)
        , invoke_status_(invoke_status)
    {
    }
    ~ValueObject() { VariantClear(&value_); }
    ValueObject(ValueObject const&) = delete;
    ValueObject& operator=(ValueObject const&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* arguments, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        ++invocations;
        last_member = member;
        last_flags = flags;
        last_argument_count = arguments != nullptr ? arguments->cArgs + arguments->cNamedArgs : 99;
        if (FAILED(invoke_status_))
            return invoke_status_;
        return result != nullptr ? VariantCopy(result, &value_) : S_OK;
    }

    ULONG references = 1;
    int invocations = 0;
    DISPID last_member = -12345;
    WORD last_flags = 0;
    UINT last_argument_count = 0;

private:
    VARIANT value_;
    HRESULT invoke_status_;
};

VARIANT text_value(std::u16string_view text)
{
    VARIANT v = of_type(VT_BSTR);
    v.bstrVal = make_bstr(text);
    return v;
}

// ---------------------------------------------------------------------------------------
// Integers, booleans and the empty value.

TEST(VariantChangeTypeToLong, IntegerSourcesKeepTheirValueOrOverflow)
{
    expect_rows({
        {"I1 -128", i1(-128), S_OK, -128},
        {"I1 -1", i1(-1), S_OK, -1},
        {"I1 0", i1(0), S_OK, 0},
        {"I1 127", i1(127), S_OK, 127},
        {"UI1 0", ui1(0), S_OK, 0},
        {"UI1 128", ui1(128), S_OK, 128},
        {"UI1 255", ui1(255), S_OK, 255},
        {"I2 -32768", i2(-32768), S_OK, -32768},
        {"I2 -1", i2(-1), S_OK, -1},
        {"I2 32767", i2(32767), S_OK, 32767},
        {"UI2 0", ui2(0), S_OK, 0},
        {"UI2 32768", ui2(32768), S_OK, 32768},
        {"UI2 65535", ui2(65535), S_OK, 65535},
        {"I4 min", i4(long_min), S_OK, long_min},
        {"I4 -1", i4(-1), S_OK, -1},
        {"I4 0", i4(0), S_OK, 0},
        {"I4 max", i4(long_max), S_OK, long_max},
        {"INT min", int_(long_min), S_OK, long_min},
        {"INT 77", int_(77), S_OK, 77},
        {"INT max", int_(long_max), S_OK, long_max},
        {"I8 min", i8(std::numeric_limits<LONGLONG>::min()), DISP_E_OVERFLOW, 0},
        {"I8 -2^31-1", i8(-2147483649LL), DISP_E_OVERFLOW, 0},
        {"I8 -2^31", i8(-2147483648LL), S_OK, long_min},
        {"I8 -1", i8(-1), S_OK, -1},
        {"I8 0", i8(0), S_OK, 0},
        {"I8 2^31-1", i8(2147483647LL), S_OK, long_max},
        {"I8 2^31", i8(2147483648LL), DISP_E_OVERFLOW, 0},
        {"I8 2^32", i8(4294967296LL), DISP_E_OVERFLOW, 0},
        {"I8 max", i8(std::numeric_limits<LONGLONG>::max()), DISP_E_OVERFLOW, 0},
        {"UI8 0", ui8(0), S_OK, 0},
        {"UI8 2^31-1", ui8(2147483647ULL), S_OK, long_max},
        {"UI8 2^31", ui8(2147483648ULL), DISP_E_OVERFLOW, 0},
        {"UI8 2^32-1", ui8(4294967295ULL), DISP_E_OVERFLOW, 0},
        {"UI8 max", ui8(std::numeric_limits<ULONGLONG>::max()), DISP_E_OVERFLOW, 0},
    });
}

TEST(VariantChangeTypeToLong, UnsignedLongSourcesKeepTheirBitsWithoutOverflow)
{
    expect_rows({
        {"UI4 0", ui4(0), S_OK, 0},
        {"UI4 2^31-1", ui4(0x7FFFFFFFu), S_OK, long_max},
        {"UI4 2^31", ui4(0x80000000u), S_OK, long_min},
        {"UI4 2^32-2", ui4(0xFFFFFFFEu), S_OK, -2},
        {"UI4 2^32-1", ui4(0xFFFFFFFFu), S_OK, -1},
        {"UINT 0", uint_(0), S_OK, 0},
        {"UINT 2^31", uint_(0x80000000u), S_OK, long_min},
        {"UINT 2^32-1", uint_(0xFFFFFFFFu), S_OK, -1},
    });
}

TEST(VariantChangeTypeToLong, EmptyIsZeroAndBooleansAreMinusOneOrZero)
{
    expect_rows({
        {"EMPTY", of_type(VT_EMPTY), S_OK, 0},
        {"BOOL true", boolean(VARIANT_TRUE), S_OK, -1},
        {"BOOL false", boolean(VARIANT_FALSE), S_OK, 0},
        {"BOOL 1", boolean(1), S_OK, 1},
    });
}

TEST(VariantChangeTypeToLong, NullErrorAndInterfaceSourcesAreTypeMismatch)
{
    ValueObject object(i4(5));
    VARIANT unknown = of_type(VT_UNKNOWN);
    unknown.punkVal = &object;
    VARIANT null_unknown = of_type(VT_UNKNOWN);
    null_unknown.punkVal = nullptr;
    expect_rows({
        {"NULL", of_type(VT_NULL), DISP_E_TYPEMISMATCH, 0},
        {"ERROR 0", error(0), DISP_E_TYPEMISMATCH, 0},
        {"ERROR DISP_E_PARAMNOTFOUND", error(DISP_E_PARAMNOTFOUND), DISP_E_TYPEMISMATCH, 0},
        {"UNKNOWN object", unknown, DISP_E_TYPEMISMATCH, 0},
        {"UNKNOWN null", null_unknown, DISP_E_TYPEMISMATCH, 0},
    });
    EXPECT_EQ(object.invocations, 0) << "an IUnknown has no default value to ask for";
    EXPECT_EQ(object.references, 1u);
}

TEST(VariantChangeTypeToLong, InvalidSourceTypesAreBadVarType)
{
    LONG target = 1;
    expect_rows({
        {"type 15", of_type(15), DISP_E_BADVARTYPE, 0},
        {"VOID", of_type(VT_VOID), DISP_E_BADVARTYPE, 0},
        {"HRESULT", of_type(VT_HRESULT), DISP_E_BADVARTYPE, 0},
        {"LPSTR", of_type(VT_LPSTR), DISP_E_BADVARTYPE, 0},
        {"EMPTY by reference", by_ref(VT_EMPTY, &target), DISP_E_BADVARTYPE, 0},
        {"NULL by reference", by_ref(VT_NULL, &target), DISP_E_BADVARTYPE, 0},
    });
}

TEST(VariantChangeTypeToLong, ArraysAreTypeMismatch)
{
    VARIANT array = of_type(VT_ARRAY | VT_I4);
    array.parray = nullptr;
    expect_long(array, DISP_E_TYPEMISMATCH, 0, "I4 array");
}

// ---------------------------------------------------------------------------------------
// Floating point, dates, currency and decimals: round half to even, overflow outside the
// 32-bit range after rounding.

TEST(VariantChangeTypeToLong, DoublesRoundHalfToEven)
{
    expect_rows({
        {"R8 0", r8(0.0), S_OK, 0},
        {"R8 -0", r8(-0.0), S_OK, 0},
        {"R8 0.4", r8(0.4), S_OK, 0},
        {"R8 largest below 0.5", r8(0.49999999999999994), S_OK, 0},
        {"R8 0.5", r8(0.5), S_OK, 0},
        {"R8 0.6", r8(0.6), S_OK, 1},
        {"R8 1.5", r8(1.5), S_OK, 2},
        {"R8 2.5", r8(2.5), S_OK, 2},
        {"R8 smallest above 2.5", r8(2.5000000000000004), S_OK, 3},
        {"R8 3.5", r8(3.5), S_OK, 4},
        {"R8 4.5", r8(4.5), S_OK, 4},
        {"R8 -0.4", r8(-0.4), S_OK, 0},
        {"R8 -0.5", r8(-0.5), S_OK, 0},
        {"R8 -0.6", r8(-0.6), S_OK, -1},
        {"R8 -1.5", r8(-1.5), S_OK, -2},
        {"R8 -2.5", r8(-2.5), S_OK, -2},
        {"R8 -3.5", r8(-3.5), S_OK, -4},
        {"R8 1e-300", r8(1e-300), S_OK, 0},
        {"R8 123456.7", r8(123456.7), S_OK, 123457},
        {"R8 -123456.2", r8(-123456.2), S_OK, -123456},
        {"R8 1000000.5", r8(1000000.5), S_OK, 1000000},
        {"R8 1000001.5", r8(1000001.5), S_OK, 1000002},
    });
}

TEST(VariantChangeTypeToLong, DoublesOverflowOnlyWhenTheRoundedValueLeavesTheRange)
{
    expect_rows({
        {"R8 2147483646.5", r8(2147483646.5), S_OK, 2147483646},
        {"R8 2147483647", r8(2147483647.0), S_OK, long_max},
        {"R8 2147483647.49", r8(2147483647.49), S_OK, long_max},
        {"R8 2147483647.5", r8(2147483647.5), DISP_E_OVERFLOW, 0},
        {"R8 2147483648", r8(2147483648.0), DISP_E_OVERFLOW, 0},
        {"R8 -2147483648", r8(-2147483648.0), S_OK, long_min},
        {"R8 -2147483648.49", r8(-2147483648.49), S_OK, long_min},
        {"R8 -2147483648.5", r8(-2147483648.5), S_OK, long_min},
        {"R8 -2147483648.51", r8(-2147483648.51), DISP_E_OVERFLOW, 0},
        {"R8 -2147483649", r8(-2147483649.0), DISP_E_OVERFLOW, 0},
        {"R8 1e10", r8(1e10), DISP_E_OVERFLOW, 0},
        {"R8 -1e300", r8(-1e300), DISP_E_OVERFLOW, 0},
        {"R8 max", r8(std::numeric_limits<double>::max()), DISP_E_OVERFLOW, 0},
        {"R8 +infinity", r8(std::numeric_limits<double>::infinity()), DISP_E_OVERFLOW, 0},
        {"R8 -infinity", r8(-std::numeric_limits<double>::infinity()), DISP_E_OVERFLOW, 0},
    });
}

TEST(VariantChangeTypeToLong, FloatsRoundHalfToEven)
{
    expect_rows({
        {"R4 0", r4(0.0f), S_OK, 0},
        {"R4 0.5", r4(0.5f), S_OK, 0},
        {"R4 0.6", r4(0.6f), S_OK, 1},
        {"R4 1.5", r4(1.5f), S_OK, 2},
        {"R4 2.5", r4(2.5f), S_OK, 2},
        {"R4 3.5", r4(3.5f), S_OK, 4},
        {"R4 -0.5", r4(-0.5f), S_OK, 0},
        {"R4 -1.5", r4(-1.5f), S_OK, -2},
        {"R4 -2.5", r4(-2.5f), S_OK, -2},
        {"R4 4194304.5", r4(4194304.5f), S_OK, 4194304},
        {"R4 4194305.5", r4(4194305.5f), S_OK, 4194306},
        {"R4 2147483520", r4(2147483520.0f), S_OK, 2147483520},
        {"R4 2^31", r4(2147483648.0f), DISP_E_OVERFLOW, 0},
        {"R4 -2^31", r4(-2147483648.0f), S_OK, long_min},
        {"R4 -2147483904", r4(-2147483904.0f), DISP_E_OVERFLOW, 0},
        {"R4 1e10", r4(1e10f), DISP_E_OVERFLOW, 0},
        {"R4 +infinity", r4(std::numeric_limits<float>::infinity()), DISP_E_OVERFLOW, 0},
    });
}

TEST(VariantChangeTypeToLong, DatesConvertLikeDoubles)
{
    expect_rows({
        {"DATE 0", date(0.0), S_OK, 0},
        {"DATE 36526.25", date(36526.25), S_OK, 36526},
        {"DATE 36526.5", date(36526.5), S_OK, 36526},
        {"DATE 36527.5", date(36527.5), S_OK, 36528},
        {"DATE 36526.75", date(36526.75), S_OK, 36527},
        {"DATE -1.5", date(-1.5), S_OK, -2},
        {"DATE -2.5", date(-2.5), S_OK, -2},
        {"DATE 2958465", date(2958465.0), S_OK, 2958465},
        {"DATE -657434", date(-657434.0), S_OK, -657434},
        {"DATE 2147483647.5", date(2147483647.5), DISP_E_OVERFLOW, 0},
        {"DATE -2147483648.5", date(-2147483648.5), S_OK, long_min},
        {"DATE 1e12", date(1e12), DISP_E_OVERFLOW, 0},
    });
}

TEST(VariantChangeTypeToLong, CurrencyIsScaledByTenThousandAndRoundsHalfToEven)
{
    expect_rows({
        {"CY 0", currency(0), S_OK, 0},
        {"CY 1", currency(10000), S_OK, 1},
        {"CY -1", currency(-10000), S_OK, -1},
        {"CY 0.0001", currency(1), S_OK, 0},
        {"CY 0.4999", currency(4999), S_OK, 0},
        {"CY 0.5", currency(5000), S_OK, 0},
        {"CY 0.5001", currency(5001), S_OK, 1},
        {"CY 1.5", currency(15000), S_OK, 2},
        {"CY 2.5", currency(25000), S_OK, 2},
        {"CY 2.5001", currency(25001), S_OK, 3},
        {"CY 3.5", currency(35000), S_OK, 4},
        {"CY -0.5", currency(-5000), S_OK, 0},
        {"CY -0.5001", currency(-5001), S_OK, -1},
        {"CY -1.5", currency(-15000), S_OK, -2},
        {"CY -2.5", currency(-25000), S_OK, -2},
        {"CY -3.5", currency(-35000), S_OK, -4},
        {"CY 123.4567", currency(1234567), S_OK, 123},
        {"CY 2147483647", currency(21474836470000LL), S_OK, long_max},
        {"CY 2147483647.4999", currency(21474836474999LL), S_OK, long_max},
        {"CY 2147483647.5", currency(21474836475000LL), DISP_E_OVERFLOW, 0},
        {"CY 2147483648", currency(21474836480000LL), DISP_E_OVERFLOW, 0},
        {"CY -2147483648", currency(-21474836480000LL), S_OK, long_min},
        {"CY -2147483648.5", currency(-21474836485000LL), S_OK, long_min},
        {"CY -2147483648.5001", currency(-21474836485001LL), DISP_E_OVERFLOW, 0},
        {"CY -2147483649", currency(-21474836490000LL), DISP_E_OVERFLOW, 0},
        {"CY max", currency(std::numeric_limits<LONGLONG>::max()), DISP_E_OVERFLOW, 0},
        {"CY min", currency(std::numeric_limits<LONGLONG>::min()), DISP_E_OVERFLOW, 0},
    });
}

TEST(VariantChangeTypeToLong, DecimalsRoundHalfToEvenWithinTheirScale)
{
    expect_rows({
        {"DEC 0", decimal(0, 0, 0, 0), S_OK, 0},
        {"DEC 1", decimal(0, 0, 0, 1), S_OK, 1},
        {"DEC -1", decimal(0, DECIMAL_NEG, 0, 1), S_OK, -1},
        {"DEC -0", decimal(0, DECIMAL_NEG, 0, 0), S_OK, 0},
        {"DEC 2^31-1", decimal(0, 0, 0, 2147483647u), S_OK, long_max},
        {"DEC 2^31", decimal(0, 0, 0, 2147483648u), DISP_E_OVERFLOW, 0},
        {"DEC -2^31", decimal(0, DECIMAL_NEG, 0, 2147483648u), S_OK, long_min},
        {"DEC -2^31-1", decimal(0, DECIMAL_NEG, 0, 2147483649u), DISP_E_OVERFLOW, 0},
        {"DEC 2^32", decimal(0, 0, 0, 0x100000000ULL), DISP_E_OVERFLOW, 0},
        {"DEC 2^64", decimal(0, 0, 1, 0), DISP_E_OVERFLOW, 0},
        {"DEC 0.5", decimal(1, 0, 0, 5), S_OK, 0},
        {"DEC 1.5", decimal(1, 0, 0, 15), S_OK, 2},
        {"DEC 2.5", decimal(1, 0, 0, 25), S_OK, 2},
        {"DEC 3.5", decimal(1, 0, 0, 35), S_OK, 4},
        {"DEC 2.51", decimal(2, 0, 0, 251), S_OK, 3},
        {"DEC 2.49", decimal(2, 0, 0, 249), S_OK, 2},
        {"DEC -2.5", decimal(1, DECIMAL_NEG, 0, 25), S_OK, -2},
        {"DEC -3.5", decimal(1, DECIMAL_NEG, 0, 35), S_OK, -4},
        {"DEC -0.6", decimal(1, DECIMAL_NEG, 0, 6), S_OK, -1},
        {"DEC 12345.678", decimal(3, 0, 0, 12345678), S_OK, 12346},
        {"DEC 2147483647.00", decimal(2, 0, 0, 214748364700ULL), S_OK, long_max},
        {"DEC 2147483647.49", decimal(2, 0, 0, 214748364749ULL), S_OK, long_max},
        {"DEC 2147483647.50", decimal(2, 0, 0, 214748364750ULL), DISP_E_OVERFLOW, 0},
        {"DEC -2147483648.50", decimal(2, DECIMAL_NEG, 0, 214748364850ULL), S_OK, long_min},
        {"DEC -2147483649.00", decimal(2, DECIMAL_NEG, 0, 214748364900ULL), DISP_E_OVERFLOW, 0},
        {"DEC 1 at scale 28", decimal(28, 0, 0x204FCE5Eu, 0x3E25026110000000ULL), S_OK, 1},
        {"DEC 7.92 at scale 28", decimal(28, 0, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFULL), S_OK, 8},
    });
}

TEST(VariantChangeTypeToLong, MalformedDecimalsAreInvalidArgument)
{
    expect_rows({
        {"DEC scale 29", decimal(29, 0, 0, 0), E_INVALIDARG, 0},
        {"DEC sign 0x01", decimal(0, 0x01, 0, 0), E_INVALIDARG, 0},
        {"DEC sign 0x40", decimal(0, 0x40, 0, 0), E_INVALIDARG, 0},
        {"DEC sign 0x7F", decimal(0, 0x7F, 0, 0), E_INVALIDARG, 0},
    });
}

// ---------------------------------------------------------------------------------------
// Text.

TEST(VariantChangeTypeToLong, TextDigitsReadAsDecimalIntegers)
{
    expect_text_rows({
        {u"0", S_OK, 0},
        {u"1", S_OK, 1},
        {u"7", S_OK, 7},
        {u"42", S_OK, 42},
        {u"00", S_OK, 0},
        {u"007", S_OK, 7},
        {u"0100", S_OK, 100}, // a leading zero does not mean octal
        {u"123456789", S_OK, 123456789},
        {u"2147483647", S_OK, long_max},
        {u"2147483648", DISP_E_OVERFLOW, 0},
        {u"4294967295", DISP_E_OVERFLOW, 0},
        {u"4294967296", DISP_E_OVERFLOW, 0},
        {u"99999999999999999999", DISP_E_OVERFLOW, 0},
        {u"000000000000000000000000000000000000000000000042", S_OK, 42},
        {u"1000000000000000000000000000000", DISP_E_OVERFLOW, 0},
    });
}

TEST(VariantChangeTypeToLong, TextSignsMayLeadOrTrailButNotBoth)
{
    expect_text_rows({
        {u"-1", S_OK, -1},
        {u"+1", S_OK, 1},
        {u"-0", S_OK, 0},
        {u"+0", S_OK, 0},
        {u"-2147483648", S_OK, long_min},
        {u"-2147483649", DISP_E_OVERFLOW, 0},
        {u"+2147483647", S_OK, long_max},
        {u"-42", S_OK, -42},
        {u"42-", S_OK, -42},
        {u"42+", S_OK, 42},
        {u"0-", S_OK, 0},
        {u"2147483648-", S_OK, long_min},
        {u"-42-", DISP_E_TYPEMISMATCH, 0},
        {u"+42+", DISP_E_TYPEMISMATCH, 0},
        {u"-0-", DISP_E_TYPEMISMATCH, 0},
        {u"+0+", DISP_E_TYPEMISMATCH, 0},
        {u"--42", DISP_E_TYPEMISMATCH, 0},
        {u"++42", DISP_E_TYPEMISMATCH, 0},
        {u"+ +0", DISP_E_TYPEMISMATCH, 0},
        {u"4-2", DISP_E_TYPEMISMATCH, 0},
        {u"-", DISP_E_TYPEMISMATCH, 0},
        {u"+", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextParenthesesMakeTheNumberNegative)
{
    expect_text_rows({
        {u"(42)", S_OK, -42},
        {u"(0)", S_OK, 0},
        {u"(2147483648)", S_OK, long_min},
        {u"(2147483649)", DISP_E_OVERFLOW, 0},
        {u"(1.5)", S_OK, -2},
        {u"()", DISP_E_TYPEMISMATCH, 0},
        {u"(42", DISP_E_TYPEMISMATCH, 0},
        {u"42)", DISP_E_TYPEMISMATCH, 0},
        {u"0()", DISP_E_TYPEMISMATCH, 0},
        {u")42(", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextBlanksAroundTheNumberAreIgnored)
{
    expect_text_rows({
        {u" 42", S_OK, 42},
        {u"42 ", S_OK, 42},
        {u"   42   ", S_OK, 42},
        {u"\t42\t", S_OK, 42},
        {u"\r\n42\r\n", S_OK, 42},
        {u"\t\n\v\f\r 42 \t\n\v\f\r", S_OK, 42},
        {u" -42 ", S_OK, -42},
        {u"+ 0", S_OK, 0},
        {u" + 7", S_OK, 7},
        {u"- 42", S_OK, -42},
        {u" ( 42 ) ", S_OK, -42},
        {u"4 2", DISP_E_TYPEMISMATCH, 0},
        {u"1 000", DISP_E_TYPEMISMATCH, 0},
        {u" ", DISP_E_TYPEMISMATCH, 0},
        {u"\t", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextThousandsSeparatorsAreSkippedAfterTheFirstDigit)
{
    expect_text_rows({
        {u"1,000", S_OK, 1000},
        {u"1,000,000", S_OK, 1000000},
        {u"-1,000", S_OK, -1000},
        {u"1,000.0", S_OK, 1000},
        {u"1,234.5", S_OK, 1234},
        {u"1,235.5", S_OK, 1236},
        {u"2,147,483,647", S_OK, long_max},
        {u"-2,147,483,648", S_OK, long_min},
        {u"2,147,483,648", DISP_E_OVERFLOW, 0},
        {u",1", DISP_E_TYPEMISMATCH, 0},
        {u",", DISP_E_TYPEMISMATCH, 0},
        {u" ,5", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextDecimalsRoundHalfToEven)
{
    expect_text_rows({
        {u"0.4", S_OK, 0},
        {u"0.5", S_OK, 0},
        {u"0.6", S_OK, 1},
        {u"1.5", S_OK, 2},
        {u"2.5", S_OK, 2},
        {u"3.5", S_OK, 4},
        {u"4.5", S_OK, 4},
        {u"-0.4", S_OK, 0},
        {u"-0.5", S_OK, 0},
        {u"-0.6", S_OK, -1},
        {u"-0.51", S_OK, -1},
        {u"-1.5", S_OK, -2},
        {u"-2.5", S_OK, -2},
        {u"-3.5", S_OK, -4},
        {u"0.49", S_OK, 0},
        {u"0.50", S_OK, 0},
        {u"0.500001", S_OK, 1},
        {u"0.10", S_OK, 0},
        {u"10.1", S_OK, 10},
        {u"2.4999999999", S_OK, 2},
        {u"2.5000000001", S_OK, 3},
        {u"2.50000000000000000000000000000000000000000000000000", S_OK, 2},
        {u"2.50000000000000000000000000000000000000000000000001", S_OK, 3},
        {u"3.00000000000000000000000000000000000000000000000000", S_OK, 3},
        {u"123.456", S_OK, 123},
        {u"-123.654", S_OK, -124},
        {u".5", S_OK, 0},
        {u".51", S_OK, 1},
        {u".49", S_OK, 0},
        {u"-.6", S_OK, -1},
        {u"5.", S_OK, 5},
        {u"1.", S_OK, 1},
        {u"0.", S_OK, 0},
        {u"0.0", S_OK, 0},
        {u"0.0000000000000000000000000000000000000000000000000", S_OK, 0},
        {u"2147483647.4", S_OK, long_max},
        {u"2147483647.49", S_OK, long_max},
        {u"2147483647.5", DISP_E_OVERFLOW, 0},
        {u"2147483646.5", S_OK, 2147483646},
        {u"-2147483648.5", S_OK, long_min},
        {u"-2147483648.51", DISP_E_OVERFLOW, 0},
        {u"-2147483647.5", S_OK, long_min},
        {u".", DISP_E_TYPEMISMATCH, 0},
        {u"-.", DISP_E_TYPEMISMATCH, 0},
        {u"1.1.", DISP_E_TYPEMISMATCH, 0},
        {u"1.2.3", DISP_E_TYPEMISMATCH, 0},
        {u"1..2", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextExponentsScaleBeforeRounding)
{
    expect_text_rows({
        {u"1e1", S_OK, 10},
        {u"1E1", S_OK, 10},
        {u"1e3", S_OK, 1000},
        {u"1e+3", S_OK, 1000},
        {u"1e+01", S_OK, 10},
        {u"1e0", S_OK, 1},
        {u"1e+0", S_OK, 1},
        {u"1e-0", S_OK, 1},
        {u"1e007", S_OK, 10000000},
        {u"5e-1", S_OK, 0},
        {u"15e-1", S_OK, 2},
        {u"25e-1", S_OK, 2},
        {u"35e-1", S_OK, 4},
        {u"-25e-1", S_OK, -2},
        {u"123e-2", S_OK, 1},
        {u"150e-2", S_OK, 2},
        {u"250e-2", S_OK, 2},
        {u"1.5e1", S_OK, 15},
        {u"2.5e0", S_OK, 2},
        {u"2.55e1", S_OK, 26},
        {u"2.45e1", S_OK, 24},
        {u"1.23456e3", S_OK, 1235},
        {u"1e9", S_OK, 1000000000},
        {u"2.147483647e9", S_OK, long_max},
        {u"2.1474836475e9", DISP_E_OVERFLOW, 0},
        {u"-2.147483648e9", S_OK, long_min},
        {u"-2.1474836485e9", S_OK, long_min},
        {u"1e10", DISP_E_OVERFLOW, 0},
        {u"1.5e20", DISP_E_OVERFLOW, 0},
        {u"1e400", DISP_E_OVERFLOW, 0},
        {u"0e10", S_OK, 0},
        {u"0e400", S_OK, 0},
        {u" 1e3 ", S_OK, 1000},
        {u"1e3-", S_OK, -1000},
        {u"1e", DISP_E_TYPEMISMATCH, 0},
        {u"1e+", DISP_E_TYPEMISMATCH, 0},
        {u"1e-", DISP_E_TYPEMISMATCH, 0},
        {u"1e ", DISP_E_TYPEMISMATCH, 0},
        {u"e5", DISP_E_TYPEMISMATCH, 0},
        {u"1e1.", DISP_E_TYPEMISMATCH, 0},
        {u"1e1.5", DISP_E_TYPEMISMATCH, 0},
        {u"1e1e1", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextHexAndOctalPrefixesGiveBitPatterns)
{
    expect_text_rows({
        {u"&H0", S_OK, 0},
        {u"&H10", S_OK, 16},
        {u"&h10", S_OK, 16},
        {u"&HFF", S_OK, 255},
        {u"&Hff", S_OK, 255},
        {u"&HF800", S_OK, 0xF800},
        {u"&h0abcd", S_OK, 0xABCD},
        {u"&H1e", S_OK, 30},
        {u"&H7FFFFFFF", S_OK, long_max},
        {u"&H80000000", S_OK, long_min},
        {u"&HFFFFFFFF", S_OK, -1},
        {u"&H00000000FFFFFFFE", S_OK, -2},
        {u"&H100000000", DISP_E_OVERFLOW, 0},
        {u"&HFFFFFFFFFFFFFFFF", DISP_E_OVERFLOW, 0},
        {u"&H10000000000000000", DISP_E_OVERFLOW, 0},
        {u" &H1F ", S_OK, 31},
        {u"&O0", S_OK, 0},
        {u"&O17", S_OK, 15},
        {u"&o17", S_OK, 15},
        {u"&O300", S_OK, 192},
        {u"&o0777", S_OK, 511},
        {u"&O17777777777", S_OK, long_max},
        {u"&O37777777777", S_OK, -1},
        {u"&O40000000000", DISP_E_OVERFLOW, 0},
        {u"&H", DISP_E_TYPEMISMATCH, 0},
        {u"&O", DISP_E_TYPEMISMATCH, 0},
        {u"&", DISP_E_TYPEMISMATCH, 0},
        {u"&HG", DISP_E_TYPEMISMATCH, 0},
        {u"&H1G", DISP_E_TYPEMISMATCH, 0},
        {u"&H 1", DISP_E_TYPEMISMATCH, 0},
        {u"&H1.0", DISP_E_TYPEMISMATCH, 0},
        {u"&O8", DISP_E_TYPEMISMATCH, 0},
        {u"&O78", DISP_E_TYPEMISMATCH, 0},
        {u"&B101", DISP_E_TYPEMISMATCH, 0},
        {u"0x10", DISP_E_TYPEMISMATCH, 0},
        {u"0x0", DISP_E_TYPEMISMATCH, 0},
        {u"0h", DISP_E_TYPEMISMATCH, 0},
        {u"FE", DISP_E_TYPEMISMATCH, 0},
        {u"1FH", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextThatIsNotANumberIsTypeMismatch)
{
    expect_text_rows({
        {u"", DISP_E_TYPEMISMATCH, 0},         {u"a", DISP_E_TYPEMISMATCH, 0},
        {u"abc", DISP_E_TYPEMISMATCH, 0},      {u"12abc", DISP_E_TYPEMISMATCH, 0},
        {u"abc12", DISP_E_TYPEMISMATCH, 0},    {u"12 abc", DISP_E_TYPEMISMATCH, 0},
        {u"one", DISP_E_TYPEMISMATCH, 0},      {u"true", DISP_E_TYPEMISMATCH, 0},
        {u"True", DISP_E_TYPEMISMATCH, 0},     {u"NaN", DISP_E_TYPEMISMATCH, 0},
        {u"Infinity", DISP_E_TYPEMISMATCH, 0}, {u"1/2", DISP_E_TYPEMISMATCH, 0},
        {u"1_000", DISP_E_TYPEMISMATCH, 0},    {u"1'000", DISP_E_TYPEMISMATCH, 0},
        {u"12%", DISP_E_TYPEMISMATCH, 0},      {u"#12", DISP_E_TYPEMISMATCH, 0},
        {u"--", DISP_E_TYPEMISMATCH, 0},       {u"\"12\"", DISP_E_TYPEMISMATCH, 0},
        {u"12\u00E9", DISP_E_TYPEMISMATCH, 0}, {u"\u00E912", DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, TextEndsAtItsFirstZeroUnit)
{
    expect_text_rows({
        {u"12\0"
         u"34"sv,
         S_OK, 12},
        {u"12\0"
         u"abc"sv,
         S_OK, 12},
        {u"\0"
         u"12"sv,
         DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, NullTextIsTypeMismatch)
{
    VARIANT source = of_type(VT_BSTR);
    source.bstrVal = nullptr;
    expect_long(source, DISP_E_TYPEMISMATCH, 0, "null BSTR");
}

// ---------------------------------------------------------------------------------------
// References.

TEST(VariantChangeTypeToLong, ReferencedValuesAreReadThroughTheReference)
{
    signed char i1_value = -7;
    BYTE ui1_value = 200;
    SHORT i2_value = -300;
    USHORT ui2_value = 60000;
    LONG i4_value = long_min;
    ULONG ui4_value = 0xFFFFFFFFu;
    INT int_value = 123456;
    UINT uint_value = 0x80000000u;
    LONGLONG i8_value = -2147483648LL;
    LONGLONG i8_big = 2147483648LL;
    ULONGLONG ui8_value = 2147483647ULL;
    float r4_value = 2.5f;
    double r8_value = 3.5;
    double r8_big = 3e9;
    DATE date_value = -2.5;
    CY cy_value;
    cy_value.int64 = 15000;
    DECIMAL decimal_value = make_decimal(1, DECIMAL_NEG, 0, 35);
    VARIANT_BOOL bool_value = VARIANT_TRUE;
    BSTR text = make_bstr(u" 1,234 ");
    BSTR bad_text = make_bstr(u"x");
    BSTR null_text = nullptr;

    expect_rows({
        {"I1 ref", by_ref(VT_I1, &i1_value), S_OK, -7},
        {"UI1 ref", by_ref(VT_UI1, &ui1_value), S_OK, 200},
        {"I2 ref", by_ref(VT_I2, &i2_value), S_OK, -300},
        {"UI2 ref", by_ref(VT_UI2, &ui2_value), S_OK, 60000},
        {"I4 ref", by_ref(VT_I4, &i4_value), S_OK, long_min},
        {"UI4 ref", by_ref(VT_UI4, &ui4_value), S_OK, -1},
        {"INT ref", by_ref(VT_INT, &int_value), S_OK, 123456},
        {"UINT ref", by_ref(VT_UINT, &uint_value), S_OK, long_min},
        {"I8 ref", by_ref(VT_I8, &i8_value), S_OK, long_min},
        {"I8 ref too large", by_ref(VT_I8, &i8_big), DISP_E_OVERFLOW, 0},
        {"UI8 ref", by_ref(VT_UI8, &ui8_value), S_OK, long_max},
        {"R4 ref", by_ref(VT_R4, &r4_value), S_OK, 2},
        {"R8 ref", by_ref(VT_R8, &r8_value), S_OK, 4},
        {"R8 ref too large", by_ref(VT_R8, &r8_big), DISP_E_OVERFLOW, 0},
        {"DATE ref", by_ref(VT_DATE, &date_value), S_OK, -2},
        {"CY ref", by_ref(VT_CY, &cy_value), S_OK, 2},
        {"DECIMAL ref", by_ref(VT_DECIMAL, &decimal_value), S_OK, -4},
        {"BOOL ref", by_ref(VT_BOOL, &bool_value), S_OK, -1},
        {"BSTR ref", by_ref(VT_BSTR, &text), S_OK, 1234},
        {"BSTR ref not a number", by_ref(VT_BSTR, &bad_text), DISP_E_TYPEMISMATCH, 0},
        {"BSTR ref to null text", by_ref(VT_BSTR, &null_text), DISP_E_TYPEMISMATCH, 0},
    });

    EXPECT_EQ(i8_value, -2147483648LL) << "reading through a reference never writes to it";
    EXPECT_EQ(bstr_text(text), u" 1,234 ") << "the referenced text still belongs to the caller";
    SysFreeString(text);
    SysFreeString(bad_text);
}

TEST(VariantChangeTypeToLong, NullReferencesAreTypeMismatch)
{
    expect_rows({
        {"I4 ref null", by_ref(VT_I4, nullptr), DISP_E_TYPEMISMATCH, 0},
        {"R8 ref null", by_ref(VT_R8, nullptr), DISP_E_TYPEMISMATCH, 0},
        {"BSTR ref null", by_ref(VT_BSTR, nullptr), DISP_E_TYPEMISMATCH, 0},
        {"VARIANT ref null", by_ref(VT_VARIANT, nullptr), DISP_E_TYPEMISMATCH, 0},
    });
}

TEST(VariantChangeTypeToLong, VariantReferencesAreFollowedOneLevel)
{
    VARIANT small = i2(-17);
    VARIANT text = text_value(u"(250)");
    VARIANT empty = of_type(VT_EMPTY);
    VARIANT null = of_type(VT_NULL);
    VARIANT big = r8(1e10);
    LONG referenced = 99;
    VARIANT to_long = by_ref(VT_I4, &referenced);
    VARIANT inner_variant_ref = by_ref(VT_VARIANT, &small);

    expect_rows({
        {"VARIANT ref to I2", by_ref(VT_VARIANT, &small), S_OK, -17},
        {"VARIANT ref to BSTR", by_ref(VT_VARIANT, &text), S_OK, -250},
        {"VARIANT ref to EMPTY", by_ref(VT_VARIANT, &empty), S_OK, 0},
        {"VARIANT ref to NULL", by_ref(VT_VARIANT, &null), DISP_E_TYPEMISMATCH, 0},
        {"VARIANT ref to R8 too large", by_ref(VT_VARIANT, &big), DISP_E_OVERFLOW, 0},
        {"VARIANT ref to I4 ref", by_ref(VT_VARIANT, &to_long), S_OK, 99},
        {"VARIANT ref to VARIANT ref", by_ref(VT_VARIANT, &inner_variant_ref), E_INVALIDARG, 0},
    });
    EXPECT_EQ(text.vt, VT_BSTR);
    VariantClear(&text);
}

// ---------------------------------------------------------------------------------------
// Objects: their value is the default member, read as a property.

TEST(VariantChangeTypeToLong, ObjectsGiveTheirDefaultValueConverted)
{
    ValueObject small(i2(7));
    ValueObject text(text_value(u" 1,000 "));
    ValueObject rounded(r8(2.5));
    ValueObject huge(r8(1e10));
    ValueObject nested_text(text_value(u"x"));

    VARIANT source = of_type(VT_DISPATCH);
    source.pdispVal = &small;
    expect_long(source, S_OK, 7, "object answering I2 7");
    source.pdispVal = &text;
    expect_long(source, S_OK, 1000, "object answering text");
    source.pdispVal = &rounded;
    expect_long(source, S_OK, 2, "object answering R8 2.5");
    source.pdispVal = &huge;
    expect_long(source, DISP_E_OVERFLOW, 0, "object answering R8 1e10");
    source.pdispVal = &nested_text;
    expect_long(source, DISP_E_TYPEMISMATCH, 0, "object answering text that is not a number");

    EXPECT_EQ(small.invocations, 1);
    EXPECT_EQ(small.last_member, DISPID_VALUE);
    EXPECT_EQ(small.last_flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(small.last_argument_count, 0u);
}

TEST(VariantChangeTypeToLong, ObjectWhoseDefaultValueFailsIsTypeMismatch)
{
    ValueObject failing(i4(1), DISP_E_MEMBERNOTFOUND);
    VARIANT source = of_type(VT_DISPATCH);
    source.pdispVal = &failing;
    expect_long(source, DISP_E_TYPEMISMATCH, 0, "object whose Invoke fails");
    EXPECT_EQ(failing.invocations, 1);
}

TEST(VariantChangeTypeToLong, ObjectReferenceCountEndsWhereItStarted)
{
    ValueObject object(i4(3));
    ValueObject failing(i4(1), E_FAIL);
    VARIANT source = of_type(VT_DISPATCH);
    source.pdispVal = &object;
    expect_long(source, S_OK, 3, "object");
    EXPECT_EQ(object.references, 1u);
    source.pdispVal = &failing;
    expect_long(source, DISP_E_TYPEMISMATCH, 0, "failing object");
    EXPECT_EQ(failing.references, 1u);
}

TEST(VariantChangeTypeToLong, ObjectByReferenceIsAskedForItsValueToo)
{
    ValueObject object(i4(-8));
    IDispatch* pointer = &object;
    expect_long(by_ref(VT_DISPATCH, &pointer), S_OK, -8, "DISPATCH ref");
    EXPECT_EQ(object.invocations, 1);
    EXPECT_EQ(object.references, 1u);
}

TEST(VariantChangeTypeToLong, NoValuePropFlagRefusesObjectsWithoutAskingThem)
{
    ValueObject object(i4(3));
    VARIANT source = of_type(VT_DISPATCH);
    source.pdispVal = &object;
    expect_long(source, DISP_E_TYPEMISMATCH, 0, "object with VARIANT_NOVALUEPROP", VARIANT_NOVALUEPROP);
    EXPECT_EQ(object.invocations, 0);
    EXPECT_EQ(object.references, 1u);
}

TEST(VariantChangeTypeToLong, NullObjectFailsAndLeavesTheDestination)
{
    VARIANT dest = i2(sentinel);
    VARIANT source = of_type(VT_DISPATCH);
    source.pdispVal = nullptr;
    EXPECT_TRUE(FAILED(VariantChangeType(&dest, &source, 0, VT_I4)));
    EXPECT_EQ(dest.vt, VT_I2);
    EXPECT_EQ(dest.iVal, sentinel);
}

// ---------------------------------------------------------------------------------------
// Destination handling.

TEST(VariantChangeType, InPlaceConversionReplacesTheTextWithItsValue)
{
    VARIANT value = text_value(u"  -1,234.5  ");
    ASSERT_EQ(hex(VariantChangeType(&value, &value, 0, VT_I4)), hex(S_OK));
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, -1234);
}

TEST(VariantChangeType, FailedInPlaceConversionKeepsTheText)
{
    VARIANT value = text_value(u"12 monkeys");
    BSTR const before = value.bstrVal;
    EXPECT_EQ(hex(VariantChangeType(&value, &value, 0, VT_I4)), hex(DISP_E_TYPEMISMATCH));
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(value.bstrVal, before);
    EXPECT_EQ(bstr_text(value.bstrVal), u"12 monkeys");
    VariantClear(&value);
}

TEST(VariantChangeType, InPlaceConversionOfAReferenceReplacesOnlyTheVariant)
{
    double referenced = 6.5;
    VARIANT value = by_ref(VT_R8, &referenced);
    ASSERT_EQ(hex(VariantChangeType(&value, &value, 0, VT_I4)), hex(S_OK));
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 6);
    EXPECT_EQ(referenced, 6.5);
}

TEST(VariantChangeType, SuccessReleasesWhatTheDestinationHeld)
{
    ValueObject held(i4(0));
    held.AddRef();
    VARIANT dest = of_type(VT_DISPATCH);
    dest.pdispVal = &held;
    VARIANT source = i2(5);
    ASSERT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_I4)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_I4);
    EXPECT_EQ(dest.lVal, 5);
    EXPECT_EQ(held.references, 1u) << "the destination's object reference was not released";
    EXPECT_EQ(held.invocations, 0);

    VARIANT text_dest = text_value(u"old");
    ASSERT_EQ(hex(VariantChangeType(&text_dest, &source, 0, VT_I4)), hex(S_OK));
    EXPECT_EQ(text_dest.vt, VT_I4); // the old text is freed (the leak checker would notice)
}

TEST(VariantChangeType, FailureLeavesTheDestinationAndWhatItHolds)
{
    ValueObject held(i4(0));
    held.AddRef();
    VARIANT dest = of_type(VT_DISPATCH);
    dest.pdispVal = &held;
    VARIANT source = text_value(u"not a number");
    EXPECT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_I4)), hex(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(dest.vt, VT_DISPATCH);
    EXPECT_EQ(dest.pdispVal, &held);
    EXPECT_EQ(held.references, 2u);

    VARIANT text_dest = text_value(u"kept");
    BSTR const before = text_dest.bstrVal;
    VARIANT overflowing = r8(1e20);
    EXPECT_EQ(hex(VariantChangeType(&text_dest, &overflowing, 0, VT_I4)), hex(DISP_E_OVERFLOW));
    EXPECT_EQ(text_dest.vt, VT_BSTR);
    EXPECT_EQ(text_dest.bstrVal, before);
    EXPECT_EQ(bstr_text(text_dest.bstrVal), u"kept");

    VariantClear(&dest);
    EXPECT_EQ(held.references, 1u);
    VariantClear(&text_dest);
    VariantClear(&source);
}

// ---------------------------------------------------------------------------------------
// Other destination types.

TEST(VariantChangeType, IntAndLongAreTheSameValueUnderTheRequestedType)
{
    VARIANT dest;
    VariantInit(&dest);
    VARIANT source = i4(-5);
    ASSERT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_INT)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_INT);
    EXPECT_EQ(dest.intVal, -5);

    source = int_(77);
    ASSERT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_I4)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_I4);
    EXPECT_EQ(dest.lVal, 77);

    VARIANT text = text_value(u"2.5");
    ASSERT_EQ(hex(VariantChangeType(&dest, &text, 0, VT_INT)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_INT);
    EXPECT_EQ(dest.intVal, 2);
    VariantClear(&text);
}

TEST(VariantChangeType, SameTypeMakesAnIndependentCopy)
{
    VARIANT source = text_value(u"a\0b"sv);
    VARIANT dest;
    VariantInit(&dest);
    ASSERT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_BSTR)), hex(S_OK));
    ASSERT_EQ(dest.vt, VT_BSTR);
    EXPECT_NE(dest.bstrVal, source.bstrVal);
    EXPECT_EQ(SysStringLen(dest.bstrVal), 3u);
    EXPECT_EQ(bstr_text(dest.bstrVal), u"a\0b"sv);
    VariantClear(&dest);
    VariantClear(&source);

    ValueObject object(i4(1));
    VARIANT object_source = of_type(VT_DISPATCH);
    object_source.pdispVal = &object;
    ASSERT_EQ(hex(VariantChangeType(&dest, &object_source, 0, VT_DISPATCH)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_DISPATCH);
    EXPECT_EQ(dest.pdispVal, &object);
    EXPECT_EQ(object.references, 2u);
    EXPECT_EQ(object.invocations, 0);
    VariantClear(&dest);
    EXPECT_EQ(object.references, 1u);
}

TEST(VariantChangeType, ObjectBecomesItsUnknownInterface)
{
    ValueObject object(i4(1));
    VARIANT source = of_type(VT_DISPATCH);
    source.pdispVal = &object;
    VARIANT dest;
    VariantInit(&dest);
    ASSERT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_UNKNOWN)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_UNKNOWN);
    EXPECT_EQ(dest.punkVal, static_cast<IUnknown*>(&object));
    EXPECT_EQ(object.references, 2u);
    EXPECT_EQ(object.invocations, 0);
    VariantClear(&dest);
    EXPECT_EQ(object.references, 1u);
}

TEST(VariantChangeType, PlainValuesCanBeDroppedToEmptyOrNull)
{
    VARIANT dest;
    VariantInit(&dest);
    VARIANT source = i4(5);
    EXPECT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_EMPTY)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_EMPTY);
    EXPECT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_NULL)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_NULL);

    VARIANT text = text_value(u"abc");
    EXPECT_EQ(hex(VariantChangeType(&dest, &text, 0, VT_EMPTY)), hex(S_OK));
    EXPECT_EQ(dest.vt, VT_EMPTY);
    VariantClear(&text);

    VARIANT null = of_type(VT_NULL);
    dest = i2(sentinel);
    EXPECT_EQ(hex(VariantChangeType(&dest, &null, 0, VT_EMPTY)), hex(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(dest.vt, VT_I2);
    VARIANT code = error(E_FAIL);
    EXPECT_EQ(hex(VariantChangeType(&dest, &code, 0, VT_EMPTY)), hex(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(dest.vt, VT_I2);
}

TEST(VariantChangeType, IntegersBecomeTheirDecimalText)
{
    struct Case {
        VARIANT source;
        std::u16string_view text;
    };
    Case const cases[] = {
        {i4(42), u"42"},
        {i4(0), u"0"},
        {i4(-7), u"-7"},
        {i4(long_min), u"-2147483648"},
        {i4(long_max), u"2147483647"},
        {i1(-128), u"-128"},
        {ui1(255), u"255"},
        {i2(-32768), u"-32768"},
        {ui2(65535), u"65535"},
        {ui4(4294967295u), u"4294967295"},
        {int_(-1), u"-1"},
        {uint_(4000000000u), u"4000000000"},
        {i8(std::numeric_limits<LONGLONG>::min()), u"-9223372036854775808"},
        {ui8(std::numeric_limits<ULONGLONG>::max()), u"18446744073709551615"},
        {of_type(VT_EMPTY), u""},
    };
    for (Case const& c : cases) {
        VARIANT dest = i2(sentinel);
        VARIANT source = c.source;
        ASSERT_EQ(hex(VariantChangeType(&dest, &source, 0, VT_BSTR)), hex(S_OK)) << printable(c.text);
        ASSERT_EQ(dest.vt, VT_BSTR);
        ASSERT_NE(dest.bstrVal, nullptr) << "even empty text is a string";
        EXPECT_EQ(bstr_text(dest.bstrVal), c.text);
        VariantClear(&dest);
    }
}

TEST(VariantChangeType, TargetsThatCannotHoldTheValueAreTypeMismatch)
{
    for (VARTYPE const vt : {VARTYPE(VT_ERROR), VARTYPE(VT_VARIANT), VARTYPE(VT_RECORD), VARTYPE(VT_DISPATCH),
                             VARTYPE(VT_UNKNOWN), VARTYPE(VT_I4 | VT_BYREF), VARTYPE(VT_I4 | VT_ARRAY)}) {
        VARIANT dest = i2(sentinel);
        VARIANT source = i4(1);
        EXPECT_EQ(hex(VariantChangeType(&dest, &source, 0, vt)), hex(DISP_E_TYPEMISMATCH)) << "vt " << vt;
        EXPECT_EQ(dest.vt, VT_I2);
    }
}

TEST(VariantChangeType, InvalidTargetTypesAreBadVarType)
{
    for (VARTYPE const vt :
         {VARTYPE(15), VARTYPE(VT_VOID), VARTYPE(VT_HRESULT), VARTYPE(VT_PTR), VARTYPE(VT_SAFEARRAY),
          VARTYPE(VT_CARRAY), VARTYPE(VT_USERDEFINED), VARTYPE(VT_LPSTR), VARTYPE(VT_LPWSTR), VARTYPE(VT_INT_PTR),
          VARTYPE(VT_UINT_PTR), VARTYPE(64), VARTYPE(72), VARTYPE(VT_EMPTY | VT_BYREF), VARTYPE(VT_NULL | VT_ARRAY)}) {
        VARIANT dest = i2(sentinel);
        VARIANT source = i4(1);
        EXPECT_EQ(hex(VariantChangeType(&dest, &source, 0, vt)), hex(DISP_E_BADVARTYPE)) << "vt " << vt;
        EXPECT_EQ(dest.vt, VT_I2);
    }
}

} // namespace
