#include "platform/fault_handler.h"

#include <windows.h>

namespace qmt::platform {
namespace {

FaultReport installed_report = nullptr;

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* exception)
{
    if (installed_report != nullptr)
        installed_report(exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void install_fault_handler(FaultReport report)
{
    installed_report = report;
    SetUnhandledExceptionFilter(on_unhandled_exception);
}

} // namespace qmt::platform
