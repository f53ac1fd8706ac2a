#pragma once

// A section of the settings store: values and subsections, each kept in
// byte-wise name order, which is also the order they are written in.

#include "xml/XMLValue.h"

#include <map>
#include <memory>
#include <string>

class TXMLKey {
public:
    explicit TXMLKey(std::string name)
        : m_name(std::move(name))
    {
    }

    const std::string& Name() const { return m_name; }

    std::map<std::string, TXMLValue>& Values() { return m_values; }
    const std::map<std::string, TXMLValue>& Values() const { return m_values; }
    // Subkeys are held by pointer: a map of an incomplete type is not allowed.
    std::map<std::string, std::unique_ptr<TXMLKey>>& SubKeys() { return m_subKeys; }
    const std::map<std::string, std::unique_ptr<TXMLKey>>& SubKeys() const { return m_subKeys; }

    // The subkey of that name, or null.
    TXMLKey* FindSubKey(const std::string& name) const;
    // The subkey of that name, created empty when missing.
    TXMLKey& SubKey(const std::string& name);
    // The value of that name, or null.
    TXMLValue* FindValue(const std::string& name);
    const TXMLValue* FindValue(const std::string& name) const;

    // Clears the modified flag of every value at every depth.
    void ClearModified();
    void Clear();

private:
    std::string m_name;
    std::map<std::string, TXMLValue> m_values;
    std::map<std::string, std::unique_ptr<TXMLKey>> m_subKeys;
};
