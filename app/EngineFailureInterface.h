#pragma once

// The Player engine's second interface, beside IPlayerEngine: why the last
// command failed. Asked for through QueryInterface with
// IID_IPlayerEngineFailure; an engine without it answers E_NOINTERFACE and
// the program then has no reason to show. IPlayerEngine and its slots stay
// as they are.

#include "app/PlayerEngineInterface.h"

#include <string>

namespace vantor {

inline constexpr char IID_IPlayerEngineFailure[] = "{5C0E2D7B-3B8A-4F61-9E27-A4D1B06C8F13}";

class IPlayerEngineFailure : public platform::IUnknown {
public:
    // Slot 3. The reason the last command failed, as UTF-8 text: copied
    // into `buffer` (cut and always terminated when `size` > 0). Returns the
    // reason's full length in bytes, 0 when the last command did not fail.
    // Each command clears the reason when it starts.
    virtual int LastFailureReason(char* buffer, int size) = 0;

protected:
    ~IPlayerEngineFailure() = default;
};

// The engine's reason for its last failure; empty without an engine, without
// the interface or without a reason.
std::string EngineFailureReason(IPlayerEngine* engine);

} // namespace vantor
