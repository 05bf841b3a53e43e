#include "core/xml.h"

#include <algorithm>
#include <cstring>

#include "core/file.h"
#include "core/filefixture.h"
#include "core/getchar.h"
#include "core/zxml.h"

namespace {
std::string S(const TString& s) { return s.CStr(); }

std::unique_ptr<TXmlNode> Parse(const std::string& text) {
  auto doc = std::make_unique<TXmlNode>();
  EXPECT_TRUE(doc->LoadFromBuffer(text.data(), text.size()));
  return doc;
}

TEST(Xml, AttributesKeepTheirQuotingAndTextIsJoinedBySingleBlanks) {
  auto doc = Parse("<a x=1 y=\"2 3\">hello   big\n\t world</a>");
  TXmlNode* a = doc->FindChild("a");
  ASSERT_NE(a, nullptr);
  bool quoted = true;
  EXPECT_EQ(S(a->GetAttribute("x", &quoted)), "1");
  EXPECT_FALSE(quoted);
  EXPECT_EQ(S(a->GetAttribute("y", &quoted)), "2 3");
  EXPECT_TRUE(quoted);
  EXPECT_EQ(S(a->GetText()), "hello big world");
  EXPECT_EQ(S(a->ToString()), "<a\n    x=1\n    y=\"2 3\">\nhello big world\n</a>\n");
}

TEST(Xml, TextLosesQuotesAndGainsBlanksAroundMarkupCharacters) {
  auto doc = Parse("<t>a=b \"q w\" c&gt;d</t>");
  EXPECT_EQ(S(doc->FindChild("t")->GetText()), "a = b q w c>d");
}

TEST(Xml, EmptyElementsReadWithoutAttributesAndWriteAsTagPairs) {
  for (const char* text : {"<empty/>", "<empty />"}) {
    auto doc = Parse(text);
    ASSERT_EQ(doc->GetChildren().size(), 1u) << text;
    TXmlNode* e = doc->FindChild("empty");
    ASSERT_NE(e, nullptr) << text;
    EXPECT_TRUE(e->GetAttributes().empty()) << text;
    EXPECT_EQ(S(e->ToString()), "<empty>\n</empty>\n");
  }
  // Content after an empty element belongs to its parent.
  auto doc = Parse("<p><e/>after</p>");
  EXPECT_EQ(S(doc->FindChild("p")->GetText()), "after");
}

TEST(Xml, DeclarationDoctypeAndCommentsBecomeChildren) {
  auto doc = Parse(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE settings>\n"
      "<!-- about this file x=\"1\" -->\n<!--tight-->\n<settings><value/></settings>");
  std::vector<std::string> names;
  doc->ResetChildIterator();
  TString name;
  TXmlNode* child = nullptr;
  while (doc->NextChild(&name, &child)) names.push_back(S(name));
  EXPECT_EQ(names, (std::vector<std::string>{"?xml", "!DOCTYPE", "!--", "!--tight--", "settings"}));
  EXPECT_EQ(S(doc->FindChild("?xml")->GetAttribute("encoding")), "utf-8");
  TXmlNode* comment = doc->FindChild("!--");
  ASSERT_EQ(comment->GetAttributes().size(), 1u);  // only a name = value pair survives in a comment
  EXPECT_EQ(S(comment->GetAttribute("x")), "1");
  EXPECT_NE(doc->FindChild("settings")->FindChild("value"), nullptr);
}

TEST(Xml, ClosingTagWithAnotherNameClosesTheOpenElement) {
  auto doc = Parse("<a><b>inner</c>outer</z><d/>");
  TXmlNode* a = doc->FindChild("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(S(a->FindChild("b")->GetText()), "inner");
  EXPECT_EQ(S(a->GetText()), "outer");
  EXPECT_NE(doc->FindChild("d"), nullptr);
}

TEST(Xml, EntitiesAndReferencesDecode) {
  struct Case {
    const char* in;
    const char* text;
  } cases[] = {
      {"<t>x&#233;y</t>", "x\xE9y"},
      {"<t>&lt;b&gt; &amp;&quot;&apos;</t>", "<b> &\"'"},
      {"<t>&#0;a</t>", "&#0;a"},               // a reference to byte 0 stays text
      {"<t>&#x41;</t>", "&#x41;"},             // hexadecimal gives 0: stays text
      {"<t>&#123456789012;</t>", "&#123456789012;"},  // no ";" close by: the "&" stays
      {"<t>&#65 x;</t>", "&#65 x;"},           // the ";" lies in another token
      {"<t>&amp &unknown; &</t>", "&amp &unknown; &"},
      {"<t>a\xFF" "b \xC3\xA9</t>", "a\xFF" "b \xC3\xA9"},  // 0xFF is a byte like any other
  };
  for (auto& c : cases) EXPECT_EQ(S(Parse(c.in)->FindChild("t")->GetText()), c.text) << c.in;
  auto doc = Parse("<t v=&lt;b&gt; w=\"&#65;&#66;\"/>");
  EXPECT_EQ(S(doc->FindChild("t")->GetAttribute("v")), "<b>");
  EXPECT_EQ(S(doc->FindChild("t")->GetAttribute("w")), "AB");
}

TEST(Xml, EscapedMarkupAtTheStartOfATokenIsText) {
  auto doc = Parse("<t>&lt;notatag &gt; &#61;</t>");
  TXmlNode* t = doc->FindChild("t");
  EXPECT_TRUE(t->GetChildren().empty());
  EXPECT_EQ(S(t->GetText()), "<notatag > =");
}

TEST(Xml, EscapeWritesEntitiesAndNumericReferences) {
  EXPECT_EQ(S(XmlEscape("a<b>&\"'\t\xC3\xA9~")), "a&lt;b&gt;&amp;&quot;&apos;&#9;&#195;&#169;~");
  char text[] = "x&#233;y&lt;";
  int len = static_cast<int>(std::strlen(text));
  bool starts = false;
  XmlUnescape(text, &len, &starts);
  EXPECT_EQ(std::string(text, static_cast<size_t>(len)), "x\xE9y<");
  EXPECT_FALSE(starts);
  char lead[] = "&amp;x";
  len = 6;
  XmlUnescape(lead, &len, &starts);
  EXPECT_TRUE(starts);
  EXPECT_EQ(len, 2);
}

TEST(Xml, UnescapeNeverReadsPastTheGivenLength) {
  // The buffer holds more than the length says: nothing beyond it may be used.
  char text[] = "&#6;&amp;";
  int len = 3;
  XmlUnescape(text, &len, nullptr);
  EXPECT_EQ(std::string(text, static_cast<size_t>(len)), "&#6");
  char amp[] = "&am;p";
  len = 3;
  XmlUnescape(amp, &len, nullptr);
  EXPECT_EQ(std::string(amp, static_cast<size_t>(len)), "&am");
}

TEST(Xml, WrittenDocumentReadsBackTheSame) {
  auto doc = Parse(
      "<?xml version=\"1.0\"?><!DOCTYPE x><!-- note a=b -->"
      "<root name=\"A &amp; B\" n=3><item id='1'>caf\xC3\xA9   &lt;tag&gt;</item><item/>tail words</root>");
  std::string once = S(doc->ToString());
  auto again = Parse(once);
  EXPECT_EQ(S(again->ToString()), once);
  TXmlNode* root = again->FindChild("root");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(S(root->GetAttribute("name")), "A & B");
  EXPECT_EQ(S(root->GetText()), "tail words");
  EXPECT_EQ(S(root->FindChild("item")->GetText()), "caf\xC3\xA9 <tag>");
  EXPECT_EQ(again->GetChildren().size(), 4u);
  EXPECT_EQ(S(again->FindChild("!--")->GetAttribute("a")), "b");
  EXPECT_NE(again->FindChild("?xml"), nullptr);
  EXPECT_NE(again->FindChild("!DOCTYPE"), nullptr);
}

TEST(Xml, SetAttributeReplacesTheFirstAndQuotes) {
  TXmlNode n("n");
  n.AddAttribute("k", "1", false);
  n.AddAttribute("k", "2", false);
  n.SetAttribute("k", 42);
  n.SetAttribute("new", "v w");
  bool quoted = false;
  EXPECT_EQ(S(n.GetAttribute("k", &quoted)), "42");
  EXPECT_TRUE(quoted);
  EXPECT_EQ(S(n.GetAttributes()[1]->mValue), "2");
  quoted = true;
  EXPECT_TRUE(n.GetAttribute("K", &quoted).IsEmpty());  // names are case-sensitive
  EXPECT_TRUE(quoted);  // untouched when absent
  EXPECT_EQ(S(n.ToString()), "<n\n    k=\"42\"\n    k=2\n    new=\"v w\">\n</n>\n");
  TXmlNode* c = n.AddChild("c");
  c->AppendText("x", 1);
  EXPECT_EQ(S(n.ToString()), "<n\n    k=\"42\"\n    k=2\n    new=\"v w\">\n    <c>\n    x\n    </c>\n</n>\n");
}

TEST(Xml, MalformedInputKeepsWhatWasParsed) {
  struct Case {
    const char* in;
    bool error;
  } cases[] = {{"<a><b x=", true}, {"<a x=\"unclosed>text", true}, {"</a>", false}, {"<a>text", false},
               {"<>< = >", false}, {"", false}, {"<a b c=d = e>", false}};
  for (auto& c : cases) {
    TXmlNode doc;
    TGetCharString src(c.in, static_cast<int32_t>(std::strlen(c.in)));
    doc.ParseChildren(src);
    EXPECT_EQ(src.mError, c.error) << c.in;
  }
  TXmlNode doc;
  TGetCharString src("<a><b x=", 8);
  doc.ParseChildren(src);
  ASSERT_NE(doc.FindChild("a"), nullptr);
  EXPECT_NE(doc.FindChild("a")->FindChild("b"), nullptr);
}

TEST(Xml, DeepNestingIsReadFlatInsteadOfExhaustingTheStack) {
  filetest::TakeLogLines();
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  auto doc = Parse(deep);
  int depth = 0;
  for (const TXmlNode* n = doc.get(); !n->GetChildren().empty(); n = n->GetChildren().back().get()) ++depth;
  EXPECT_LE(depth, kMaxXmlDepth + 1);
  EXPECT_FALSE(filetest::TakeLogLines().empty());
}

TEST(Xml, DeepNestingIsWrittenBackWithCappedIndentationAndReadsTheSame) {
  filetest::TakeLogLines();
  std::string deep;
  for (int i = 0; i < 2000; ++i) deep += "<a x=1>";
  const std::string out = S(Parse(deep)->ToString());
  size_t widest = 0;
  for (size_t at = 0; at < out.size();) {
    size_t pad = out.find_first_not_of(' ', at) - at;
    widest = std::max(widest, pad);
    at = out.find('\n', at) + 1;
  }
  EXPECT_EQ(widest, static_cast<size_t>(kMaxXmlIndent) + 4);  // an attribute line at the cap
  EXPECT_EQ(out.rfind("<a\n    x=1>\n    <a\n        x=1>", 0), 0u);  // shallow levels: four blanks each
  // Below the cap and above the reader's depth limit, a written file reads back the same.
  std::string nested;
  for (int i = 0; i < 40; ++i) nested += "<a x=1>";
  const std::string once = S(Parse(nested)->ToString());
  EXPECT_EQ(S(Parse(once)->ToString()), once);
}

TEST(Xml, CompressedBlockEqualsItsPlainTwin) {
  std::string plain = "<?xml version=\"1.0\"?><strings><s id=\"a\">Hello   there</s><s id=b>\xC3\xA9</s></strings>";
  std::vector<uint8_t> z = CompressXmlText(plain.data(), plain.size());
  ASSERT_FALSE(z.empty());
  TXmlNode fromZ;
  EXPECT_TRUE(fromZ.LoadFromBuffer(z.data(), z.size()));
  EXPECT_EQ(S(fromZ.ToString()), S(Parse(plain)->ToString()));
  TXmlNode viaString;  // a NUL-terminated block that holds its whole stream
  z.push_back(0);
  EXPECT_TRUE(viaString.LoadFromString(reinterpret_cast<const char*>(z.data())));
  EXPECT_EQ(S(viaString.ToString()), S(fromZ.ToString()));
}

TEST(Xml, DamagedCompressedBlocksAreRefusedAndLeaveTheNodeUnchanged) {
  std::string plain = "<a>some text to compress</a>";
  std::vector<uint8_t> good = CompressXmlText(plain.data(), plain.size());
  auto with = [&](size_t at, uint32_t v) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    return b;
  };
  std::vector<uint8_t> corrupt = good;
  corrupt[kZxmlHeaderSize + 3] ^= 0x55;
  std::vector<uint8_t> shortText = with(8, static_cast<uint32_t>(plain.size() - 1));
  std::vector<uint8_t> cut(good.begin(), good.end() - 4);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"header only part", std::vector<uint8_t>(good.begin(), good.begin() + 8)},
      {"stream longer than block", with(4, static_cast<uint32_t>(good.size()))},
      {"huge text", with(8, 0xFFFFFFF0u)},
      {"corrupt stream", corrupt},
      {"text longer than declared", shortText},
      {"stream cut short", with(4, static_cast<uint32_t>(cut.size() - kZxmlHeaderSize))},
  };
  cases[5].bytes.resize(cut.size());
  for (auto& c : cases) {
    TXmlNode doc;
    doc.AddChild("kept");
    filetest::TakeLogLines();
    EXPECT_FALSE(doc.LoadCompressed(c.bytes.data(), c.bytes.size())) << c.name;
    EXPECT_EQ(doc.GetChildren().size(), 1u) << c.name;
    EXPECT_FALSE(filetest::TakeLogLines().empty()) << c.name;
  }
}

using XmlFiles = FileLayerTest;

TEST_F(XmlFiles, PlainAndCompressedFilesLoadAlikeFromDiskAndPacks) {
  std::string plain = "<settings>\n  <set name=\"volume\" value=80/>\n</settings>\n";
  std::vector<uint8_t> z = CompressXmlText(plain.data(), plain.size());
  std::string zs(z.begin(), z.end());
  Write("assets/plain.xml", plain);
  Write("assets/packed.xml", zs);
  WritePack("assets/p.vxp", {{"inpack.xml", zs}, {"inpackplain.xml", plain}});
  InitFileSystem();
  std::string expect = S(Parse(plain)->ToString());
  for (const char* path : {"plain.xml", "packed.xml", "inpack.xml", "inpackplain.xml", "::assets/packed.xml"}) {
    TXmlNode doc;
    EXPECT_TRUE(doc.Load(path)) << path;
    EXPECT_EQ(S(doc.ToString()), expect) << path;
  }
  TXmlNode missing;
  EXPECT_FALSE(missing.Load("missing.xml"));
  EXPECT_TRUE(missing.GetChildren().empty());
}
}  // namespace

namespace {
TEST(Xml, TextAppendedAfterParsingJoinsTheParsedWords) {
  auto doc = Parse("<a>one\ntwo</a>");
  TXmlNode* a = doc->FindChild("a");
  a->AppendText("three", 5);
  a->AppendText("four-and-more", 4);
  EXPECT_EQ(S(a->GetText()), "one two three four");
  EXPECT_EQ(S(a->ToString()), "<a>\none two three four\n</a>\n");
  std::string many = "<big>";
  for (int i = 0; i < 50000; ++i) many += "w" + std::to_string(i % 10) + " ";
  auto big = Parse(many + "</big>");
  EXPECT_EQ(big->FindChild("big")->GetText().Length(), 50000 * 3 - 1);
}

TEST(Xml, NulBytesNeverEnterTheTree) {
  std::string text("<a\0b k=\"v\0w\">x\0y \0 z</a>", 25);
  auto doc = Parse(text);
  TXmlNode* a = doc->FindChild("ab");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(S(a->GetAttribute("k")), "vw");
  EXPECT_EQ(S(a->GetText()), "xy z");
}
}  // namespace
