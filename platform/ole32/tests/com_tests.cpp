// In-process servers through the class registry, GUID text, the task allocator.
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

DEFINE_GUID(CLSID_TestCounter, 0x2F1B8C10, 0x1D2E, 0x4A5B, 0x9C, 0x01, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC);
DEFINE_GUID(CLSID_Unregistered, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55);

class ClassRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        file_ = std::string(scratch ? scratch : "/tmp") + "/classes.reg";
        // Keys are looked up in any letter case.
        std::ofstream(file_) << "[Classes]\n{2f1b8c10-1d2e-4a5b-9c01-123456789abc}=" << TEST_SERVER_MODULE << "\n";
        setenv("WINPLAT_REGISTRY", file_.c_str(), 1);
        CoInitialize(nullptr);
    }
    void TearDown() override
    {
        CoUninitialize();
        unsetenv("WINPLAT_REGISTRY");
    }
    std::string file_;
};

TEST_F(ClassRegistry, CreatesObjectsAndUnloadsTheIdleModule)
{
    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    ASSERT_NE(object, nullptr);

    HMODULE module = GetModuleHandleA("libtest_server.so");
    ASSERT_NE(module, nullptr);
    LONG events = 0;
    auto observe = reinterpret_cast<void (*)(LONG*)>(GetProcAddress(module, "TestObserve"));
    observe(&events);
    struct StopObserving {
        void (*observe)(LONG*);
        ~StopObserving()
        {
            if (GetModuleHandleA("libtest_server.so")) observe(nullptr);
        }
    } stopObserving{observe};

    CoFreeUnusedLibraries();  // an object still lives: the module stays
    EXPECT_EQ(events, 0);
    EXPECT_NE(GetModuleHandleA("libtest_server.so"), nullptr);

    object->Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(events, 100);  // detached once
    EXPECT_EQ(GetModuleHandleA("libtest_server.so"), nullptr);
}

TEST_F(ClassRegistry, ClassObjectAndErrors)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    IUnknown* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(factory, IID_IUnknown, reinterpret_cast<void**>(&object)),
              CLASS_E_NOAGGREGATION);
    factory->Release();
    void* nothing = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_Unregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &nothing),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(nothing, nullptr);
    CoFreeUnusedLibraries();
}

TEST(Guids, TextRoundTrip)
{
    WCHAR text[39];
    ASSERT_EQ(StringFromGUID2(CLSID_TestCounter, text, 39), 39);
    EXPECT_EQ(std::wstring(text), L"{2F1B8C10-1D2E-4A5B-9C01-123456789ABC}");
    CLSID back;
    EXPECT_EQ(CLSIDFromString(text, &back), S_OK);
    EXPECT_TRUE(IsEqualGUID(back, CLSID_TestCounter));
    EXPECT_EQ(StringFromGUID2(CLSID_TestCounter, text, 38), 0);
    EXPECT_EQ(CLSIDFromString(L"{2F1B8C10-1D2E-4A5B-9C01-123456789ABX}", &back), CO_E_CLASSSTRING);
}

TEST(TaskAllocator, AllocatesAndFrees)
{
    IMalloc* malloc = nullptr;
    ASSERT_EQ(CoGetMalloc(MEMCTX_TASK, &malloc), S_OK);
    void* p = malloc->Alloc(64);
    ASSERT_NE(p, nullptr);
    EXPECT_GE(malloc->GetSize(p), 64u);
    malloc->Free(p);
    malloc->Release();
}

}  // namespace
