#include "environment/sleep_pause.h"

#include "platform/process.h"

namespace qmt {

void sleep_pause(VARIANT* sleep, Response const& response)
{
    if (sleep == nullptr)
        return;
    VARIANT milliseconds;
    VariantInit(&milliseconds);
    if (VariantChangeType(&milliseconds, sleep, 0, VT_I4) != S_OK)
        return;
    // A negative count would be an endless pause once read as unsigned: it does not pause.
    if (milliseconds.lVal <= 0)
        return;
    response.deliver();
    platform::sleep_milliseconds(static_cast<std::uint32_t>(milliseconds.lVal));
}

} // namespace qmt
