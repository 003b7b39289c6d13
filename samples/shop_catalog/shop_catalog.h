// The sample object: the class Shop.Catalog, a small shop catalog with three methods, each
// answering one page from a template beside the library:
//   List   ?obj=Shop.Catalog+List[&cat=N]     the articles (of one category) as a table
//   Item   ?obj=Shop.Catalog+Item&id=N        one article, with the order form
//   Order  POST obj=Shop.Catalog+Order&...    the decoded form echoed back; kept as a file
//                                             in $SHOP_CATALOG_ORDERS when that is set
// An article number that names no article raises an error, which the gateway turns into
// its error page (message 22) with the number in it, escaped. One source for the native
// build and Windows.
#pragma once

#include "quillmate/dispatch.h"

#include <string_view>

namespace shop {

class TemplatePage;

class Catalog final : public quillmate::DispatchObject<Catalog> {
public:
    static constexpr CLSID class_id = quillmate::guid("{ABB7C773-C6EB-4B39-B235-B3F9C4458728}");
    static constexpr char prog_id[] = "Shop.Catalog";

    HRESULT list(QmtEnvironment& environment);
    HRESULT item(QmtEnvironment& environment);
    HRESULT order(QmtEnvironment& environment);

    static constexpr quillmate::Method<Catalog> methods[]
        = {{"List", &Catalog::list}, {"Item", &Catalog::item}, {"Order", &Catalog::order}};

private:
    friend quillmate::Access;
    Catalog() = default;

    // S_OK, or the page's first failure raised as an error naming its step.
    HRESULT finish(TemplatePage const& page);
    // An error that quotes a request value (raw: the gateway escapes it on its page).
    HRESULT raise_quoting(std::string_view description, OLECHAR const* quoted);
};

} // namespace shop
