// QmtEnvironment: the one object handed to the user's method. Through it the method reads
// the request (ServerItems, CustomItems) and writes the response; it owns the output
// channel, the error state and the open template.
#pragma once

#include "common/object_heap.h"
#include "environment/item_collection.h"
#include "environment/output_channel.h"
#include "platform/file.h"
#include "quillmate/interfaces.h"
#include "quillmate/object.h"
#include "quillmate/ref.h"
#include "report/error_state.h"
#include "template/template_state.h"

namespace qmt {

class Environment final
    : public quillmate::EarlyBoundObject<
          Environment, quillmate::Answers<::QmtEnvironment, IID_IUnknown, IID_IDispatch, IID_QmtEnvironment>> {
public:
    using Heap = ObjectHeap;

    // A new environment with one reference and two empty collections, answering on
    // `response`; null when memory is short.
    static Environment* create(Response response = {});

    ServerItemCollection* server_items() const { return m_server_items.get(); }
    CustomItemCollection* custom_items() const { return m_custom_items.get(); }
    ErrorState& error_state() { return m_error_state; }

    HRESULT STDMETHODCALLTYPE get_ServerItems(::ServerItems** ppServerItems) override;
    HRESULT STDMETHODCALLTYPE get_CustomItems(::CustomItems** ppCustomItems) override;
    HRESULT STDMETHODCALLTYPE SendString(BSTR Response, VARIANT* Sleep) override;
    HRESULT STDMETHODCALLTYPE SendFile(BSTR Filename, VARIANT* Sleep) override;
    HRESULT STDMETHODCALLTYPE OpenTemplate(BSTR Filename) override;
    HRESULT STDMETHODCALLTYPE SendTemplate(BSTR Placeholder, BSTR Replacement) override;
    HRESULT STDMETHODCALLTYPE BeginSection(BSTR SectionName) override;
    HRESULT STDMETHODCALLTYPE EndSection() override;
    HRESULT STDMETHODCALLTYPE CloseTemplate(VARIANT* Sleep) override;
    HRESULT STDMETHODCALLTYPE OpenOutputFile(BSTR Filename) override;
    HRESULT STDMETHODCALLTYPE CloseOutputFile() override;

private:
    friend quillmate::Access;
    Environment();
    ~Environment();

    // Opens the file a caller names with `open`, given the name in the ANSI code page: 0,
    // E_OUTOFMEMORY when the name cannot be converted, or E_INVALIDARG after reporting
    // `failure_message` with the name when the file does not open.
    HRESULT open_named_file(BSTR Filename, platform::File (*open)(char const*), std::uint32_t failure_message,
                            platform::File& file);

    quillmate::Ref<ServerItemCollection> m_server_items;
    quillmate::Ref<CustomItemCollection> m_custom_items;
    OutputChannel m_channel;
    TemplateState m_template;
    ErrorState m_error_state;
};

} // namespace qmt
