// The request's form fields (CustomItems) as a page reads them: an optional field by name,
// and every field in order. Looking a missing name up through Item would make the gateway
// write an error page, so optional fields are found by walking the collection instead.
#pragma once

#include "quillmate/interfaces.h"
#include "quillmate/ref.h"
#include "text.h"

#include <string_view>

namespace shop {

class RequestFields {
public:
    HRESULT open(QmtEnvironment& environment);

    // S_OK with the value of the first field of that name (empty text when it was sent
    // empty), S_FALSE when no field has that name, or the failure of the collection.
    HRESULT find(std::string_view name, Text& value) const;

    long count() const { return m_count; }
    // Name and value of the field at `position`, from 1 to count().
    HRESULT at(long position, Text& name, Text& value) const;

private:
    quillmate::Ref<CustomItems> m_fields;
    long m_count = 0;
};

} // namespace shop
