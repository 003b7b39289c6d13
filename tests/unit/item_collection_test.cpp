// The collections handed to the user's method: lookup by exact name and by number,
// counting, enumeration and the one identity of both interfaces.
#include "captured_output.h"
#include "environment/environment.h"

#include <gtest/gtest.h>
#include <string>

namespace {

#ifdef _WIN32
#    define W(s) L##s
#else
#    define W(s) u##s
#endif

std::u16string text_of(BSTR text)
{
    std::u16string result;
    for (std::size_t i = 0; text != nullptr && text[i] != 0; ++i)
        result += static_cast<char16_t>(text[i]);
    return result;
}

class ItemCollectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment = qmt::Environment::create();
        ASSERT_NE(environment, nullptr);
        collection = environment->custom_items();
        collection->add(W("first"), W("1"));
        collection->add(W("same"), W("a"));
        collection->add(W("same"), W("b"));
    }
    void TearDown() override
    {
        if (environment != nullptr)
            environment->Release();
    }

    // Lookups on the owning collection, or on another collection object (an enumerator copy).
    CustomItem* item_by_name(OLECHAR const* name, HRESULT& status, CustomItems* from = nullptr)
    {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_BSTR;
        index.bstrVal = SysAllocString(name);
        CustomItem* item = reinterpret_cast<CustomItem*>(0x1);
        status = (from != nullptr ? from : collection)->get_Item(&index, &item);
        VariantClear(&index);
        return item;
    }

    CustomItem* item_by_number(LONG number, HRESULT& status, CustomItems* from = nullptr)
    {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = number;
        CustomItem* item = reinterpret_cast<CustomItem*>(0x1);
        status = (from != nullptr ? from : collection)->get_Item(&index, &item);
        return item;
    }

    // A new enumerator copy of the owning collection, as _NewEnum hands it out.
    IEnumVARIANT* new_enumerator()
    {
        IUnknown* unknown = nullptr;
        EXPECT_EQ(collection->get__NewEnum(&unknown), S_OK);
        IEnumVARIANT* enumerator = nullptr;
        if (unknown != nullptr) {
            EXPECT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), S_OK);
            unknown->Release();
        }
        return enumerator;
    }

    static std::u16string value_of(CustomItem* item)
    {
        BSTR value = nullptr;
        EXPECT_EQ(item->get_Value(&value), S_OK);
        std::u16string result = text_of(value);
        SysFreeString(value);
        return result;
    }

    // The values that Next hands out from here to the end, each followed by a comma. Every
    // call hands out one item, whatever count is asked for; at the end the fetched count is 0.
    static std::u16string values_enumerated(IEnumVARIANT& enumerator)
    {
        std::u16string seen;
        for (;;) {
            VARIANT item;
            ULONG fetched = 99;
            HRESULT const status = enumerator.Next(3, &item, &fetched);
            if (status == S_FALSE) {
                EXPECT_EQ(fetched, 0u);
                return seen;
            }
            EXPECT_EQ(status, S_OK);
            EXPECT_EQ(fetched, 1u);
            if (status != S_OK || item.vt != VT_DISPATCH)
                return seen + u"?";
            CustomItem* custom = nullptr;
            EXPECT_EQ(item.pdispVal->QueryInterface(IID_CustomItem, reinterpret_cast<void**>(&custom)), S_OK);
            seen += value_of(custom) + u",";
            custom->Release();
            VariantClear(&item);
        }
    }

    CapturedOutput output; // error pages land here
    qmt::Environment* environment {nullptr};
    qmt::CustomItemCollection* collection {nullptr};
};

TEST_F(ItemCollectionTest, LookupByNameReturnsTheFirstOfEqualNames)
{
    HRESULT status;
    CustomItem* item = item_by_name(W("same"), status);
    ASSERT_EQ(status, S_OK);
    EXPECT_EQ(value_of(item), u"a");
    item->Release();
    EXPECT_FALSE(environment->error_state().is_set());
}

TEST_F(ItemCollectionTest, LookupByNameIsCaseSensitiveAndReportsAMiss)
{
    HRESULT status;
    CustomItem* item = item_by_name(W("FIRST"), status);
    EXPECT_EQ(status, E_INVALIDARG);
    EXPECT_EQ(item, nullptr);
    EXPECT_TRUE(environment->error_state().is_set());
    EXPECT_NE(output.text().find("The FindName FIRST request was not found in the collection."), std::string::npos);
}

TEST_F(ItemCollectionTest, LookupByNumberCountsFromOne)
{
    HRESULT status;
    CustomItem* item = item_by_number(3, status);
    ASSERT_EQ(status, S_OK);
    EXPECT_EQ(value_of(item), u"b");
    item->Release();
}

TEST_F(ItemCollectionTest, NumbersOutsideOneToCountAreReported)
{
    for (LONG number : {0, 4, -2147483647 - 1}) {
        HRESULT status;
        EXPECT_EQ(item_by_number(number, status), nullptr);
        EXPECT_EQ(status, E_INVALIDARG) << number;
    }
    std::string const pages = output.text();
    EXPECT_NE(pages.find("CustomItems.Item(0) is"), std::string::npos);
    EXPECT_NE(pages.find("CustomItems.Item(4) is"), std::string::npos);
    EXPECT_NE(pages.find("CustomItems.Item(-2147483648) is"), std::string::npos);
    EXPECT_TRUE(environment->error_state().is_set());
}

TEST_F(ItemCollectionTest, TextInsideAReferenceVariantIsConvertedToANumber)
{
    BSTR two = SysAllocString(W("2"));
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_BSTR | VT_BYREF;
    index.pbstrVal = &two;
    CustomItem* item = nullptr;
    ASSERT_EQ(collection->get_Item(&index, &item), S_OK);
    EXPECT_EQ(value_of(item), u"a");
    item->Release();

    BSTR word = SysAllocString(W("two"));
    index.pbstrVal = &word;
    EXPECT_EQ(collection->get_Item(&index, &item), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(item, nullptr);
    EXPECT_FALSE(environment->error_state().is_set());
    SysFreeString(two);
    SysFreeString(word);
}

TEST_F(ItemCollectionTest, ItemsWithoutANameAreNeverFoundByName)
{
    collection->add(W(""), W("nameless"));
    HRESULT status;
    EXPECT_EQ(item_by_name(W(""), status), nullptr);
    EXPECT_EQ(status, E_INVALIDARG);
    CustomItem* item = item_by_number(4, status);
    ASSERT_EQ(status, S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(item->get_Name(&name), S_OK);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(SysStringLen(name), 0u);
    SysFreeString(name);
    item->Release();
}

TEST_F(ItemCollectionTest, EnumerationHandsOutOneItemPerCallThenReportsTheEnd)
{
    IEnumVARIANT* enumerator = new_enumerator();
    ASSERT_NE(enumerator, nullptr);
    EXPECT_EQ(values_enumerated(*enumerator), u"1,a,b,");
    enumerator->Release();
}

TEST_F(ItemCollectionTest, SkipStopsAtTheEndAndResetStartsAgain)
{
    IEnumVARIANT* enumerator = new_enumerator();
    ASSERT_NE(enumerator, nullptr);
    EXPECT_EQ(enumerator->Skip(3), S_OK);
    VARIANT item;
    EXPECT_EQ(enumerator->Next(1, &item, nullptr), S_FALSE);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(5), S_FALSE);
    EXPECT_EQ(enumerator->Next(1, &item, nullptr), S_FALSE);
    EXPECT_EQ(enumerator->Skip(0xFFFFFFFFu), S_FALSE);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    ASSERT_EQ(enumerator->Next(1, &item, nullptr), S_OK);
    VariantClear(&item);
    enumerator->Release();
}

TEST_F(ItemCollectionTest, CloneStartsWhereItsSourceStandsAndMovesOnItsOwn)
{
    IEnumVARIANT* enumerator = new_enumerator();
    ASSERT_NE(enumerator, nullptr);
    VARIANT item;
    ASSERT_EQ(enumerator->Next(1, &item, nullptr), S_OK);
    VariantClear(&item);
    IEnumVARIANT* clone = nullptr;
    ASSERT_EQ(enumerator->Clone(&clone), S_OK);
    EXPECT_EQ(clone->Skip(2), S_OK);
    EXPECT_EQ(clone->Next(1, &item, nullptr), S_FALSE);
    ASSERT_EQ(enumerator->Next(1, &item, nullptr), S_OK);
    CustomItem* custom = nullptr;
    item.pdispVal->QueryInterface(IID_CustomItem, reinterpret_cast<void**>(&custom));
    EXPECT_EQ(value_of(custom), u"a");
    custom->Release();
    VariantClear(&item);
    clone->Release();
    enumerator->Release();
}

// Asked through either interface, a collection object is one object with one count: the
// owning collection and an enumerator copy alike. `held` is the count it starts with.
void expect_one_object(CustomItems* object, ULONG held)
{
    IEnumVARIANT* enumerator = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), S_OK);
    IUnknown* back = nullptr;
    ASSERT_EQ(enumerator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    IUnknown* front = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&front)), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(back, front);
    EXPECT_EQ(static_cast<IUnknown*>(dispatch), front);
    EXPECT_EQ(front, static_cast<IUnknown*>(object));
    EXPECT_EQ(dispatch->Release(), held + 3);
    EXPECT_EQ(front->Release(), held + 2);
    EXPECT_EQ(back->Release(), held + 1);
    EXPECT_EQ(enumerator->Release(), held);
}

TEST_F(ItemCollectionTest, BothInterfacesAreOneObject)
{
    expect_one_object(collection, 1);
    IEnumVARIANT* copy = new_enumerator();
    ASSERT_NE(copy, nullptr);
    CustomItems* copy_as_collection = nullptr;
    ASSERT_EQ(copy->QueryInterface(IID_CustomItems, reinterpret_cast<void**>(&copy_as_collection)), S_OK);
    expect_one_object(copy_as_collection, 2);
    copy_as_collection->Release();
    EXPECT_EQ(copy->Release(), 0u);
}

TEST_F(ItemCollectionTest, ItemsCollectionsAndEnumeratorCopiesHandedOutOutliveTheEnvironment)
{
    HRESULT status;
    CustomItem* item = item_by_number(1, status);
    ASSERT_EQ(status, S_OK);
    IEnumVARIANT* copy = new_enumerator();
    ASSERT_NE(copy, nullptr);
    // A copy takes no reference on the items: the collection's and the caller's are all there are.
    EXPECT_EQ(item->AddRef(), 3u);
    EXPECT_EQ(item->Release(), 2u);
    collection->add(W("later"), W("c")); // after the copy was made, so not in it
    collection->AddRef(); // as a caller of get_CustomItems holds it

    environment->Release();
    environment = nullptr;
    EXPECT_EQ(value_of(item), u"1");
    EXPECT_EQ(values_enumerated(*copy), u"1,a,b,");

    // The copy is still a collection over its snapshot. With their owner gone, lookups that
    // fail on the copy or on the collection write no page.
    CustomItems* copy_as_collection = nullptr;
    ASSERT_EQ(copy->QueryInterface(IID_CustomItems, reinterpret_cast<void**>(&copy_as_collection)), S_OK);
    LONG count = 0;
    EXPECT_EQ(copy_as_collection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    // Late-bound calls too: the type information they need is let go with the store.
    VARIANT counted;
    VariantInit(&counted);
    DISPPARAMS none {};
    EXPECT_EQ(
        copy_as_collection->Invoke(0x60020001, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &counted, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(counted.vt, VT_I4);
    EXPECT_EQ(counted.lVal, 3);
    EXPECT_EQ(item_by_number(4, status, copy_as_collection), nullptr);
    EXPECT_EQ(status, E_INVALIDARG);
    EXPECT_EQ(item_by_name(W("later"), status, copy_as_collection), nullptr);
    EXPECT_EQ(status, E_INVALIDARG);
    EXPECT_EQ(item_by_name(W("missing"), status), nullptr);
    EXPECT_EQ(status, E_INVALIDARG);
    EXPECT_EQ(output.text(), "");
    copy_as_collection->Release();

    // The items go once, with the last holder of their store; the caller's reference stays.
    EXPECT_EQ(copy->Release(), 0u);
    EXPECT_EQ(item->AddRef(), 3u);
    EXPECT_EQ(item->Release(), 2u);
    EXPECT_EQ(collection->Release(), 0u);
    EXPECT_EQ(item->AddRef(), 2u);
    EXPECT_EQ(item->Release(), 1u);
    EXPECT_EQ(item->Release(), 0u);
}

TEST(Environment, AnswersOnlyItsOwnInterfaces)
{
    qmt::Environment* environment = qmt::Environment::create();
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(environment->QueryInterface(IID_IEnumVARIANT, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(environment->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<QmtEnvironment*>(environment));
    EXPECT_EQ(environment->Release(), 1u);
    UINT count = 0;
    EXPECT_EQ(environment->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(environment->Release(), 0u);
}

} // namespace
