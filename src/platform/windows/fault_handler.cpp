#include "platform/fault_handler.h"

#include <windows.h>

namespace qmt::platform {
namespace {

FaultReport installed_report = nullptr;

char const* name_of(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
        return "access violation";
    case EXCEPTION_STACK_OVERFLOW:
        return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
        return "illegal instruction";
    case EXCEPTION_IN_PAGE_ERROR:
        return "page not read in";
    case EXCEPTION_BREAKPOINT:
        return "breakpoint";
    default:
        return nullptr;
    }
}

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* pointers)
{
    // "exception 0xC0000005 (access violation)"
    DWORD const code
        = pointers != nullptr && pointers->ExceptionRecord != nullptr ? pointers->ExceptionRecord->ExceptionCode : 0;
    char text[64] = "exception 0x";
    int length = 12;
    for (int shift = 28; shift >= 0; shift -= 4)
        text[length++] = "0123456789ABCDEF"[(code >> shift) & 0xF];
    if (char const* name = name_of(code)) {
        text[length++] = ' ';
        text[length++] = '(';
        while (*name != '\0' && length < 61)
            text[length++] = *name++;
        text[length++] = ')';
    }
    text[length] = '\0';
    if (installed_report != nullptr)
        installed_report(text, code);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void install_fault_handler(FaultReport report)
{
    installed_report = report;
    SetUnhandledExceptionFilter(on_unhandled_exception);
}

} // namespace qmt::platform
