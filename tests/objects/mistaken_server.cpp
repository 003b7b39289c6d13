// In-process servers built wrong in the ways an object's author may, one library per mistake,
// for the end-to-end rows that check what the gateway says about each on standard error:
//   QMT_MISTAKE_NO_EXPORT   DllGetClassObject is not exported (left with hidden visibility)
//   QMT_MISTAKE_MANGLED     DllGetClassObject without extern "C": exported under its C++ name
//   QMT_MISTAKE_UNRESOLVED  needs a function that no library defines: loading fails
#include "quillmate/com_abi.h"

#if defined(QMT_MISTAKE_NO_EXPORT)
#    define SERVER_ENTRY extern "C" __attribute__((visibility("hidden")))
#elif defined(QMT_MISTAKE_MANGLED)
#    define SERVER_ENTRY __attribute__((visibility("default")))
#else
#    define SERVER_ENTRY extern "C" __attribute__((visibility("default")))
extern "C" HRESULT qmt_function_nobody_defines();
#endif

SERVER_ENTRY HRESULT DllGetClassObject(REFCLSID, REFIID, void** object)
{
    *object = nullptr;
#ifdef QMT_MISTAKE_UNRESOLVED
    return qmt_function_nobody_defines();
#else
    return CLASS_E_CLASSNOTAVAILABLE;
#endif
}
