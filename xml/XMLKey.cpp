#include "xml/XMLKey.h"

TXMLKey* TXMLKey::FindSubKey(const std::string& name) const
{
    auto it = m_subKeys.find(name);
    return it == m_subKeys.end() ? nullptr : it->second.get();
}

TXMLKey& TXMLKey::SubKey(const std::string& name)
{
    auto& slot = m_subKeys[name];
    if (!slot)
        slot = std::make_unique<TXMLKey>(name);
    return *slot;
}

TXMLValue* TXMLKey::FindValue(const std::string& name)
{
    auto it = m_values.find(name);
    return it == m_values.end() ? nullptr : &it->second;
}

const TXMLValue* TXMLKey::FindValue(const std::string& name) const
{
    auto it = m_values.find(name);
    return it == m_values.end() ? nullptr : &it->second;
}

void TXMLKey::ClearModified()
{
    for (auto& [name, value] : m_values)
        value.SetModified(false);
    for (auto& [name, key] : m_subKeys)
        key->ClearModified();
}

void TXMLKey::Clear()
{
    m_values.clear();
    m_subKeys.clear();
}
