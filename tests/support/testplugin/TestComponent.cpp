// A component library with one class, registered through the component
// registry exactly as the product's components are.

#include "TestComponent.h"

#include "platform/ShellFolders.h"
#include "support/ComponentRegistry.h"

#include <atomic>
#include <strings.h>

namespace {

using vantor::test::ITestCounter;

std::atomic<int> g_liveObjects { 0 };

bool SameId(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}

class TestCounter final : public ITestCounter {
public:
    TestCounter() { ++g_liveObjects; }
    ~TestCounter() { --g_liveObjects; }

    int QueryInterface(const char* interfaceId, void** object) override
    {
        if (!SameId(interfaceId, vantor::test::IID_ITestCounter)
            && !SameId(interfaceId, vantor::test::IID_IUnknown)) {
            *object = nullptr;
            return platform::E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<ITestCounter*>(this);
        return platform::S_OK;
    }
    unsigned AddRef() override { return ++m_references; }
    unsigned Release() override
    {
        unsigned left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }
    int Add(int amount) override { return m_total += amount; }
    int LiveObjects() override { return g_liveObjects; }

private:
    std::atomic<unsigned> m_references { 1 };
    int m_total = 0;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int DllRegisterServer()
{
    return vantor::RegisterComponentClass(vantor::test::CLSID_TestCounter,
        platform::ModulePath(reinterpret_cast<const void*>(&DllRegisterServer)), "Test counter");
}

extern "C" __attribute__((visibility("default"))) int DllUnregisterServer()
{
    return vantor::UnregisterComponentClass(vantor::test::CLSID_TestCounter);
}

extern "C" __attribute__((visibility("default"))) int DllGetClassObject(
    const char* classId, const char* interfaceId, void** object)
{
    *object = nullptr;
    if (!SameId(classId, vantor::test::CLSID_TestCounter))
        return platform::CLASS_E_CLASSNOTAVAILABLE;
    auto* counter = new TestCounter;
    int result = counter->QueryInterface(interfaceId, object);
    counter->Release();
    return result;
}
