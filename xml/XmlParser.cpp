// The recursive-descent parser over the XML 1.0 productions.
#include "xml/AdvXMLParser.h"

namespace AdvXMLParser {

std::unique_ptr<Document> Parser::Parse(const char*, std::size_t)
{
    throw ParsingException(kErrorNoRootElement, 1, 0);
}

} // namespace AdvXMLParser
