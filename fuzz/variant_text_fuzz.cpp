// Arbitrary bytes through VariantChangeType to VT_I4, mostly as runtime text. Beyond what
// the sanitizers catch, every answer must be one the runtime gives, a failure must leave
// the destination alone, and the same value must convert the same way however it is
// passed: in place, by reference, through a variant reference, padded with blanks, or as
// an object's default value.
#include "automation/automation.h"
#include "quillmate/object.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr SHORT sentinel = 0x5A5A;

struct Answer {
    HRESULT status;
    LONG value;
    bool operator==(Answer const&) const = default;
};

[[noreturn]] void fail() { std::abort(); }

void check(bool condition)
{
    if (!condition)
        fail();
}

bool is_runtime_answer(HRESULT status)
{
    return status == S_OK || status == DISP_E_TYPEMISMATCH || status == DISP_E_OVERFLOW || status == E_INVALIDARG;
}

// Converts into a destination holding a sentinel; a failure must leave it untouched.
Answer convert(VARIANT& source)
{
    VARIANT dest;
    VariantInit(&dest);
    dest.vt = VT_I2;
    dest.iVal = sentinel;
    HRESULT const status = VariantChangeType(&dest, &source, 0, VT_I4);
    check(is_runtime_answer(status));
    if (FAILED(status)) {
        check(dest.vt == VT_I2 && dest.iVal == sentinel);
        return {status, 0};
    }
    check(dest.vt == VT_I4);
    return {status, dest.lVal};
}

// An object whose default value is a fixed variant.
class ValueObject final
    : public quillmate::EarlyBoundObject<ValueObject, quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        return VariantCopy(result, &value_);
    }

private:
    friend quillmate::Access;
    explicit ValueObject(const VARIANT& value)
        : value_(value)
    {
    }

    const VARIANT& value_;
};

// Every way of passing the same value must give the same answer.
Answer convert_every_way(VARIANT& source)
{
    Answer const direct = convert(source);

    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_VARIANT | VT_BYREF;
    reference.pvarVal = &source;
    check(convert(reference) == direct);

    if (source.vt == VT_BSTR) {
        VARIANT text_reference;
        VariantInit(&text_reference);
        text_reference.vt = VT_BSTR | VT_BYREF;
        text_reference.pbstrVal = &source.bstrVal;
        check(convert(text_reference) == direct);
    }

    ValueObject* object = ValueObject::create(source);
    check(object != nullptr);
    VARIANT dispatch;
    VariantInit(&dispatch);
    dispatch.vt = VT_DISPATCH;
    dispatch.pdispVal = object;
    Answer const through_object = convert(dispatch);
    check(through_object == direct);
    // The conversion gave back every reference it took: this one is the last.
    check(object->Release() == 0);

    // In place last: it consumes the source on success.
    VARIANT copy;
    VariantInit(&copy);
    check(VariantCopy(&copy, &source) == S_OK);
    HRESULT const status = VariantChangeType(&copy, &copy, 0, VT_I4);
    check(status == direct.status);
    if (SUCCEEDED(status))
        check(copy.vt == VT_I4 && copy.lVal == direct.value);
    else
        check(copy.vt == source.vt);
    VariantClear(&copy);
    return direct;
}

void fuzz_text(const OLECHAR* units, std::size_t count)
{
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(units, static_cast<UINT>(count));
    check(source.bstrVal != nullptr);
    Answer const plain = convert_every_way(source);

    // Blanks before and after a text never change what it says.
    std::vector<OLECHAR> padded;
    padded.push_back(static_cast<OLECHAR>(u' '));
    padded.insert(padded.end(), units, units + count);
    padded.push_back(static_cast<OLECHAR>(u'\t'));
    BSTR const padded_text = SysAllocStringLen(padded.data(), static_cast<UINT>(padded.size()));
    VARIANT padded_source;
    VariantInit(&padded_source);
    padded_source.vt = VT_BSTR;
    padded_source.bstrVal = padded_text;
    check(convert(padded_source) == plain);

    VariantClear(&padded_source);
    VariantClear(&source);
}

template<typename T>
T read(std::uint8_t const* data, std::size_t size)
{
    T value {};
    std::memcpy(&value, data, size < sizeof value ? size : sizeof value);
    return value;
}

void fuzz_number(std::uint8_t kind, std::uint8_t const* data, std::size_t size)
{
    VARIANT source;
    VariantInit(&source);
    switch (kind % 8) {
    case 0:
        source.vt = VT_R8;
        source.dblVal = read<double>(data, size);
        break;
    case 1:
        source.vt = VT_R4;
        source.fltVal = read<float>(data, size);
        break;
    case 2:
        source.vt = VT_DATE;
        source.date = read<double>(data, size);
        break;
    case 3:
        source.vt = VT_CY;
        source.cyVal.int64 = read<LONGLONG>(data, size);
        break;
    case 4:
        source.decVal = read<DECIMAL>(data, size);
        source.vt = VT_DECIMAL;
        break;
    case 5:
        source.vt = VT_I8;
        source.llVal = read<LONGLONG>(data, size);
        break;
    case 6:
        source.vt = VT_UI8;
        source.ullVal = read<ULONGLONG>(data, size);
        break;
    default:
        source.vt = VT_UI4;
        source.ulVal = read<ULONG>(data, size);
        break;
    }
    convert_every_way(source);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::uint8_t const mode = data[0];
    ++data;
    --size;

    if ((mode & 0xC0) == 0xC0) {
        fuzz_number(mode, data, size);
        return 0;
    }
    std::vector<OLECHAR> units;
    if ((mode & 1) == 0) {
        // One unit per byte: the number grammar is all ASCII, so this finds it quickly.
        for (std::size_t i = 0; i < size; ++i)
            units.push_back(static_cast<OLECHAR>(data[i]));
    } else {
        // Little-endian UTF-16, any unit at all (zeros and lone surrogates included).
        for (std::size_t i = 0; i + 1 < size; i += 2)
            units.push_back(static_cast<OLECHAR>(data[i] | (data[i + 1] << 8)));
    }
    fuzz_text(units.data(), units.size());
    return 0;
}
