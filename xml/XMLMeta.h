#pragma once

// Free-form annotation of a settings value. No part of the program sets it;
// it is read from a file and written back unchanged, so that files edited by
// other tools keep what they carry.

#include <map>
#include <string>

// One metadata attribute: a text and named properties, both kept in
// byte-wise name order.
struct TXMLMetaAttribute {
    std::string text;
    std::map<std::string, std::string> properties;

    bool operator==(const TXMLMetaAttribute&) const = default;
};

struct TXMLMetadata {
    std::string text;
    std::map<std::string, TXMLMetaAttribute> attributes;

    bool Empty() const { return text.empty() && attributes.empty(); }
    bool operator==(const TXMLMetadata&) const = default;
};
