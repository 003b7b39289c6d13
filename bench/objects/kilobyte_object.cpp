// The object that the request-cost benchmark calls: the class Bench.Kilobyte with one
// method, Send, which writes a 1 KB page in one SendString. It is kept as lean as a real
// object could be (no C++ runtime, no allocation, no static initialisation) so that the
// benchmark measures the gateway and not the object.
#include "bench/kilobyte_page.h"
#include "bench/objects/send_object.h"

#ifdef QMT_BENCH_USES_CXX_RUNTIME
#    include <string>
#endif

namespace {

// {58481A62-C72E-4F5F-84F6-5C400EF717FC}
constexpr CLSID CLSID_BenchKilobyte = {0x58481a62, 0xc72e, 0x4f5f, {0x84, 0xf6, 0x5c, 0x40, 0x0e, 0xf7, 0x17, 0xfc}};

constexpr OLECHAR page[] = u"" QMT_BENCH_KILOBYTE_PAGE;

HRESULT send_page(QmtEnvironment* environment)
{
#ifdef QMT_BENCH_USES_CXX_RUNTIME
    // The variants that weigh the C++ runtime's cost use it, as an ordinary C++ object would.
    std::u16string const copy(page);
    BSTR text = SysAllocStringLen(copy.data(), static_cast<UINT>(copy.size()));
#else
    BSTR text = SysAllocStringLen(page, sizeof page / sizeof page[0] - 1);
#endif
    if (text == nullptr)
        return E_OUTOFMEMORY;
    HRESULT const status = environment->SendString(text, nullptr);
    SysFreeString(text);
    return status;
}

using Kilobyte = bench::SendObject<send_page>;

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                                           void** object)
{
    return quillmate::get_class_object<Kilobyte>(clsid, CLSID_BenchKilobyte, riid, object);
}
