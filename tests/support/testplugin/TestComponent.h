#pragma once

// The test component's class and interface, shared by the library and the
// test that creates it.

#include "platform/Component.h"

namespace vantor::test {

inline constexpr char CLSID_TestCounter[] = "{3C1B7E52-0F4A-4D8B-9A61-5E2D7C9F0A13}";
inline constexpr char IID_ITestCounter[] = "{A7D2E4F0-6B19-4C3E-8D57-1F0B9C2A6E84}";
inline constexpr char IID_IUnknown[] = "{00000000-0000-0000-C000-000000000046}";
inline constexpr char kTestComponentFile[] = "libvantor_testcomponent.so";

class ITestCounter : public platform::IUnknown {
public:
    // Adds `amount` to the counter and returns the new total.
    virtual int Add(int amount) = 0;
    // How many objects of the class are alive in the library.
    virtual int LiveObjects() = 0;

protected:
    ~ITestCounter() = default;
};

} // namespace vantor::test
