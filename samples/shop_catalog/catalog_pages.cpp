#include "catalog_pages.h"

#include "catalog_file.h"
#include "page_text.h"
#include "raised_error.h"
#include "request_fields.h"
#include "sample_system.h"
#include "template_page.h"

#include <cstdio>

namespace shop {

namespace {

// A page checks the request before it sends its header: the gateway's error page brings a
// header of its own, which would otherwise show in the body.
constexpr std::string_view header = "Content-Type: text/html; charset=utf-8\n\n";
constexpr long quantity_limit = 99;

// An error that quotes a request value (raw: the gateway escapes it on its page).
HRESULT raise_quoting(EXCEPINFO* exception, std::string_view description, OLECHAR const* quoted)
{
    PageText text;
    text.literal(description);
    std::size_t length = 0;
    while (quoted != nullptr && quoted[length] != 0)
        ++length;
    text.literal("\"").units(quoted, length).literal("\"");
    return raise_error(exception, text);
}

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

PageText& price(PageText& text, long long cents)
{
    return text.number(cents / 100).literal(cents % 100 < 10 ? ".0" : ".").number(cents % 100);
}

void load_catalog(CatalogFile& catalog, TemplatePage& page)
{
    SamplePath path;
    bool const loaded = file_beside_library("catalog.txt", path) && catalog.load(path.text);
    page.check(loaded ? S_OK : E_FAIL, "reading catalog.txt");
}

// The value of an optional field: S_OK, S_FALSE when it was not sent (value empty).
HRESULT optional_field(RequestFields const& fields, std::string_view name, Text& value, TemplatePage& page)
{
    HRESULT const status = fields.find(name, value);
    if (status != S_FALSE)
        page.check(status, "CustomItems");
    return status;
}

void article_fields(TemplatePage& page, Article const& article)
{
    PageText text;
    page.field("number", text.number(article.number));
    text.clear();
    page.field("name", text.escaped_utf8(article.name));
    text.clear();
    page.field("category", text.number(article.category));
    text.clear();
    page.field("price", price(text, article.price_cents));
}

void fill_order(TemplatePage& page, RequestFields const& fields, Article const& article, long long quantity)
{
    page.open("order.htm");
    article_fields(page, article);
    PageText text;
    page.field("quantity", text.number(quantity));
    text.clear();
    page.field("total", price(text, article.price_cents * quantity));
    page.begin_section("fields");
    for (long position = 1; position <= fields.count() && page.status() == S_OK; ++position) {
        Text name, value;
        page.check(fields.at(position, name, value), "CustomItems");
        text.clear();
        page.field("field", text.escaped(name.get()));
        text.clear();
        page.field("value", text.escaped(value.get()));
    }
    page.end_section();
    page.close();
}

} // namespace

HRESULT list_page(QmtEnvironment& environment, EXCEPINFO* exception)
{
    TemplatePage page(environment);
    RequestFields fields;
    page.check(fields.open(environment), "CustomItems");
    Text category;
    bool const filtered = optional_field(fields, "cat", category, page) == S_OK;
    CatalogFile catalog;
    load_catalog(catalog, page);
    if (page.status() != S_OK)
        return page.finish(exception);

    page.send(header);
    page.open("list.htm");
    PageText heading;
    if (filtered)
        heading.literal("Articles in category ").escaped(category.get());
    else
        heading.literal("All articles");
    page.field("heading", heading);
    page.begin_section("articles");
    long long const wanted = filtered ? field_number(category) : -1;
    for (std::size_t i = 0; i < catalog.size(); ++i) {
        if (!filtered || catalog[i].category == wanted)
            article_fields(page, catalog[i]);
    }
    page.end_section();
    page.close();
    return page.finish(exception);
}

HRESULT item_page(QmtEnvironment& environment, EXCEPINFO* exception)
{
    TemplatePage page(environment);
    RequestFields fields;
    page.check(fields.open(environment), "CustomItems");
    Text id;
    optional_field(fields, "id", id, page);
    CatalogFile catalog;
    load_catalog(catalog, page);
    if (page.status() != S_OK)
        return page.finish(exception);
    Article const* article = catalog.find(field_number(id));
    if (article == nullptr)
        return raise_quoting(exception, "There is no article numbered ", id.get());

    page.send(header);
    page.open("item.htm");
    article_fields(page, *article);
    PageText text;
    page.field("description", text.escaped_utf8(article->description));
    text.clear();
    page.field("order", text.number(static_cast<long long>(new_order_number() % 1000000000000000000ULL)));
    page.close();
    return page.finish(exception);
}

HRESULT order_page(QmtEnvironment& environment, EXCEPINFO* exception)
{
    TemplatePage page(environment);
    RequestFields fields;
    page.check(fields.open(environment), "CustomItems");
    Text item, quantity_text, order_text;
    optional_field(fields, "item", item, page);
    optional_field(fields, "quantity", quantity_text, page);
    optional_field(fields, "order", order_text, page);
    CatalogFile catalog;
    load_catalog(catalog, page);
    if (page.status() != S_OK)
        return page.finish(exception);
    Article const* article = catalog.find(field_number(item));
    if (article == nullptr)
        return raise_quoting(exception, "There is no article numbered ", item.get());
    long long const quantity = field_number(quantity_text, 2);
    if (quantity < 1 || quantity > quantity_limit)
        return raise_quoting(exception, "The quantity must be a whole number from 1 to 99, not ", quantity_text.get());

    page.send(header);
    // The order number names the kept file; only digits, so no request can name another file.
    long long const order = field_number(order_text, 18);
    char part_name[40], whole_name[40];
    std::snprintf(part_name, sizeof part_name, "order-%lld.part", order);
    std::snprintf(whole_name, sizeof whole_name, "order-%lld.htm", order);
    SamplePath part, whole;
    if (order < 0 || !file_in_orders_folder(part_name, part) || !file_in_orders_folder(whole_name, whole)) {
        fill_order(page, fields, *article, quantity);
        return page.finish(exception);
    }
    // Written under a temporary name and moved into place once whole, then sent from there.
    page.open_output(part.text);
    fill_order(page, fields, *article, quantity);
    page.close_output();
    if (page.status() == S_OK)
        page.check(move_into_place(part.text, whole.text) ? S_OK : E_FAIL, "moving the order file into place");
    page.send_file(whole.text);
    return page.finish(exception);
}

} // namespace shop
