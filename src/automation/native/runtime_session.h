// The runtime's per-process state between CoInitialize and the last CoUninitialize: how
// often it was initialised and the in-process server libraries loaded meanwhile. The
// process has one thread, so nothing is locked.
#pragma once

#include "automation/native/loaded_libraries.h"
#include "quillmate/com_abi.h"

namespace qmt::runtime {

class RuntimeSession {
public:
    // S_OK the first time, S_FALSE when already initialised (each call needs its own
    // uninitialize, as on Windows).
    HRESULT initialize();
    // The call that balances the first initialize unloads the libraries; extra calls do nothing.
    void uninitialize();
    bool is_initialized() const { return m_initializations > 0; }
    LoadedLibraries& libraries() { return m_libraries; }

private:
    unsigned m_initializations {0};
    LoadedLibraries m_libraries;
};

RuntimeSession& runtime_session();

} // namespace qmt::runtime
