// Parser::Parse on arbitrary bytes: it either returns a document or raises
// ParsingException with a known code and a sane position. A parsed document
// is then read, copied and written, and what the writer gives must parse
// again.
#include "xml/AdvXMLParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace AdvXMLParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<Document> document;
    try {
        document = Parser::Parse(reinterpret_cast<const char*>(data), size);
    } catch (const ParsingException& e) {
        if (e.Code() < 1 || e.Code() > kErrorNestingTooDeep || e.Line() < 1 || e.Column() < 0
            || static_cast<std::size_t>(e.Line()) > size + 1 || static_cast<std::size_t>(e.Column()) > size)
            std::abort();
        return 0;
    }
    if (document->Root()->IsNull())
        std::abort();
    std::string value = document->Root()->Value();
    for (Attribute* attribute : document->Root()->Attributes())
        value += attribute->Value();
    auto copy = document->Copy();
    const std::string written = document->ToString();
    if (static_cast<Document*>(copy.get())->ToString() != written)
        std::abort();
    try {
        auto again = Parser::Parse(written.data(), written.size());
        if (again->Root()->Name() != document->Root()->Name())
            std::abort();
    } catch (const ParsingException&) {
        std::abort();
    }
    return 0;
}
