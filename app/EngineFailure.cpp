#include "app/EngineFailureInterface.h"

#include <algorithm>
#include <vector>

namespace vantor {

std::string EngineFailureReason(IPlayerEngine* engine)
{
    if (engine == nullptr)
        return {};
    void* object = nullptr;
    if (engine->QueryInterface(IID_IPlayerEngineFailure, &object) != platform::S_OK || object == nullptr)
        return {};
    auto* failure = static_cast<IPlayerEngineFailure*>(object);
    std::vector<char> buffer(256);
    int length = failure->LastFailureReason(buffer.data(), static_cast<int>(buffer.size()));
    if (length >= static_cast<int>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(length) + 1);
        length = failure->LastFailureReason(buffer.data(), static_cast<int>(buffer.size()));
    }
    failure->Release();
    if (length <= 0)
        return {};
    return std::string(
        buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(length), buffer.size() - 1));
}

} // namespace vantor
