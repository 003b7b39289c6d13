#include "environment/environment.h"

#include "common/text_conversion.h"
#include "environment/sleep_pause.h"
#include "platform/heap.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

#include <new>
#include <utility>

namespace qmt {

Environment* Environment::create()
{
    void* storage = platform::heap_allocate(sizeof(Environment));
    if (storage == nullptr)
        return nullptr;
    auto* environment = new (storage) Environment;
    if (environment->m_server_items == nullptr || environment->m_custom_items == nullptr) {
        // Nothing may be reached through a missing collection: no environment at all.
        environment->Release();
        return nullptr;
    }
    return environment;
}

Environment::Environment()
    : m_server_items(ServerItemCollection::create(m_error_state))
    , m_custom_items(CustomItemCollection::create(m_error_state))
{
}

Environment::~Environment()
{
    if (m_server_items != nullptr)
        m_server_items->Release();
    if (m_custom_items != nullptr)
        m_custom_items->Release();
    // An open template is closed and its fields freed; nothing of it is written.
    m_template.discard();
    // Destruction only closes the output file: bytes written so far stay in it.
    m_channel.redirect_to(platform::File {});
}

HRESULT STDMETHODCALLTYPE Environment::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_QmtEnvironment))
        return E_NOINTERFACE;
    *object = static_cast<::QmtEnvironment*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE Environment::AddRef() { return ++m_references; }

ULONG STDMETHODCALLTYPE Environment::Release()
{
    ULONG const remaining = --m_references;
    if (remaining == 0) {
        this->~Environment();
        platform::heap_free(this);
    }
    return remaining;
}

HRESULT STDMETHODCALLTYPE Environment::get_ServerItems(::ServerItems** ppServerItems)
{
    if (ppServerItems == nullptr)
        return E_POINTER;
    m_server_items->AddRef();
    *ppServerItems = m_server_items;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::get_CustomItems(::CustomItems** ppCustomItems)
{
    if (ppCustomItems == nullptr)
        return E_POINTER;
    m_custom_items->AddRef();
    *ppCustomItems = m_custom_items;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::SendString(BSTR Response, VARIANT* Sleep)
{
    if (m_error_state.is_set())
        return E_FAIL;
    if (wide_is_empty(Response))
        return S_OK;
    NarrowText const text = narrow_from_wide(Response);
    if (!text.bytes)
        return E_OUTOFMEMORY;
    m_channel.write(text.bytes.get(), text.length);
    m_channel.flush_standard_output_unless_redirected();
    sleep_pause(Sleep);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::SendFile(BSTR Filename, VARIANT* Sleep)
{
    if (m_error_state.is_set())
        return E_FAIL;
    NarrowText const name = narrow_from_wide(Filename);
    if (!name.bytes)
        return E_OUTOFMEMORY;
    platform::File file = platform::File::open_for_reading(name.bytes.get());
    if (!file.is_open()) {
        report_error(m_error_state, message::FileNotOpened, Filename);
        return E_INVALIDARG;
    }
    std::uint64_t const length = file.size().value_or(0);
    // An empty file has nothing to map and nothing to send.
    if (length > 0) {
        platform::FileView const view = platform::FileView::map_read_only(file, length);
        file.close();
        if (!view.is_mapped())
            return E_OUTOFMEMORY;
        m_channel.write(view.data(), view.length());
    }
    m_channel.flush_standard_output_unless_redirected();
    sleep_pause(Sleep);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::OpenTemplate(BSTR Filename) { return m_template.open(Filename, m_error_state); }

HRESULT STDMETHODCALLTYPE Environment::SendTemplate(BSTR Placeholder, BSTR Replacement)
{
    return m_template.send(Placeholder, Replacement, m_error_state);
}

HRESULT STDMETHODCALLTYPE Environment::BeginSection(BSTR SectionName)
{
    return m_template.begin_section(SectionName, m_error_state);
}

HRESULT STDMETHODCALLTYPE Environment::EndSection() { return m_template.end_section(m_error_state); }

HRESULT STDMETHODCALLTYPE Environment::CloseTemplate(VARIANT* Sleep)
{
    auto write = [this](void const* bytes, std::uint64_t length) { m_channel.write(bytes, length); };
    TemplateClose const outcome = m_template.close(ByteSink(write), m_error_state);
    if (outcome == TemplateClose::not_read)
        return E_FAIL;
    m_channel.flush_standard_output_unless_redirected();
    sleep_pause(Sleep);
    return outcome == TemplateClose::written ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE Environment::OpenOutputFile(BSTR Filename)
{
    if (m_channel.has_output_file()) {
        report_error(m_error_state, message::OutputFileAlreadyOpen, Filename);
        return E_INVALIDARG;
    }
    NarrowText const name = narrow_from_wide(Filename);
    if (!name.bytes)
        return E_OUTOFMEMORY;
    platform::File file = platform::File::create_for_writing(name.bytes.get());
    if (!file.is_open()) {
        report_error(m_error_state, message::OutputFileNotCreated, Filename);
        return E_INVALIDARG;
    }
    m_channel.redirect_to(std::move(file));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::CloseOutputFile()
{
    m_channel.close_output_file();
    return S_OK;
}

} // namespace qmt
