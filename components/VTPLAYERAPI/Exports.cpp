// The component library's exports: registration in the user's component
// registry and the factory of the Player engine.

#include "PlayerEngine.h"
#include "platform/ShellFolders.h"
#include "support/ComponentRegistry.h"

#include <new>
#include <strings.h>

namespace {

constexpr char kDescription[] = "Vantor Player engine";

} // namespace

extern "C" {

__attribute__((visibility("default"))) int DllRegisterServer()
{
    const std::string library = platform::ModulePath(reinterpret_cast<const void*>(&DllRegisterServer));
    if (library.empty())
        return platform::E_FAIL;
    return vantor::RegisterComponentClass(vantor::CLSID_PlayerEngine, library, kDescription);
}

__attribute__((visibility("default"))) int DllUnregisterServer()
{
    return vantor::UnregisterComponentClass(vantor::CLSID_PlayerEngine);
}

__attribute__((visibility("default"))) int DllGetClassObject(
    const char* classId, const char* interfaceId, void** object)
{
    if (object == nullptr)
        return platform::E_FAIL;
    *object = nullptr;
    if (classId == nullptr || strcasecmp(classId, vantor::CLSID_PlayerEngine) != 0)
        return platform::CLASS_E_CLASSNOTAVAILABLE;
    auto* engine = new (std::nothrow) vtapi::TPlayerEngine();
    if (engine == nullptr)
        return platform::E_FAIL;
    const int result = engine->QueryInterface(interfaceId, object);
    engine->Release();
    return result;
}

} // extern "C"
