// The module's entry points: identity, object and page creation, QueryInterface and references.
#include <gtest/gtest.h>

#include <string>

#include "editor_fixture.h"
#include "mp/host_contract.h"

namespace {

using namespace win;
using harness::Module;

const CLSID kPluginClass{0x302237E3, 0x3036, 0x49B9, {0x8F, 0x2A, 0x49, 0x20, 0xE8, 0xAF, 0x8E, 0x2F}};
const CLSID kPageClass{0xD3EDE25B, 0x24DD, 0x4688, {0xBC, 0xF1, 0xD2, 0xAA, 0xD5, 0x64, 0x38, 0xBA}};

class EntryPoints : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Module().error.empty()) << Module().error; }
};

// Fills a buffer of `length` characters (plus a guard) and returns what the entry point left there.
std::u16string InfoName(int length, CLSID* clsid, DWORD* flags, HRESULT* hr) {
    std::u16string buffer(32, u'#');
    *hr = Module().getInfo(clsid, buffer.data(), length, flags);
    return buffer;
}

TEST_F(EntryPoints, ObjectInfoCopiesAsMuchOfTheNameAsFits) {
    struct Case {
        int length;
        std::u16string expected; // the buffer's first characters afterwards
    } cases[] = {
        {0, u"####"},
        {1, std::u16string(1, u'\0') + u"###"},
        {5, std::u16string(u"Pian") + u'\0' + u"#"},
        {11, std::u16string(u"Piano Roll") + u'\0' + u"#"},
        {32, std::u16string(u"Piano Roll") + u'\0' + u"#"},
    };
    for (const Case& c : cases) {
        CLSID clsid{};
        DWORD flags = 0;
        HRESULT hr = E_FAIL;
        std::u16string buffer = InfoName(c.length, &clsid, &flags, &hr);
        SCOPED_TRACE(c.length);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected);
        EXPECT_TRUE(clsid == kPluginClass);
        EXPECT_EQ(flags, 0x52u);
    }
}

TEST_F(EntryPoints, ObjectInfoRefusesMissingOutPointers) {
    DWORD flags = 0;
    CLSID clsid{};
    char16_t name[4];
    EXPECT_EQ(Module().getInfo(nullptr, name, 4, &flags), E_POINTER);
    EXPECT_EQ(Module().getInfo(&clsid, name, 4, nullptr), E_POINTER);
    EXPECT_EQ(Module().getInfo(&clsid, nullptr, 4, &flags), E_POINTER);
    EXPECT_EQ(Module().getInfo(&clsid, nullptr, 0, &flags), S_OK);
}

TEST_F(EntryPoints, PageOnlyForThePageClass) {
    IPropertyPage* page = reinterpret_cast<IPropertyPage*>(0x1);
    EXPECT_EQ(Module().createPage(&kPluginClass, &page), E_NOINTERFACE);
    EXPECT_EQ(page, nullptr);
    EXPECT_EQ(Module().createPage(nullptr, &page), E_NOINTERFACE);
    EXPECT_EQ(Module().createPage(&kPageClass, nullptr), E_POINTER);

    ASSERT_EQ(Module().createPage(&kPageClass, &page), S_OK);
    ASSERT_NE(page, nullptr);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(page->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(page));
    IPersistStream* persist = reinterpret_cast<IPersistStream*>(0x1);
    EXPECT_EQ(page->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist)), E_NOINTERFACE);
    EXPECT_EQ(persist, nullptr);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(page->Release(), 0u);
}

TEST_F(EntryPoints, CreatedObjectHoldsExactlyOneReference) {
    EXPECT_EQ(Module().createObject(nullptr), E_POINTER);
    IUnknown* object = nullptr;
    ASSERT_EQ(Module().createObject(&object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u); // freed here; the sanitizer build would report a leak otherwise
}

class ObjectInterfaces : public harness::EditorFixture {
protected:
    void SetUp() override {
        harness::EditorFixture::SetUp();
        CreatePlugin();
    }
};

TEST_F(ObjectInterfaces, AnswersInTheDocumentedOrder) {
    IUnknown* unknown = Query<IUnknown>(IID_IUnknown);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(init)) << "IUnknown is the primary interface";

    auto* translation = Query<mp::IVorTranslationInfo>(mp::IID_IVorTranslationInfo);
    ASSERT_NE(translation, nullptr);
    IUnknown* back = nullptr;
    ASSERT_EQ(translation->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(static_cast<void*>(back), static_cast<void*>(init)) << "translation forwards to the primary";

    auto* persist = Query<IPersistStream>(IID_IPersistStream);
    auto* persistBase = Query<IPersist>(IID_IPersist);
    ASSERT_NE(persist, nullptr);
    ASSERT_NE(persistBase, nullptr);
    EXPECT_EQ(static_cast<void*>(persist), static_cast<void*>(persistBase));
    // The persistence object hands every other id back to the plug-in object.
    mp::IMPInitialise* viaPersist = nullptr;
    ASSERT_EQ(persist->QueryInterface(mp::IID_IMPInitialise, reinterpret_cast<void**>(&viaPersist)), S_OK);
    EXPECT_EQ(viaPersist, init);

    auto* pages = Query<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages);
    ASSERT_NE(pages, nullptr);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_TRUE(list.pElems[0] == kPageClass);
    CoTaskMemFree(list.pElems);
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);

    for (IUnknown* held : {static_cast<IUnknown*>(unknown), static_cast<IUnknown*>(translation), back,
                           static_cast<IUnknown*>(persist), static_cast<IUnknown*>(persistBase),
                           static_cast<IUnknown*>(viaPersist), static_cast<IUnknown*>(pages)})
        held->Release();
    // Only the fixture's two references are left.
    EXPECT_EQ(plugin->AddRef(), 3u);
    plugin->Release();
}

TEST_F(ObjectInterfaces, RefusesOtherIdsWithANullOutPointer) {
    const IID others[] = {mp::IID_IMPOptionalDelegate, mp::IID_IMPMidiData, IID_IClassFactory, IID_IPropertyPage,
                          mp::IID_IMPNotificationSink, IID_IConnectionPointContainer};
    for (const IID& iid : others) {
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(plugin->QueryInterface(iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(plugin->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ObjectInterfaces, CompanionOutlivingTheObjectFailsSafely) {
    auto* persist = Query<IPersistStream>(IID_IPersistStream);
    ASSERT_NE(persist, nullptr);
    init->Release();
    init = nullptr;
    EXPECT_EQ(plugin->Release(), 0u);
    plugin = nullptr;
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == kPluginClass);
    EXPECT_EQ(persist->IsDirty(), E_UNEXPECTED);
    ULARGE_INTEGER size{};
    EXPECT_EQ(persist->GetSizeMax(&size), E_UNEXPECTED);
    EXPECT_EQ(persist->Release(), 0u);
}

TEST_F(ObjectInterfaces, EnglishIsTheOnlyLanguage) {
    auto* translation = Query<mp::IVorTranslationInfo>(mp::IID_IVorTranslationInfo);
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->SetLanguage(0x409), S_OK);
    EXPECT_EQ(translation->SetLanguage(0x809), S_OK);
    EXPECT_EQ(translation->SetLanguage(0x407), E_FAIL);
    EXPECT_EQ(translation->SetLanguage(0x411), E_FAIL);
    translation->Release();
}

} // namespace
