// The catalog's pages, one method each:
//   List   ?obj=Shop.Catalog+List[&cat=N]     the articles (of one category) as a table
//   Item   ?obj=Shop.Catalog+Item&id=N        one article, with the order form
//   Order  POST obj=Shop.Catalog+Order&...    the decoded form echoed back; kept as a file
//                                             in $SHOP_CATALOG_ORDERS when that is set
// An article number that names no article raises an error, which the gateway turns into
// its error page (message 22) with the number in it, escaped.
#pragma once

#include "quillmate/interfaces.h"

namespace shop {

HRESULT list_page(QmtEnvironment& environment, EXCEPINFO* exception);
HRESULT item_page(QmtEnvironment& environment, EXCEPINFO* exception);
HRESULT order_page(QmtEnvironment& environment, EXCEPINFO* exception);

} // namespace shop
