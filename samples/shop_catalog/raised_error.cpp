#include "raised_error.h"

#include "text.h"

namespace shop {

HRESULT raise_error(EXCEPINFO* exception, PageText& description)
{
    if (exception == nullptr)
        return E_FAIL;
    OLECHAR const* units = description.text();
    Text source = Text::ascii("Shop.Catalog");
    Text copy = Text::copy(units);
    if (units == nullptr || !source.valid() || !copy.valid())
        return E_OUTOFMEMORY;
    exception->scode = E_FAIL;
    exception->bstrSource = source.release();
    exception->bstrDescription = copy.release();
    return DISP_E_EXCEPTION;
}

} // namespace shop
