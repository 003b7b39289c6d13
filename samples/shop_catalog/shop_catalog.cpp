#include "shop_catalog.h"

#include "catalog_file.h"
#include "sample_system.h"
#include "template_page.h"

#include <cstdio>

namespace shop {

namespace {

using quillmate::Text;
using quillmate::TextBuilder;

// A page checks the request before anything of it is written: the gateway's error page brings
// a header of its own, which would otherwise show in the body. The list and item templates
// begin with their header, so that nothing at all is written before CloseTemplate (and the
// page goes out in one write). The order page is kept in a file too, which has no header: its
// header is sent apart.
constexpr std::string_view order_header = "Content-Type: text/html; charset=utf-8\n\n";
constexpr long quantity_limit = 99;
constexpr std::string_view source = "Shop.Catalog";
// Request values and file data go into a page HTML-escaped, every character beyond ASCII as a
// reference too, so that the page means the same whatever code page the gateway writes it in.
constexpr quillmate::Escape escaped = quillmate::Escape::markup_and_non_ascii;

// A whole number of up to `digits_limit` digits and nothing else, or -1.
long long field_number(Text const& value, int digits_limit = 9)
{
    long long number = 0;
    int length = 0;
    for (OLECHAR const* unit = value.get(); unit != nullptr && *unit != 0; ++unit, ++length) {
        if (length == digits_limit || *unit < '0' || *unit > '9')
            return -1;
        number = number * 10 + (*unit - '0');
    }
    return length == 0 ? -1 : number;
}

TextBuilder& price(TextBuilder& text, long long cents)
{
    return text.number(cents / 100).utf8(cents % 100 < 10 ? ".0" : ".").number(cents % 100);
}

void load_catalog(CatalogFile& catalog, TemplatePage& page)
{
    page.check(catalog.load_beside_library("catalog.txt") ? S_OK : E_FAIL, "reading catalog.txt");
}

// The value of an optional field: S_OK, or S_FALSE (and a null value) when it was not sent.
HRESULT optional_field(QmtEnvironment& environment, std::string_view name, Text& value, TemplatePage& page)
{
    HRESULT const status = quillmate::field(environment, name, value);
    if (status != S_FALSE)
        page.check(status, "CustomItems");
    return status;
}

void article_fields(TemplatePage& page, Article const& article)
{
    TextBuilder text;
    page.field("number", text.number(article.number));
    page.field("name", text.html(article.name, escaped));
    page.field("category", text.number(article.category));
    page.field("price", price(text, article.price_cents));
}

void fill_order(TemplatePage& page, QmtEnvironment& environment, Article const& article, long long quantity)
{
    page.open("order.htm");
    article_fields(page, article);
    TextBuilder text;
    page.field("quantity", text.number(quantity));
    page.field("total", price(text, article.price_cents * quantity));
    page.begin_section("fields");
    if (page.status() == S_OK) {
        page.check(quillmate::for_each_field(environment,
                                             [&](BSTR name, BSTR value) {
                                                 page.field("field", text.html(name, escaped));
                                                 page.field("value", text.html(value, escaped));
                                                 return page.status();
                                             }),
                   "CustomItems");
    }
    page.end_section();
    page.close();
}

} // namespace

HRESULT Catalog::finish(TemplatePage const& page)
{
    return page.status() == S_OK ? S_OK : raise(source, page.failure());
}

HRESULT Catalog::raise_quoting(std::string_view description, OLECHAR const* quoted)
{
    TextBuilder text;
    return raise(source, text.utf8(description).utf8("\"").text(quoted).utf8("\"").take());
}

HRESULT Catalog::list(QmtEnvironment& environment)
{
    TemplatePage page(environment);
    Text category;
    bool const filtered = optional_field(environment, "cat", category, page) == S_OK;
    CatalogFile catalog;
    load_catalog(catalog, page);
    if (page.status() != S_OK)
        return finish(page);

    page.open("list.htm");
    TextBuilder heading;
    if (filtered)
        heading.utf8("Articles in category ").html(category.get(), escaped);
    else
        heading.utf8("All articles");
    page.field("heading", heading);
    page.begin_section("articles");
    long long const wanted = filtered ? field_number(category) : -1;
    for (std::size_t i = 0; i < catalog.size(); ++i) {
        if (!filtered || catalog[i].category == wanted)
            article_fields(page, catalog[i]);
    }
    page.end_section();
    page.close();
    return finish(page);
}

HRESULT Catalog::item(QmtEnvironment& environment)
{
    TemplatePage page(environment);
    Text id;
    optional_field(environment, "id", id, page);
    CatalogFile catalog;
    load_catalog(catalog, page);
    if (page.status() != S_OK)
        return finish(page);
    Article const* article = catalog.find(field_number(id));
    if (article == nullptr)
        return raise_quoting("There is no article numbered ", id.get());

    page.open("item.htm");
    article_fields(page, *article);
    TextBuilder text;
    page.field("description", text.html(article->description, escaped));
    page.field("order", text.number(static_cast<long long>(new_order_number() % 1000000000000000000ULL)));
    page.close();
    return finish(page);
}

HRESULT Catalog::order(QmtEnvironment& environment)
{
    TemplatePage page(environment);
    Text item, quantity_text, order_text;
    optional_field(environment, "item", item, page);
    optional_field(environment, "quantity", quantity_text, page);
    optional_field(environment, "order", order_text, page);
    CatalogFile catalog;
    load_catalog(catalog, page);
    if (page.status() != S_OK)
        return finish(page);
    Article const* article = catalog.find(field_number(item));
    if (article == nullptr)
        return raise_quoting("There is no article numbered ", item.get());
    long long const quantity = field_number(quantity_text, 2);
    if (quantity < 1 || quantity > quantity_limit)
        return raise_quoting("The quantity must be a whole number from 1 to 99, not ", quantity_text.get());

    page.send(order_header);
    // The order number names the kept file: only digits, so no request can name a file outside
    // the orders folder.
    long long const order = field_number(order_text, 18);
    char part_name[40], whole_name[40];
    std::snprintf(part_name, sizeof part_name, "order-%lld.part", order);
    std::snprintf(whole_name, sizeof whole_name, "order-%lld.htm", order);
    SamplePath part, whole;
    if (order < 0 || !file_in_orders_folder(part_name, part) || !file_in_orders_folder(whole_name, whole)) {
        fill_order(page, environment, *article, quantity);
        return finish(page);
    }
    // Written under a temporary name and moved into place once whole, then sent from there.
    page.open_output(part.text);
    fill_order(page, environment, *article, quantity);
    page.close_output();
    if (page.status() == S_OK)
        page.check(move_into_place(part.text, whole.text) ? S_OK : E_FAIL, "moving the order file into place");
    if (page.status() != S_OK)
        std::remove(part.text); // no half-written order stays behind
    page.send_file(whole.text);
    return finish(page);
}

} // namespace shop

QMT_SERVE(shop::Catalog);
