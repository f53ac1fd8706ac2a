#pragma once

// The smallest COM: reference-counted objects behind interfaces identified by
// text GUIDs ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", compared without
// regard to case). A component library exports, with C linkage:
//
//   int DllRegisterServer();    // records its classes in the user's component registry
//   int DllUnregisterServer();  // removes them
//   int DllGetClassObject(const char* classId, const char* interfaceId, void** object);
//                               // makes a new object; 0 on success, *object holds one reference
//
// The registry itself (regsvr32, CoCreateInstance) lives in support/ComponentRegistry.h.

namespace platform {

class IUnknown {
public:
    // Slot 0. 0 and one new reference in *object when the interface is known.
    virtual int QueryInterface(const char* interfaceId, void** object) = 0;
    // Slot 1.
    virtual unsigned AddRef() = 0;
    // Slot 2. Destroys the object with the last reference.
    virtual unsigned Release() = 0;

protected:
    ~IUnknown() = default;
};

using DllRegisterServerFn = int (*)();
using DllUnregisterServerFn = int (*)();
using DllGetClassObjectFn = int (*)(const char* classId, const char* interfaceId, void** object);

// COM-style results for the registry calls.
constexpr int S_OK = 0;
constexpr int E_FAIL = static_cast<int>(0x80004005u);
constexpr int E_NOINTERFACE = static_cast<int>(0x80004002u);
constexpr int REGDB_E_CLASSNOTREG = static_cast<int>(0x80040154u);
constexpr int CLASS_E_CLASSNOTAVAILABLE = static_cast<int>(0x80040111u);

} // namespace platform
