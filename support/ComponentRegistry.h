#pragma once

// The component registry: class id -> component library, kept in the user's
// registry file (a settings-store file). `regsvr32 /s LIB` loads LIB and
// calls its DllRegisterServer, which calls RegisterComponentClass with its
// own path; CoCreateInstance looks a class up, loads its library and asks
// the library's DllGetClassObject for the object. See platform/Component.h
// for the exports a component library has.

#include "platform/Component.h"

#include <optional>
#include <string>

namespace vantor {

// The registry file: $VANTOR_COMPONENT_REGISTRY when set (tests point it into
// their own folder), else the application-data folder + "/Corvane/Components.xml".
std::string ComponentRegistryPath();

// Records (or replaces) the library that serves `classId`. S_OK or E_FAIL.
int RegisterComponentClass(
    const std::string& classId, const std::string& libraryPath, const std::string& description);
// Removes the class. S_OK, or REGDB_E_CLASSNOTREG when it was not registered.
int UnregisterComponentClass(const std::string& classId);
// The library registered for `classId`, if any.
std::optional<std::string> FindComponentLibrary(const std::string& classId);

// Class context values; only in-process servers exist here.
constexpr unsigned CLSCTX_INPROC_SERVER = 0x1;
constexpr unsigned CLSCTX_INPROC_HANDLER = 0x2;

// Creates an object of `classId` and asks it for `interfaceId`. S_OK with one
// reference in *object; REGDB_E_CLASSNOTREG when the class is not
// registered; CLASS_E_CLASSNOTAVAILABLE when the library cannot be loaded or
// lacks its DllGetClassObject; the factory's own result otherwise. A loaded
// library stays loaded for the life of the process.
int CoCreateInstance(
    const char* classId, void* outer, unsigned classContext, const char* interfaceId, void** object);

} // namespace vantor
