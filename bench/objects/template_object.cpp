// The object of the worked-example request: the class Bench.Template with one method,
// Send, which writes a header line and fills the template bench/worked_example.htm (a
// title, then a section of two rows of two fields) and closes it. Like Bench.Kilobyte it
// needs nothing of the C++ runtime, so that the benchmark measures the gateway.
#include "bench/objects/send_object.h"
#include "bench/worked_example_page.h"
#include "quillmate/helpers.h"

namespace {

// {6F1D2A0C-3B7E-4C55-9A61-2E8D5B7C4F13}
constexpr CLSID CLSID_BenchTemplate = {0x6f1d2a0c, 0x3b7e, 0x4c55, {0x9a, 0x61, 0x2e, 0x8d, 0x5b, 0x7c, 0x4f, 0x13}};

// Each call's automation strings are made for it and freed after it (the temporaries end
// with the statement), as a caller written in Basic has them.
using quillmate::Text;

HRESULT send_template(QmtEnvironment* environment, OLECHAR const* placeholder, OLECHAR const* replacement)
{
    return environment->SendTemplate(Text::copy(placeholder).get(), Text::copy(replacement).get());
}

HRESULT send_page(QmtEnvironment* environment)
{
    HRESULT status = environment->SendString(Text::copy(u"" QMT_BENCH_WORKED_EXAMPLE_HEADER).get(), nullptr);
    if (status == S_OK)
        status = environment->OpenTemplate(Text::copy(u"" QMT_BENCH_TEMPLATE_PATH).get());
    if (status == S_OK)
        status = send_template(environment, u"title", u"Price list");
    if (status == S_OK)
        status = environment->BeginSection(Text::copy(u"rows").get());
    OLECHAR const* const rows[][2] = {{u"Tea", u"3"}, {u"Coffee", u"4"}};
    for (auto const& row : rows) {
        if (status == S_OK)
            status = send_template(environment, u"name", row[0]);
        if (status == S_OK)
            status = send_template(environment, u"price", row[1]);
    }
    if (status == S_OK)
        status = environment->EndSection();
    if (status == S_OK)
        status = environment->CloseTemplate(nullptr);
    return status;
}

using Template = bench::SendObject<send_page>;

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                                           void** object)
{
    return quillmate::get_class_object<Template>(clsid, CLSID_BenchTemplate, riid, object);
}
