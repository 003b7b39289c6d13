#include "request_fields.h"

namespace shop {

HRESULT RequestFields::open(QmtEnvironment& environment)
{
    HRESULT status = environment.get_CustomItems(m_fields.out());
    if (status != S_OK)
        return status;
    LONG count = 0;
    status = m_fields->get_Count(&count);
    m_count = count;
    return status;
}

HRESULT RequestFields::at(long position, Text& name, Text& value) const
{
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = static_cast<LONG>(position);
    quillmate::Ref<CustomItem> item;
    HRESULT status = m_fields->get_Item(&index, item.out());
    if (status == S_OK)
        status = item->get_Name(name.out());
    if (status == S_OK)
        status = item->get_Value(value.out());
    return status;
}

HRESULT RequestFields::find(std::string_view name, Text& value) const
{
    for (long position = 1; position <= m_count; ++position) {
        Text found;
        HRESULT const status = at(position, found, value);
        if (status != S_OK)
            return status;
        if (same_name(found.get(), name))
            return S_OK;
    }
    value = Text();
    return S_FALSE;
}

} // namespace shop
