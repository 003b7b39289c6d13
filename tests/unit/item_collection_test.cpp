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

    CustomItem* item_by_name(OLECHAR const* name, HRESULT& status)
    {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_BSTR;
        index.bstrVal = SysAllocString(name);
        CustomItem* item = reinterpret_cast<CustomItem*>(0x1);
        status = collection->get_Item(&index, &item);
        VariantClear(&index);
        return item;
    }

    CustomItem* item_by_number(LONG number, HRESULT& status)
    {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = number;
        CustomItem* item = reinterpret_cast<CustomItem*>(0x1);
        status = collection->get_Item(&index, &item);
        return item;
    }

    static std::u16string value_of(CustomItem* item)
    {
        BSTR value = nullptr;
        EXPECT_EQ(item->get_Value(&value), S_OK);
        std::u16string result = text_of(value);
        SysFreeString(value);
        return result;
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
    IUnknown* unknown = nullptr;
    ASSERT_EQ(collection->get__NewEnum(&unknown), S_OK);
    IEnumVARIANT* enumerator = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), S_OK);
    unknown->Release();

    std::u16string seen;
    for (;;) {
        VARIANT item;
        ULONG fetched = 99;
        HRESULT const status = enumerator->Next(3, &item, &fetched);
        if (status == S_FALSE) {
            EXPECT_EQ(fetched, 0u);
            break;
        }
        ASSERT_EQ(status, S_OK);
        EXPECT_EQ(fetched, 1u);
        ASSERT_EQ(item.vt, VT_DISPATCH);
        CustomItem* custom = nullptr;
        ASSERT_EQ(item.pdispVal->QueryInterface(IID_CustomItem, reinterpret_cast<void**>(&custom)), S_OK);
        seen += value_of(custom) + u",";
        custom->Release();
        VariantClear(&item);
    }
    EXPECT_EQ(seen, u"1,a,b,");
    enumerator->Release();
}

TEST_F(ItemCollectionTest, SkipStopsAtTheEndAndResetStartsAgain)
{
    IUnknown* unknown = nullptr;
    ASSERT_EQ(collection->get__NewEnum(&unknown), S_OK);
    IEnumVARIANT* enumerator = nullptr;
    unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator));
    unknown->Release();
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
    IUnknown* unknown = nullptr;
    ASSERT_EQ(collection->get__NewEnum(&unknown), S_OK);
    IEnumVARIANT* enumerator = nullptr;
    unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator));
    unknown->Release();
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

TEST_F(ItemCollectionTest, BothInterfacesAreOneObject)
{
    IEnumVARIANT* enumerator = nullptr;
    ASSERT_EQ(collection->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), S_OK);
    IUnknown* back = nullptr;
    ASSERT_EQ(enumerator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    IUnknown* front = nullptr;
    ASSERT_EQ(collection->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&front)), S_OK);
    EXPECT_EQ(back, front);
    EXPECT_EQ(front->Release(), 3u);
    EXPECT_EQ(back->Release(), 2u);
    enumerator->Release();
}

TEST_F(ItemCollectionTest, AnItemHandedOutOutlivesItsCollectionsReference)
{
    HRESULT status;
    CustomItem* item = item_by_number(1, status);
    ASSERT_EQ(status, S_OK);
    EXPECT_EQ(item->AddRef(), 3u);
    EXPECT_EQ(item->Release(), 2u);
    environment->Release();
    environment = nullptr;
    EXPECT_EQ(value_of(item), u"1");
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
