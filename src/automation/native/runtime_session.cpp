#include "automation/native/runtime_session.h"

namespace qmt::runtime {

HRESULT RuntimeSession::initialize()
{
    ++m_initializations;
    return m_initializations == 1 ? S_OK : S_FALSE;
}

void RuntimeSession::uninitialize()
{
    if (m_initializations == 0)
        return;
    if (--m_initializations == 0)
        m_libraries.unload_all();
}

RuntimeSession& runtime_session()
{
    static RuntimeSession session;
    return session;
}

} // namespace qmt::runtime

QMT_RUNTIME_EXPORT HRESULT CoInitialize(LPVOID) { return qmt::runtime::runtime_session().initialize(); }

QMT_RUNTIME_EXPORT void CoUninitialize() { qmt::runtime::runtime_session().uninitialize(); }
