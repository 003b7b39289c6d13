// QmtEnvironment: the one object handed to the user's method. Through it the method reads
// the request (ServerItems, CustomItems) and writes the response; it owns the output
// channel, the error state and the open template.
#pragma once

#include "environment/early_bound.h"
#include "environment/item_collection.h"
#include "environment/output_channel.h"
#include "quillmate/interfaces.h"
#include "report/error_state.h"
#include "template/template_state.h"

namespace qmt {

class Environment final : public EarlyBound<::QmtEnvironment> {
public:
    // A new environment with one reference and two empty collections; null when memory is short.
    static Environment* create();

    ServerItemCollection* server_items() const { return m_server_items; }
    CustomItemCollection* custom_items() const { return m_custom_items; }
    ErrorState& error_state() { return m_error_state; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

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
    Environment();
    ~Environment();

    ULONG m_references {1};
    ServerItemCollection* m_server_items {nullptr};
    CustomItemCollection* m_custom_items {nullptr};
    OutputChannel m_channel;
    TemplateState m_template;
    ErrorState m_error_state;
};

} // namespace qmt
