// The document model: lookups, find-or-create, null objects, text joining,
// copies, type tests and ownership.
#include "xml/AdvXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace AdvXMLParser;

namespace {

std::vector<std::string> ChildNames(const NodeContainer& container)
{
    std::vector<std::string> names;
    for (Node* child : container.Nodes())
        names.push_back(child->Name());
    return names;
}

} // namespace

TEST(XmlNodes, NewDocumentHasDefaultsAndOneRoot)
{
    Document document("Application");
    EXPECT_EQ(document.Name(), "#document");
    EXPECT_EQ(document.Version(), "1.0");
    EXPECT_EQ(document.Encoding(), "UTF-8");
    EXPECT_TRUE(document.Standalone());
    EXPECT_EQ(ChildNames(document), std::vector<std::string> { "Application" });
    EXPECT_EQ(document.Root()->Name(), "Application");
    EXPECT_EQ(document.Root()->Parent(), &document);
    EXPECT_TRUE(Document().Root()->IsNull());
}

TEST(XmlNodes, ChildFindsOrCreatesTheIndexthElementAndGetAttributeFindsOrAppends)
{
    auto document = Parser::Parse("<r><a>1</a><b/><a>2</a></r>");
    Element* root = document->Root();
    EXPECT_EQ(root->Child("a")->Value(), "1");
    EXPECT_EQ(root->Child("a", 1)->Value(), "2");
    EXPECT_EQ(root->FindChild("a", 1)->Value(), "2");
    EXPECT_EQ(root->ChildCount(), 3u);

    // Index 3 needs two more "a" elements: both are appended.
    Element* created = root->Child("a", 3);
    EXPECT_FALSE(created->IsNull());
    EXPECT_EQ(ChildNames(*root), (std::vector<std::string> { "a", "b", "a", "a", "a" }));
    EXPECT_EQ(root->FindChild("a", 3), created);
    EXPECT_EQ(root->LastChild(), created);

    // Names compare exactly.
    EXPECT_TRUE(root->FindChild("A")->IsNull());
    EXPECT_TRUE(root->FindChild("a", 9)->IsNull());
    EXPECT_TRUE(root->FindChild("a", -1)->IsNull());
    EXPECT_EQ(root->ChildCount(), 5u);

    // GetAttribute finds or appends.
    Document attributed("r");
    Element* element = attributed.Root();
    Attribute* b = element->GetAttribute("b");
    b->SetValue("2");
    element->GetAttribute("a")->SetValue("1");
    EXPECT_EQ(element->GetAttribute("b"), b);
    EXPECT_EQ(element->FindAttribute("b")->Value(), "2");
    std::vector<std::string> names;
    for (Attribute* attribute : element->Attributes())
        names.push_back(attribute->Name() + "=" + attribute->Value());
    EXPECT_EQ(names, (std::vector<std::string> { "b=2", "a=1" }));
    EXPECT_TRUE(element->RemoveAttribute("b"));
    EXPECT_FALSE(element->RemoveAttribute("b"));
    EXPECT_TRUE(element->FindAttribute("b")->IsNull());
}

TEST(XmlNodes, NullObjectsIgnoreEveryOperation)
{
    Document document("r");
    Element* null = document.Root()->FindChild("missing");
    ASSERT_TRUE(null->IsNull());
    EXPECT_EQ(null, Element::Null());

    // Chains through the null element stay on null objects, and nothing
    // done to them sticks or reaches a real container.
    EXPECT_EQ(null->Child("x", 2)->FindChild("y"), Element::Null());
    EXPECT_EQ(null->GetAttribute("a"), Attribute::Null());
    null->AddText("text");
    null->SetAttribute("a", "1");
    null->SetPreserveSpace(true);
    EXPECT_EQ(null->AppendChild(std::make_unique<Element>("c")), Element::Null());
    EXPECT_EQ(null->ChildCount(), 0u);
    EXPECT_TRUE(null->Attributes().empty());
    EXPECT_EQ(null->Value(), "");
    EXPECT_FALSE(null->PreserveSpace());
    Text::Null()->SetText("x");
    EXPECT_EQ(Text::Null()->Value(), "");
    EXPECT_EQ(document.Root()->ChildCount(), 0u);

    // Its copy is an ordinary empty element.
    auto copy = Element::Null()->Copy();
    ASSERT_TRUE(copy->IsType(NodeType::Element));
    EXPECT_FALSE(static_cast<Element*>(copy.get())->IsNull());
}

TEST(XmlNodes, TypeTestsAnswerTheOwnTypeOnlyAndOnlyPredefinedEntitiesExist)
{
    std::vector<std::pair<std::unique_ptr<Node>, int>> cases;
    cases.emplace_back(std::make_unique<Element>("e"), 1);
    cases.emplace_back(std::make_unique<Attribute>("a"), 2);
    cases.emplace_back(std::make_unique<Text>("t"), 3);
    cases.emplace_back(std::make_unique<CData>("c"), 4);
    cases.emplace_back(std::make_unique<CharRef>(65), 5);
    cases.emplace_back(std::make_unique<EntityRef>("lt"), 5);
    cases.emplace_back(std::make_unique<Pi>("p", "d"), 7);
    cases.emplace_back(std::make_unique<Comment>("c"), 8);
    cases.emplace_back(std::make_unique<Document>(), 9);
    for (const auto& [node, own] : cases) {
        for (int type = 0; type <= 10; ++type)
            EXPECT_EQ(node->IsType(static_cast<NodeType>(type)), type == own) << node->Name() << " " << type;
    }

    // Only the predefined entity references exist.
    try {
        EntityRef reference("copy");
        FAIL() << "made a reference to an unknown entity";
    } catch (const InvalidRefException& e) {
        EXPECT_EQ(e.Name(), "copy");
    }
    EXPECT_EQ(EntityRef("apos").Value(), "'");
    EXPECT_EQ(CharRef(0xE9).Value(), "\xE9");
}

TEST(XmlNodes, CopyIsDeepAndIndependent)
{
    auto document
        = Parser::Parse("<?xml version='1.1' encoding='latin1'?><!--c-->"
                        "<r xml:space='preserve' a='x&lt;'> t <e b='1'>&amp;</e><![CDATA[d]]><?p q?></r>");
    auto copy = document->Copy();
    ASSERT_TRUE(copy->IsType(NodeType::Document));
    auto* copied = static_cast<Document*>(copy.get());
    EXPECT_EQ(copied->ToString(), document->ToString());
    EXPECT_EQ(copied->Version(), "1.1");
    EXPECT_TRUE(copied->Root()->PreserveSpace());
    EXPECT_EQ(copied->Root()->Value(), document->Root()->Value());

    document->Root()->FindChild("e")->SetAttribute("b", "2");
    EXPECT_EQ(copied->Root()->FindChild("e")->FindAttribute("b")->Value(), "1");
    document.reset();
    EXPECT_EQ(copied->Root()->FindAttribute("a")->Value(), "x<");

    auto element = copied->Root()->FindChild("e")->Copy();
    EXPECT_EQ(element->Parent(), nullptr);
    EXPECT_EQ(element->Value(), "&");
}

TEST(XmlNodes, RemovingAndReplacingChildren)
{
    auto document = Parser::Parse("<!--c--><r><a/>x<b/></r><!--d-->");
    Element* root = document->Root();
    std::unique_ptr<Node> a = root->RemoveChild(root->FindChild("a"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(ChildNames(*root), (std::vector<std::string> { "#text", "b" }));
    EXPECT_FALSE(root->RemoveChild(a.get()));
    EXPECT_FALSE(document->RemoveChild(root->FindChild("b")));

    Node* inserted = root->InsertBefore(root->FirstChild(), std::move(a));
    EXPECT_EQ(ChildNames(*root), (std::vector<std::string> { "a", "#text", "b" }));
    EXPECT_EQ(inserted->Parent(), root);

    // A new root takes the old one's place between the comments.
    Element* newRoot = document->SetRoot(std::make_unique<Element>("n"));
    EXPECT_EQ(ChildNames(*document), (std::vector<std::string> { "#comment", "n", "#comment" }));
    EXPECT_EQ(document->Root(), newRoot);

    root = document->Root();
    root->AddText("t");
    root->RemoveChild(root->FirstChild());
    root->AddText("u");
    EXPECT_EQ(ChildNames(*root), std::vector<std::string> { "#text" });
    EXPECT_EQ(root->Value(), "u");
    root->RemoveChildren();
    EXPECT_EQ(root->ChildCount(), 0u);

    // A document without a root gets one after its other children.
    Document empty;
    empty.AppendChild(std::make_unique<Comment>("c"));
    Element* only = empty.SetRoot(std::make_unique<Element>("r"));
    EXPECT_EQ(empty.Root(), only);
    EXPECT_EQ(ChildNames(empty), (std::vector<std::string> { "#comment", "r" }));
    // A node that already has a parent is not adopted twice.
    std::unique_ptr<Element> borrowed(only->Child("c"));
    EXPECT_TRUE(empty.SetRoot(std::move(borrowed))->IsNull());
    EXPECT_EQ(empty.Root(), only);
}

TEST(XmlNodes, PreserveFlagFollowsXmlSpaceAndAddTextJoinsTheCurrentTextNode)
{
    Document document("r");
    Element* root = document.Root();
    root->AddText("  a  b ");
    EXPECT_EQ(root->Value(), "a b");
    root->SetAttribute("xml:space", "preserve");
    EXPECT_TRUE(root->PreserveSpace());
    EXPECT_EQ(root->Value(), "  a  b ");
    root->SetAttribute("xml:space", "default");
    EXPECT_FALSE(root->PreserveSpace());
    root->SetAttribute("xml:space", "preserve");
    root->RemoveAttribute("xml:space");
    EXPECT_FALSE(root->PreserveSpace());

    // A parsed value may spell the word with character references.
    auto parsed = Parser::Parse("<r xml:space='&#112;reserve'>  a  </r>");
    EXPECT_TRUE(parsed->Root()->PreserveSpace());
    EXPECT_EQ(parsed->Root()->Value(), "  a  ");

    // AddText joins the current text node.
    Document joined("r");
    Element* joining = joined.Root();
    joining->AddText("a");
    joining->AddText("b");
    EXPECT_EQ(joining->ChildCount(), 1u);
    joining->Child("e");
    joining->AddText("c");
    joining->AppendChild(std::make_unique<Comment>("note"));
    joining->AddText("d");
    joining->AddText("e");
    std::vector<std::string> texts;
    for (Node* child : *joining)
        texts.push_back(child->Name() + ":" + child->OwnText());
    EXPECT_EQ(texts, (std::vector<std::string> { "#text:ab", "e:", "#text:c", "#comment:note", "#text:de" }));
    EXPECT_EQ(joining->Value(), "abcnotede");

    // Parsed text is current too: added text joins the last text child.
    auto parsedTail = Parser::Parse("<r><e/>tail</r>");
    parsedTail->Root()->AddText(" more");
    EXPECT_EQ(parsedTail->Root()->ChildCount(), 2u);
    EXPECT_EQ(parsedTail->Root()->LastChild()->OwnText(), "tail more");
}
