#include "environment/environment.h"

#include "common/text_conversion.h"
#include "environment/sleep_pause.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

#include <utility>

namespace qmt {

Environment* Environment::create(Response response)
{
    Environment* environment = EarlyBoundObject::create();
    if (environment == nullptr)
        return nullptr;
    environment->m_error_state.answer_on(response);
    environment->m_channel.answer_on(response);
    if (!environment->m_server_items || !environment->m_custom_items) {
        // Nothing may be reached through a missing collection: no environment at all.
        environment->Release();
        return nullptr;
    }
    return environment;
}

Environment::Environment()
    : m_server_items(quillmate::Ref<ServerItemCollection>::adopt(ServerItemCollection::create(m_error_state)))
    , m_custom_items(quillmate::Ref<CustomItemCollection>::adopt(CustomItemCollection::create(m_error_state)))
{
}

Environment::~Environment()
{
    // Collections (and their copies) that callers still hold must not report through an
    // environment that is gone.
    if (m_server_items)
        m_server_items->owner_gone();
    if (m_custom_items)
        m_custom_items->owner_gone();
    m_server_items.reset();
    m_custom_items.reset();
    // An open template is closed and its fields freed; nothing of it is written.
    m_template.discard();
    // Destruction only closes the output file: bytes written so far stay in it.
    m_channel.redirect_to(platform::File {});
}

HRESULT Environment::open_named_file(BSTR Filename, platform::File (*open)(char const*), std::uint32_t failure_message,
                                     platform::File& file)
{
    NarrowText const name = narrow_from_wide(Filename);
    if (!name.bytes)
        return E_OUTOFMEMORY;
    file = open(name.bytes.get());
    if (!file.is_open()) {
        // The line on standard error says why: the system's words on the path.
        char why[256];
        std::size_t const length = platform::describe_open_failure(name.bytes.get(), why, sizeof why);
        DiagnosticText cause;
        cause.add(open == &platform::File::create_for_writing ? "create " : "open ").add_quoted(Filename);
        report_error(m_error_state, failure_message, Filename, cause.add(": ").add(std::string_view(why, length)));
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::get_ServerItems(::ServerItems** ppServerItems)
{
    if (ppServerItems == nullptr)
        return E_POINTER;
    m_server_items->AddRef();
    *ppServerItems = m_server_items.get();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::get_CustomItems(::CustomItems** ppCustomItems)
{
    if (ppCustomItems == nullptr)
        return E_POINTER;
    m_custom_items->AddRef();
    *ppCustomItems = m_custom_items.get();
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
    m_channel.flush_response_unless_redirected();
    sleep_pause(Sleep, m_channel.response());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::SendFile(BSTR Filename, VARIANT* Sleep)
{
    if (m_error_state.is_set())
        return E_FAIL;
    platform::File file;
    HRESULT const opened = open_named_file(Filename, &platform::File::open_for_reading, message::FileNotOpened, file);
    if (opened != S_OK)
        return opened;
    // An empty file has nothing to send. A file is sent piece by piece whatever its size;
    // when a piece cannot be mapped, the rest of the file is not sent.
    if (m_channel.send_file(file, file.size().value_or(0)) == FileSent::not_mapped)
        return E_OUTOFMEMORY;
    m_channel.flush_response_unless_redirected();
    sleep_pause(Sleep, m_channel.response());
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
    m_channel.flush_response_unless_redirected();
    sleep_pause(Sleep, m_channel.response());
    return outcome == TemplateClose::written ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE Environment::OpenOutputFile(BSTR Filename)
{
    if (m_channel.has_output_file()) {
        report_error(m_error_state, message::OutputFileAlreadyOpen, Filename);
        return E_INVALIDARG;
    }
    platform::File file;
    HRESULT const created
        = open_named_file(Filename, &platform::File::create_for_writing, message::OutputFileNotCreated, file);
    if (created != S_OK)
        return created;
    m_channel.redirect_to(std::move(file));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Environment::CloseOutputFile()
{
    m_channel.close_output_file();
    return S_OK;
}

} // namespace qmt
