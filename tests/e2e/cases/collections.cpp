// The Collections rows of the end-to-end table: ServerItems and CustomItems as the method sees them.
#include "case.h"
#include "expected_pages.h"
#include "groups.h"

#include <string>
#include <utility>

namespace e2e {

std::vector<Case> collections_cases()
{
    using namespace expected;
    std::vector<Case> rows;
    auto add = [&rows](Case row) { rows.push_back(std::move(row)); };

    char const* collections = "Collections";
    add(Case(collections, "ServerItemByExactName")
            .set("REMOTE_ADDR", "10.0.0.7")
            .run("server=REMOTE_ADDR")
            .expect("[10.0.0.7]"));
    add(Case(collections, "ServerItemNamesAreCaseSensitive")
            .set("REMOTE_ADDR", "10.0.0.7")
            .run("server=remote_addr")
            .expect(page(name_not_found("remote_addr"))));
    add(Case(collections, "ServerItemsByFirstAndLastNumber")
            .set("AUTH_TYPE", "Basic")
            .set("SERVER_SOFTWARE", "TestServer/1.0")
            .run("servernum=1&servernum=24")
            .expect("[Basic][TestServer/1.0]"));
    add(Case(collections, "ServerItemNumberZeroGetsMessage8")
            .run("servernum=0")
            .expect(page(server_item_out_of_range("0"))));
    add(Case(collections, "ServerItemNumberAfterTheLastGetsMessage8")
            .run("servernum=25")
            .expect(page(server_item_out_of_range("25"))));
    add(Case(collections, "SmallestNumberIsReportedInFull")
            .run("servernum=-2147483648")
            .expect(page(server_item_out_of_range("-2147483648"))));
    add(Case(collections, "CustomItemByNumber").run("customnum=1").expect("[1]"));
    add(Case(collections, "CustomItemNumberAfterTheLastGetsMessage7")
            .run("customnum=3&x=y")
            .expect(page(custom_item_out_of_range("3"))));
    add(Case(collections, "FirstOfRepeatedNamesIsFound").run("custom=k&k=first&k=second").expect("[first]"));
    add(Case(collections, "EmptyNameIsNeverFound").run("custom=&=nameless").expect(page(name_not_found(""))));
    add(Case(collections, "CountsOfBothCollections").run("count=&a=1&b=2").expect("S=24 C=3"));
    add(Case(collections, "CollectionsKeepWorkingAfterAnErrorPage")
            .run("status=&customnum=0&count=")
            .expect(page(custom_item_out_of_range("0")))
            .expect_trace("CustomItems=0x00000000\nItem=0x80070057\nServerItems=0x00000000\nCount=0x00000000\n"
                          "CustomItems=0x00000000\nCount=0x00000000\nSendString=0x80004005\n"));
    add(Case(collections, "EnumeratorCopyKeptBeyondTheRequestIsReadWhenTheObjectUnloads")
            .run("keepenum=&a=1&b=2&send=kept")
            .expect("kept")
            .expect_trace("[keepenum]=[]\n[a]=[1]\n[b]=[2]\n[send]=[kept]\nItem=0x80070057\n"));

    // Late-bound calls, by member identifier, through the program's own type library.
    add(Case(collections, "InvokeNewEnumHandsOutAnEnumeratorOfTheItems")
            .run("dispenum=custom&a=1&b=2")
            .expect("[dispenum][a][b]"));
    add(Case(collections, "InvokeItemByNameAndByNumber").run("dispitem=k&k=v&dispitemnum=2").expect("[v][v]"));
    add(Case(collections, "InvokeCountOfBothCollections").run("dispcount=&a=1").expect("S=24 C=2"));
    add(Case(collections, "InvokeItemOutOfRangeWritesThePageAndAnswersAnException")
            .run("status=&dispitemnum=0")
            .expect(page(custom_item_out_of_range("0")))
            .expect_trace("CustomItems=0x00000000\nInvoke=0x80020009\n"));
    add(Case(collections, "InvokeWithoutTheIndexOfItemIsACountMismatch")
            .run("dispcall=0x60020000|2")
            .expect("")
            .expect_trace("Invoke=0x8002000E\n"));
    add(Case(collections, "InvokeOfAnUnknownMemberIsNotFound")
            .run("dispcall=0x60020003|2&dispcall=0|2")
            .expect("")
            .expect_trace("Invoke=0x80020003\nInvoke=0x80020003\n"));
    add(Case(collections, "InvokeOfCountAsAMethodIsNotFound")
            .run("dispcall=0x60020001|1")
            .expect("")
            .expect_trace("Invoke=0x80020003\n"));
    return rows;
}

} // namespace e2e
