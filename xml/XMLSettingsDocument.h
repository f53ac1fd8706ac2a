#pragma once

// The settings file's document: Application/Program/Configuration with
// Value and Key elements, built from a key tree and read back into one.

#include "xml/AdvXMLParser.h"
#include "xml/XMLKey.h"

#include <memory>
#include <string>

struct TXMLSettingsNames {
    std::string applicationName;
    std::string programName;
};

// Fills `root` from a parsed settings document (the root element's name is
// not checked; missing Program or Configuration elements are created empty,
// so such a file gives an empty tree) and returns the names it carries.
TXMLSettingsNames XMLKeysFromDocument(AdvXMLParser::Document& document, TXMLKey& root);

// The document of a settings file holding `root`: values in name order,
// subkeys after the values.
std::unique_ptr<AdvXMLParser::Document> XMLDocumentFromKeys(
    const TXMLSettingsNames& names, const TXMLKey& root);

// The settings file text of `root`, as the writer lays it out.
std::string XMLSettingsText(const TXMLSettingsNames& names, const TXMLKey& root);
