// Every syntax error code of the parser, with the line and column it reports.
#include "xml/AdvXMLParser.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <set>
#include <string>
#include <string_view>

using namespace AdvXMLParser;

namespace {

using namespace std::string_view_literals;

struct ErrorCase {
    std::string_view input;
    int code;
    int line;
    int column;
};

// Lines count from 1, columns from 0; the position is the one the parser had
// reached: the offending byte, or where the missing part was expected.
const ErrorCase kErrorCases[] = {
    // 1: the input ends inside a construct
    { "<a>text", kErrorEndOfInput, 1, 7 },
    { "<a x='1", kErrorEndOfInput, 1, 7 },
    { "<!--x", kErrorEndOfInput, 1, 5 },
    { "<a><![CDATA[x]]", kErrorEndOfInput, 1, 15 },
    { "<a><", kErrorEndOfInput, 1, 4 },
    { "<!DOCTYPE a [", kErrorEndOfInput, 1, 13 },
    // 2: a byte that is not a Char
    { "<a>\n  <b>\x01</b></a>", kErrorInvalidChar, 2, 5 },
    { "<a x='\x02'/>", kErrorInvalidChar, 1, 6 },
    { "<a x='&#1;'/>", kErrorInvalidChar, 1, 8 },
    { "<a x='&#256;'/>", kErrorInvalidChar, 1, 8 },
    { "<a><!--\x7f\x1f--></a>", kErrorInvalidChar, 1, 8 },
    { "<a>x\0</a>"sv, kErrorInvalidChar, 1, 4 },
    // 3: "=" missing after an attribute name or a declaration keyword
    { "<a x '1'/>", kErrorEqualMissing, 1, 5 },
    { "<?xml version '1.0'?><a/>", kErrorEqualMissing, 1, 14 },
    // 4: attribute value not quoted
    { "<a x=1/>", kErrorValueNotQuoted, 1, 5 },
    // 5: "<" inside an attribute value
    { "<a\n x='<'/>", kErrorLessThanInValue, 2, 4 },
    // 6: malformed reference, or a character reference in element content
    { "<a>&#65;</a>", kErrorMalformedReference, 1, 4 },
    { "<a>&;</a>", kErrorMalformedReference, 1, 4 },
    { "<a>&lt</a>", kErrorMalformedReference, 1, 6 },
    { "<a x='&#65'/>", kErrorMalformedReference, 1, 10 },
    { "<a x='& '/>", kErrorMalformedReference, 1, 7 },
    // 7, 8: malformed hexadecimal / decimal character reference
    { "<a x='&#xG;'/>", kErrorMalformedHexRef, 1, 9 },
    { "<a x='&#;'/>", kErrorMalformedDecimalRef, 1, 8 },
    // 9: entity in an attribute value that is not predefined
    { "<a x='&unknown;'/>", kErrorUnknownEntity, 1, 7 },
    // 10: name missing in an end tag
    { "<a></ >", kErrorTagNameMissing, 1, 5 },
    // 11: "/" not followed by ">"
    { "<a/ >", kErrorSlashWithoutGreater, 1, 3 },
    // 12: ">" missing at the end of a start or end tag
    { "<a x='1'y='2'/>", kErrorGreaterMissing, 1, 8 },
    { "<a></a x>", kErrorGreaterMissing, 1, 7 },
    // 13: end-tag name differs
    { "<a>\n</b>", kErrorEndTagMismatch, 2, 2 },
    { "<a><b></a></b>", kErrorEndTagMismatch, 1, 8 },
    // 14: unrecognised markup after "<"
    { "<a><!foo></a>", kErrorUnknownMarkup, 1, 4 },
    { "<a><1/></a>", kErrorUnknownMarkup, 1, 4 },
    // 15: "]]>" in content
    { "<a>x]]>y</a>", kErrorCDataEndInContent, 1, 4 },
    // 16: no root element
    { "", kErrorNoRootElement, 1, 0 },
    { "<!-- c -->", kErrorNoRootElement, 1, 10 },
    { "text", kErrorNoRootElement, 1, 0 },
    { "<!DOCTYPE a>\r\n", kErrorNoRootElement, 2, 0 },
    // 17: version missing or malformed
    { "<?xml encoding='UTF-8'?><a/>", kErrorVersion, 1, 6 },
    { "<?xml version='1.0?><a/>", kErrorVersion, 1, 18 },
    { "<?xml version=''?><a/>", kErrorVersion, 1, 15 },
    { "<?xml?><a/>", kErrorVersion, 1, 5 },
    // 18: declaration not closed by "?>"
    { "<?xml version='1.0' ?x><a/>", kErrorDeclarationEnd, 1, 20 },
    // 19, 20: encoding not quoted / malformed
    { "<?xml version='1.0' encoding=UTF-8?><a/>", kErrorEncodingNotQuoted, 1, 29 },
    { "<?xml version='1.0' encoding='8bit'?><a/>", kErrorEncodingMalformed, 1, 30 },
    { "<?xml version='1.0' encoding='UTF 8'?><a/>", kErrorEncodingMalformed, 1, 33 },
    // 21, 22: standalone not quoted / not yes or no
    { "<?xml version='1.0' standalone=yes?><a/>", kErrorStandaloneNotQuoted, 1, 31 },
    { "<?xml version='1.0' standalone='maybe'?><a/>", kErrorStandaloneMalformed, 1, 32 },
    { "<?xml version='1.0' standalone='yes\"?><a/>", kErrorStandaloneMalformed, 1, 35 },
    // 23: "--" inside a comment
    { "<a><!-- a -- b --></a>", kErrorDoubleHyphenInComment, 1, 12 },
    // 24, 25: processing-instruction target missing / reserved
    { "<a><? x?></a>", kErrorPiTargetMissing, 1, 5 },
    { "<a><?XmL x?></a>", kErrorPiTargetReserved, 1, 5 },
    { "<?xml-stylesheet href='s'?><a/>", kErrorPiTargetReserved, 1, 2 },
    { "<a/><?xml version='1.0'?>", kErrorPiTargetReserved, 1, 6 },
    // 26: malformed document type declaration
    { "<!DOCTYPE>", kErrorDoctype, 1, 9 },
    { "<!DOCTYPE a [ <!BOGUS> ]><a/>", kErrorDoctype, 1, 14 },
    { "<!DOCTYPE a [] x><a/>", kErrorDoctype, 1, 15 },
    // 27: malformed parameter-entity reference
    { "<!DOCTYPE a [ %p ]><a/>", kErrorParameterEntityRef, 1, 16 },
    // 28: byte not allowed in a public id
    { "<!DOCTYPE a PUBLIC 'a{b' 's'><a/>", kErrorPublicIdChar, 1, 21 },
    // 29: malformed element declaration
    { "<!DOCTYPE a [<!ELEMENT a>]><a/>", kErrorElementDecl, 1, 24 },
    { "<!DOCTYPE a [<!ELEMENT a EMPTY x>]><a/>", kErrorElementDecl, 1, 31 },
    // 30: malformed content model
    { "<!DOCTYPE a [<!ELEMENT a EVERYTHING>]><a/>", kErrorContentSpec, 1, 25 },
    { "<!DOCTYPE a [<!ELEMENT a (#PCDATA|b)>]><a/>", kErrorContentSpec, 1, 35 },
    { "<!DOCTYPE a [<!ELEMENT a (b c)>]><a/>", kErrorContentSpec, 1, 28 },
    // 31: "|" and "," mixed in one group
    { "<!DOCTYPE a [<!ELEMENT a (b|c,d)>]><a/>", kErrorMixedSeparators, 1, 29 },
    // 32: content particle missing
    { "<!DOCTYPE a [<!ELEMENT a (b|)>]><a/>", kErrorContentParticleMissing, 1, 28 },
    { "<!DOCTYPE a [<!ELEMENT a ()>]><a/>", kErrorContentParticleMissing, 1, 26 },
    // 33: malformed attribute-list declaration
    { "<!DOCTYPE a [<!ATTLIST>]><a/>", kErrorAttlistDecl, 1, 22 },
    { "<!DOCTYPE a [<!ATTLIST a x CDATA #IMPLIED]><a/>", kErrorAttlistDecl, 1, 41 },
    // 34: malformed attribute definition
    { "<!DOCTYPE a [<!ATTLIST a x CDATA>]><a/>", kErrorAttributeDef, 1, 32 },
    { "<!DOCTYPE a [<!ATTLIST a x CDATA #DEFAULT>]><a/>", kErrorAttributeDef, 1, 33 },
    // 35: malformed attribute type
    { "<!DOCTYPE a [<!ATTLIST a x STRING #IMPLIED>]><a/>", kErrorAttributeType, 1, 27 },
    { "<!DOCTYPE a [<!ATTLIST a x NOTATION p #IMPLIED>]><a/>", kErrorAttributeType, 1, 36 },
    // 36: malformed enumeration
    { "<!DOCTYPE a [<!ATTLIST a x (p|) #IMPLIED>]><a/>", kErrorEnumeration, 1, 30 },
    { "<!DOCTYPE a [<!ATTLIST a x (p q) #IMPLIED>]><a/>", kErrorEnumeration, 1, 30 },
    // 37: "#FIXED" not followed by a space
    { "<!DOCTYPE a [<!ATTLIST a x CDATA #FIXED'v'>]><a/>", kErrorFixedWithoutSpace, 1, 39 },
    // 38: malformed entity declaration
    { "<!DOCTYPE a [<!ENTITY e>]><a/>", kErrorEntityDecl, 1, 23 },
    { "<!DOCTYPE a [<!ENTITY e 'v' x>]><a/>", kErrorEntityDecl, 1, 28 },
    // 39: malformed NDATA part
    { "<!DOCTYPE a [<!ENTITY e SYSTEM 'u' NDATA>]><a/>", kErrorNData, 1, 40 },
    { "<!DOCTYPE a [<!ENTITY % e SYSTEM 'u' NDATA n>]><a/>", kErrorNData, 1, 37 },
    // 40: malformed notation declaration
    { "<!DOCTYPE a [<!NOTATION n>]><a/>", kErrorNotationDecl, 1, 25 },
    // 41: malformed external id
    { "<!DOCTYPE a SYSTEM><a/>", kErrorExternalId, 1, 18 },
    { "<!DOCTYPE a PUBLIC 'p'><a/>", kErrorExternalId, 1, 22 },
    // 42: malformed public id
    { "<!DOCTYPE a PUBLIC x><a/>", kErrorPublicId, 1, 19 },
    // Lines counted inside attribute values, comments and the document
    // type declaration; a byte-order mark is not markup.
    { "<a x='1\r\n2\r\x01'/>", kErrorInvalidChar, 3, 0 },
    { "<!--\r\n\r\n--x-->", kErrorDoubleHyphenInComment, 3, 2 },
    { "<!DOCTYPE a [\n  <!ELEMENT a (b,c|d)>\n]><a/>", kErrorMixedSeparators, 2, 18 },
    { "\xEF\xBB\xBF<a/>", kErrorNoRootElement, 1, 0 },
    // LF, CR LF and a lone CR each end one line.
    { "<a>\n\r\n\r  \x01</a>", kErrorInvalidChar, 4, 2 },
    // 43: content after the root element
    { "<a/>x", kErrorContentAfterRoot, 1, 4 },
    { "<a/>\n<b/>", kErrorContentAfterRoot, 2, 0 },
};

} // namespace

TEST(XmlParserErrors, EveryCodeWithLineAndColumn)
{
    std::set<int> codesSeen;
    for (const ErrorCase& c : kErrorCases) {
        const std::string input(c.input);
        SCOPED_TRACE(::testing::PrintToString(input));
        try {
            Parser::Parse(input.data(), input.size());
            ADD_FAILURE() << "parsed without error";
        } catch (const ParsingException& e) {
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_EQ(e.Column(), c.column);
            codesSeen.insert(e.Code());
        }
    }
    for (int code = 1; code <= 43; ++code)
        EXPECT_TRUE(codesSeen.count(code)) << "no case raises code " << code;
}

TEST(XmlParserErrors, NestingBeyondTheLimitIsRejectedNotCrashed)
{
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<e>";
        for (int i = 0; i < depth; ++i)
            text += "</e>";
        return text;
    };
    // The deepest accepted document is parsed in the stack test below.
    try {
        Parser::Parse(nested(Parser::kMaxNestingDepth + 1));
        FAIL() << "parsed without error";
    } catch (const ParsingException& e) {
        EXPECT_EQ(e.Code(), kErrorNestingTooDeep);
        EXPECT_EQ(e.Line(), 1);
        EXPECT_EQ(e.Column(), 3 * Parser::kMaxNestingDepth);
    }

    std::string groups = "<!DOCTYPE a [<!ELEMENT a ";
    for (int i = 0; i < 100000; ++i)
        groups += '(';
    try {
        Parser::Parse(groups);
        FAIL() << "parsed without error";
    } catch (const ParsingException& e) {
        EXPECT_EQ(e.Code(), kErrorNestingTooDeep);
    }
}

TEST(XmlParserErrors, TheDeepestAcceptedDocumentFitsInOneMebibyteOfStack)
{
    // Parsing, value text, copy, writing and freeing of the deepest document
    // the parser accepts, on a thread with 1 MiB of stack: an overflow would
    // crash the test.
    static std::string deepest;
    for (int i = 0; i < Parser::kMaxNestingDepth; ++i)
        deepest += "<e a='1'>x";
    for (int i = 0; i < Parser::kMaxNestingDepth; ++i)
        deepest += "</e>";
    static std::size_t written = 0;
    auto work = [](void*) -> void* {
        auto document = Parser::Parse(deepest);
        auto copy = document->Copy();
        written = static_cast<Document*>(copy.get())->ToString().size() + document->Root()->Value().size();
        document->Root()->AddText("changed");
        return nullptr;
    };
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 1 << 20);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, work, nullptr), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_GT(written, deepest.size());
}

TEST(XmlParserErrors, NoDocumentIsReturnedAndNothingLeaks)
{
    // The partly built tree is freed by the unwinding; the sanitizer build
    // reports any leak.
    const char* inputs[] = { "<a><b x='1'><c>text<d/>", "<a><b>&amp;<!--c--><?p d?><![CDATA[x]]>\x01" };
    for (const char* input : inputs)
        EXPECT_THROW(Parser::Parse(std::string(input)), ParsingException);
}
