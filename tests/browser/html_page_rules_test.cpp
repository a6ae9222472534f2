// The normaliser's element rules, one row per rule: a snippet of a page as written and the
// markup its BODY becomes, compared byte for byte.
#include "browser/html_page.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vantorel::browser {
namespace {

// Every image source resolves to a 40 x 20 image named "img:" + source, except "none.gif"
// and the 60000 x 50000 "huge.gif".
std::optional<PlacedImage> ResolveImage(const std::string& src, const HtmlPage&) {
  if (src == "none.gif") return std::nullopt;
  if (src == "huge.gif") return PlacedImage{"img:" + src, 60000, 50000};
  return PlacedImage{"img:" + src, 40, 20};
}

// The normalised markup between the BODY start tag and "</body></html>"; the whole markup
// when it is not framed that way, so that a failure shows it.
std::string NormalisedBody(const std::string& html, const PageDefaults& defaults = {}) {
  const std::string markup = ParseHtmlPage(html, defaults, ResolveImage).markup;
  const std::string end = "</body></html>";
  if (markup.rfind("<html><body ", 0) != 0 || !markup.ends_with(end)) return markup;
  const std::size_t start = markup.find('>', 6) + 1;
  return markup.substr(start, markup.size() - end.size() - start);
}

std::string Repeated(const std::string& text, int count) {
  std::string repeated;
  for (int i = 0; i < count; ++i) repeated += text;
  return repeated;
}

struct RuleCase {
  const char* rule;  // what the row pins
  const char* html;  // the page as written
  const char* body;  // the normalised BODY
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.rule; }

class ElementRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ElementRuleTest, NormalisesAsWritten) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(NormalisedBody(c.html), c.body) << c.rule << "\n  html: " << c.html;
}

// Runs of text carry their computed style as one span; the default style writes no span.
const RuleCase kTextStyleRules[] = {
    {"B and STRONG are bold", "<b>a</b><strong>b</strong>",
     R"(<span style="font-weight:bold;">a</span><span style="font-weight:bold;">b</span>)"},
    {"I, EM, CITE, VAR and DFN are italic", "<i>a</i><em>b</em><cite>c</cite><var>d</var><dfn>e</dfn>",
     R"(<span style="font-style:italic;">a</span><span style="font-style:italic;">b</span>)"
     R"(<span style="font-style:italic;">c</span><span style="font-style:italic;">d</span>)"
     R"(<span style="font-style:italic;">e</span>)"},
    {"U and INS underline", "<u>a</u><ins>b</ins>",
     R"(<span style="text-decoration: underline;">a</span><span style="text-decoration: underline;">b</span>)"},
    {"S, STRIKE and DEL strike through", "<s>a</s><strike>b</strike><del>c</del>",
     R"(<span style="text-decoration: line-through;">a</span>)"
     R"(<span style="text-decoration: line-through;">b</span>)"
     R"(<span style="text-decoration: line-through;">c</span>)"},
    {"underline and strike together", "<u><s>a</s></u>",
     R"(<span style="text-decoration: underline line-through;">a</span>)"},
    {"SUB and SUP are one size smaller and shifted", "<sub>a</sub><sup>b</sup>",
     R"(<span style="font-size:10pt;vertical-align:sub;">a</span>)"
     R"(<span style="font-size:10pt;vertical-align:super;">b</span>)"},
    {"SUB at size 1 stays at size 1", "<font size=1><sub>a</sub></font>",
     R"(<span style="font-size:7.5pt;vertical-align:sub;">a</span>)"},
    {"BIG and SMALL are one size up and down", "<big>a</big><small>b</small>",
     R"(<span style="font-size:13.5pt;">a</span><span style="font-size:10pt;">b</span>)"},
    {"BIG at 7 and SMALL at 1 stay", "<font size=7><big>a</big></font><font size=1><small>b</small></font>",
     R"(<span style="font-size:36pt;">a</span><span style="font-size:7.5pt;">b</span>)"},
    {"TT, CODE, KBD and SAMP take the fixed-pitch face", "<tt>a</tt><code>b</code><kbd>c</kbd><samp>d</samp>",
     R"(<span style="font-family:'Courier New';">a</span><span style="font-family:'Courier New';">b</span>)"
     R"(<span style="font-family:'Courier New';">c</span><span style="font-family:'Courier New';">d</span>)"},
    {"FONT SIZE 1 to 7 in points; 3 is the base size",
     "<font size=1>a</font><font size=2>b</font><font size=3>c</font><font size=4>d</font>"
     "<font size=5>e</font><font size=6>f</font><font size=7>g</font>",
     R"(<span style="font-size:7.5pt;">a</span><span style="font-size:10pt;">b</span>c)"
     R"(<span style="font-size:13.5pt;">d</span><span style="font-size:18pt;">e</span>)"
     R"(<span style="font-size:24pt;">f</span><span style="font-size:36pt;">g</span>)"},
    {"FONT SIZE with a sign is relative to the base size",
     R"(<font size=+2>a</font><font size="-1">b</font><font size=" +1 ">c</font>)",
     R"(<span style="font-size:18pt;">a</span><span style="font-size:10pt;">b</span>)"
     R"(<span style="font-size:13.5pt;">c</span>)"},
    {"FONT SIZE is clamped to 1..7", "<font size=9>a</font><font size=-9>b</font><font size=0>c</font>"
     "<font size=+99999999999>d</font>",
     R"(<span style="font-size:36pt;">a</span><span style="font-size:7.5pt;">b</span>)"
     R"(<span style="font-size:7.5pt;">c</span><span style="font-size:36pt;">d</span>)"},
    {"FONT SIZE without a number is ignored", R"(<font size=big>a</font><font size="">b</font>)", "ab"},
    {"nested FONT SIZE is relative to the base size, not to the outer FONT",
     "<font size=5><font size=+1>a</font></font>", R"(<span style="font-size:13.5pt;">a</span>)"},
    {"BASEFONT SIZE sets the size of plain text and the base of relative sizes",
     "<body><basefont size=5>a<font size=+1>b</font><font size=5>c</font><small>d</small>",
     R"(<span style="font-size:18pt;">a</span><span style="font-size:24pt;">b</span>)"
     R"(<span style="font-size:18pt;">c</span><span style="font-size:13.5pt;">d</span>)"},
    {"BASEFONT SIZE with a sign is relative to 3; text at size 3 carries no size",
     "<body><basefont size=6><basefont size=-1>a<big>b</big>",
     R"(<span style="font-size:10pt;">a</span>b)"},
    {"BASEFONT SIZE is clamped to 1..7", "<body><basefont size=12>a<basefont size=-5>b",
     R"(<span style="font-size:36pt;">a</span><span style="font-size:7.5pt;">b</span>)"},
    {"FONT COLOR: hexadecimal with or without # and colour names",
     R"(<font color=ff0000>a</font><font color="#00FF00">b</font><font color=Navy>c</font>)",
     R"(<span style="color:#ff0000;">a</span><span style="color:#00ff00;">b</span>)"
     R"(<span style="color:#000080;">c</span>)"},
    {"FONT COLOR that names no colour is ignored",
     "<font color=#12>a</font><font color=nocolour>b</font>", "ab"},
    {"text in the BODY TEXT colour carries no colour",
     "<body text=008000><font color=green>a</font><font color=red>b</font>",
     R"(a<span style="color:#ff0000;">b</span>)"},
    {"FONT FACE takes the first name of the list; the default face is not written",
     R"(<font face="Arial, Helvetica">a</font><font face=" Courier New ">b</font>)"
     R"(<font face="Times New Roman">c</font>)",
     R"(<span style="font-family:'Arial';">a</span><span style="font-family:'Courier New';">b</span>c)"},
    {"FONT FACE loses quotes, semicolons and markup characters", R"(<font face="O'Brien; <x>">a</font>)",
     R"(<span style="font-family:'OBrien x';">a</span>)"},
    {"FONT with every attribute", "<font size=4 color=blue face=Verdana>a</font>",
     R"(<span style="color:#0000ff;font-size:13.5pt;font-family:'Verdana';">a</span>)"},
    {"FONT around paragraphs styles the text of each", "<font color=red><p>a<p>b</font>",
     R"(<p><span style="color:#ff0000;">a</span></p><p><span style="color:#ff0000;">b</span></p>)"},
    {"elements without a rule show their content", "<span>a</span><blink>b</blink><font>c</font>", "abc"},
};
INSTANTIATE_TEST_SUITE_P(TextStyle, ElementRuleTest, ::testing::ValuesIn(kTextStyleRules));

const RuleCase kTextRules[] = {
    {"text is escaped", R"(a &amp; b &lt;c&gt; "d")", "a &amp; b &lt;c&gt; &quot;d&quot;"},
    {"white space between elements is one blank", "<b>a</b> \r\n <i>b</i>",
     R"(<span style="font-weight:bold;">a</span> <span style="font-style:italic;">b</span>)"},
    {"parts that show nothing are left out",
     "<body><script>s</script><style>t</style><noscript>n</noscript><noframes>f</noframes>"
     "<iframe>i</iframe><object>o</object><applet>p</applet><map><area></map>"
     "<select><option>x</select><textarea>t</textarea><button>b</button>a",
     "a"},
    {"a FRAMESET inside the body is left out", "a<frameset><frame src=x.htm></frameset>b", "ab"},
};
INSTANTIATE_TEST_SUITE_P(Text, ElementRuleTest, ::testing::ValuesIn(kTextRules));

const RuleCase kLinkRules[] = {
    {"A HREF becomes a numbered link in the link colour, underlined", "<a href=x.htm>a</a>",
     R"(<a href="vlink:0"><span style="color:#0000ff;text-decoration: underline;">a</span></a>)"},
    {"a link keeps the other styles of its text", "<a href=x.htm><b>a</b><s>b</s></a>",
     R"(<a href="vlink:0"><span style="color:#0000ff;font-weight:bold;text-decoration: underline;">a</span>)"
     R"(</a>)"
     R"(<a href="vlink:0"><span style="color:#0000ff;text-decoration: underline line-through;">b</span></a>)"},
    {"FONT COLOR inside a link wins over the link colour", "<a href=x.htm><font color=red>a</font></a>",
     R"(<a href="vlink:0"><span style="color:#ff0000;text-decoration: underline;">a</span></a>)"},
    {"BODY LINK sets the link colour", "<body link=800000><a href=x.htm>a</a><a href=y.htm>b</a>",
     R"(<a href="vlink:0"><span style="color:#800000;text-decoration: underline;">a</span></a>)"
     R"(<a href="vlink:1"><span style="color:#800000;text-decoration: underline;">b</span></a>)"},
    {"A NAME is a marker named in hexadecimal before the next text", "<a name=Top></a><p>a",
     R"(<p><img src="vanchor:546f70" width="0" height="0" />a</p>)"},
    {"A ID names an anchor as A NAME does", R"(<a id="x y"></a>a)",
     R"(<img src="vanchor:782079" width="0" height="0" />a)"},
    {"an anchor that no text follows ends the page", "a<a name=End></a>",
     R"(a<img src="vanchor:456e64" width="0" height="0" />)"},
    {"an anchor before an image is placed before the image", "<a name=Pic></a><img src=a.gif>",
     R"(<img src="vanchor:506963" width="0" height="0" /><img src="img:a.gif" width="40" height="20" />)"},
};
INSTANTIATE_TEST_SUITE_P(Links, ElementRuleTest, ::testing::ValuesIn(kLinkRules));

const RuleCase kBlockRules[] = {
    {"P ALIGN in any case; MIDDLE centres; other values are dropped",
     R"(<p align=right>a<p align=LEFT>b<p align=" Center ">c<p align=justify>d<p align=middle>e)"
     "<p align=bogus>f",
     R"(<p align="right">a</p><p align="left">b</p><p align="center">c</p><p align="justify">d</p>)"
     R"(<p align="center">e</p><p>f</p>)"},
    {"ADDRESS is an italic paragraph",
     "<address>a</address>", R"(<p><span style="font-style:italic;">a</span></p>)"},
    {"CENTER centres the blocks inside it that have no ALIGN of their own",
     "<center>a<p>b<p align=right>c</center><p>d",
     R"(<div align="center">a<p align="center">b</p><p align="right">c</p></div><p>d</p>)"},
    {"DIV ALIGN=CENTER centres as CENTER does",
     "<div align=center><p>a</div><div align=right>b</div><div>c</div>",
     R"(<div align="center"><p align="center">a</p></div><div align="right">b</div><div>c</div>)"},
    {"DIV ALIGN=MIDDLE centres", "<div align=middle>a</div>", R"(<div align="center">a</div>)"},
    {"H1 to H6 are bold at sizes 6 down to 1",
     "<h1>a</h1><h2>b</h2><h3>c</h3><h4>d</h4><h5>e</h5><h6 align=center>f</h6>",
     R"(<h1><span style="font-size:24pt;font-weight:bold;">a</span></h1>)"
     R"(<h2><span style="font-size:18pt;font-weight:bold;">b</span></h2>)"
     R"(<h3><span style="font-size:13.5pt;font-weight:bold;">c</span></h3>)"
     R"(<h4><span style="font-weight:bold;">d</span></h4>)"
     R"(<h5><span style="font-size:10pt;font-weight:bold;">e</span></h5>)"
     R"(<h6 align="center"><span style="font-size:7.5pt;font-weight:bold;">f</span></h6>)"},
    {"a heading's size does not depend on the FONT around it", "<font size=1><h1>a</h1></font>",
     R"(<h1><span style="font-size:24pt;font-weight:bold;">a</span></h1>)"},
    {"BR is a line break", "a<br>b<br clear=all>c", "a<br />b<br />c"},
    {"PRE keeps white space and takes the fixed-pitch face", "<pre> a  b\n\n  c <b>d</b></pre>",
     R"(<pre><span style="font-family:'Courier New';"> a  b)" "\n\n"
     R"(  c </span><span style="font-family:'Courier New';font-weight:bold;">d</span></pre>)"},
    {"XMP and LISTING are PRE", "<xmp>a <b> </xmp><listing>c</listing>",
     R"(<pre><span style="font-family:'Courier New';">a &lt;b&gt; </span></pre>)"
     R"(<pre><span style="font-family:'Courier New';">c</span></pre>)"},
    {"BLOCKQUOTE", "<blockquote>a</blockquote>", "<blockquote>a</blockquote>"},
};
INSTANTIATE_TEST_SUITE_P(Blocks, ElementRuleTest, ::testing::ValuesIn(kBlockRules));

const RuleCase kListRules[] = {
    {"UL TYPE in lower case; DIR and MENU are UL",
     "<ul type=SQUARE><li>a</ul><ul><li>b</ul><dir><li>c</dir><menu><li>d</menu>",
     R"(<ul type="square"><li>a</li></ul><ul><li>b</li></ul><ul><li>c</li></ul><ul><li>d</li></ul>)"},
    {"OL TYPE keeps its case", "<ol type=a><li>a</ol><ol type=I><li>b</ol>",
     R"(<ol type="a"><li>a</li></ol><ol type="I"><li>b</li></ol>)"},
    {"a list TYPE with markup characters is dropped", R"(<ol type='x"y'><li>a</ol>)", "<ol><li>a</li></ol>"},
    {"DL, DT and DD take no ALIGN", "<dl align=right><dt>a<dd>b</dl>", "<dl><dt>a</dt><dd>b</dd></dl>"},
};
INSTANTIATE_TEST_SUITE_P(Lists, ElementRuleTest, ::testing::ValuesIn(kListRules));

const RuleCase kTableRules[] = {
    {"TABLE without attributes: no border, padding 1, spacing 2", "<table><tr><td>a</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"},
    {"TABLE BORDER without a value is 1", "<table border><tr><td>a</table>",
     R"(<table border="1" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"},
    {"TABLE BORDER without a number is 1", "<table border=x><tr><td>a</table>",
     R"(<table border="1" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"},
    {"TABLE BORDER is clamped to 0..20", "<table border=50><tr><td>a</table><table border=-3><tr><td>b</table>",
     R"(<table border="20" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">b</td></tr>)"
     R"(</table>)"},
    {"TABLE CELLPADDING and CELLSPACING", "<table cellpadding=5 cellspacing=0><tr><td>a</table>",
     R"(<table border="0" cellpadding="5" cellspacing="0"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"},
    {"TABLE CELLPADDING and CELLSPACING are clamped to 0..100",
     "<table cellpadding=500 cellspacing=-4><tr><td>a</table>",
     R"(<table border="0" cellpadding="100" cellspacing="0"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"},
    {"TABLE WIDTH in pixels or percent; percent at most 100",
     R"(<table width=640><tr><td>a</table><table width="80%"><tr><td>b</table><table width=150%><tr>)"
     R"(<td>c</table>)",
     R"(<table border="0" cellpadding="1" cellspacing="2" width="640"><tr>)"
     R"(<td align="left" valign="middle">a</td></tr></table>)"
     R"(<table border="0" cellpadding="1" cellspacing="2" width="80%"><tr>)"
     R"(<td align="left" valign="middle">b</td></tr></table>)"
     R"(<table border="0" cellpadding="1" cellspacing="2" width="100%"><tr>)"
     R"(<td align="left" valign="middle">c</td></tr></table>)"},
    {"TABLE WIDTH negative or without a number is dropped",
     "<table width=-1><tr><td>a</table><table width=wide><tr><td>b</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">b</td></tr>)"
     R"(</table>)"},
    {"TABLE ALIGN and BGCOLOR", "<table align=right bgcolor=ffff00><tr><td>a</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2" align="right" bgcolor="#ffff00"><tr>)"
     R"(<td align="left" valign="middle">a</td></tr></table>)"},
    {"CENTER centres the table but not the text of its cells", "<center><table><tr><td>a<p>b</table></center>",
     R"(<div align="center"><table border="0" cellpadding="1" cellspacing="2" align="center"><tr>)"
     R"(<td align="left" valign="middle">a<p>b</p></td></tr></table></div>)"},
    {"a table starts with the page's plain text style",
     "<font color=red size=5><b>a<table><tr><td>b</table>c</b></font>",
     R"(<span style="color:#ff0000;font-size:18pt;font-weight:bold;">a</span>)"
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">b</td></tr>)"
     R"(</table>)"
     R"(<span style="color:#ff0000;font-size:18pt;font-weight:bold;">c</span>)"},
    {"CAPTION is a centred paragraph before its table", "<table><caption>c<b>d</b></caption><tr><td>a</table>",
     R"(<p align="center">c<span style="font-weight:bold;">d</span></p>)"
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(</table>)"},
    {"TD is left aligned and TH centred and bold by default", "<table><tr><th>a<td>b</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr>)"
     R"(<th align="center" valign="middle"><span style="font-weight:bold;">a</span></th>)"
     R"(<td align="left" valign="middle">b</td></tr></table>)"},
    {"TD and TH ALIGN; other values take the default",
     "<table><tr><th align=left>a<td align=RIGHT>b<td align=center>c<td align=justify>d"
     "<th align=bogus>e</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr>)"
     R"(<th align="left" valign="middle"><span style="font-weight:bold;">a</span></th>)"
     R"(<td align="right" valign="middle">b</td><td align="center" valign="middle">c</td>)"
     R"(<td align="justify" valign="middle">d</td>)"
     R"(<th align="center" valign="middle"><span style="font-weight:bold;">e</span></th></tr></table>)"},
    {"TD VALIGN; CENTER is MIDDLE; other values are MIDDLE",
     "<table><tr><td valign=top>a<td valign=BOTTOM>b<td valign=center>c<td valign=baseline>d</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="top">a</td>)"
     R"(<td align="left" valign="bottom">b</td><td align="left" valign="middle">c</td>)"
     R"(<td align="left" valign="middle">d</td></tr></table>)"},
    {"TR VALIGN is the default of its cells",
     "<table><tr valign=top><td>a<td valign=bottom>b</tr><tr><td>c</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="top">a</td>)"
     R"(<td align="left" valign="bottom">b</td></tr><tr><td align="left" valign="middle">c</td></tr></table>)"},
    {"a nested table does not change the row VALIGN of the outer table",
     "<table><tr valign=top><td><table><tr valign=bottom><td>a</table><td>b</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="top">)"
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="bottom">a</td></tr>)"
     R"(</table>)"
     R"(</td><td align="left" valign="top">b</td></tr></table>)"},
    {"TD BGCOLOR, else the row's BGCOLOR",
     "<table><tr bgcolor=red><td>a<td bgcolor=00ff00>b</tr><tr><td bgcolor=junk>c</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr>)"
     R"(<td align="left" valign="middle" bgcolor="#ff0000">a</td>)"
     R"(<td align="left" valign="middle" bgcolor="#00ff00">b</td></tr><tr>)"
     R"(<td align="left" valign="middle">c</td></tr></table>)"},
    {"COLSPAN and ROWSPAN above 1, at most 1000",
     "<table><tr><td colspan=3 rowspan=2>a<td colspan=1>b<td colspan=0 rowspan=-2>c"
     "<td colspan=999999999>d</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr>)"
     R"(<td colspan="3" rowspan="2" align="left" valign="middle">a</td>)"
     R"(<td align="left" valign="middle">b</td><td align="left" valign="middle">c</td>)"
     R"(<td colspan="1000" align="left" valign="middle">d</td></tr></table>)"},
    {"TD WIDTH and NOWRAP", "<table><tr><td width=120 nowrap>a<td width=40%>b</table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr>)"
     R"(<td align="left" valign="middle" width="120" nowrap>a</td>)"
     R"(<td align="left" valign="middle" width="40%">b</td></tr></table>)"},
    {"THEAD, TBODY and TFOOT only hold their rows",
     "<table><thead><tr><td>a</thead><tbody><tr><td>b</tbody><tfoot><tr><td>c</tfoot></table>",
     R"(<table border="0" cellpadding="1" cellspacing="2"><tr><td align="left" valign="middle">a</td></tr>)"
     R"(<tr><td align="left" valign="middle">b</td></tr><tr><td align="left" valign="middle">c</td></tr>)"
     R"(</table>)"},
};
INSTANTIATE_TEST_SUITE_P(Tables, ElementRuleTest, ::testing::ValuesIn(kTableRules));

const RuleCase kImageAndRuleRules[] = {
    {"IMG at its natural size", "<img src=a.gif>", R"(<img src="img:a.gif" width="40" height="20" />)"},
    {"IMG WIDTH alone scales the height",
     "<img src=a.gif width=80>", R"(<img src="img:a.gif" width="80" height="40" />)"},
    {"IMG HEIGHT alone scales the width",
     "<img src=a.gif height=10>", R"(<img src="img:a.gif" width="20" height="10" />)"},
    {"IMG HEIGHT scales a large picture without overflow",
     "<img src=huge.gif height=100000>", R"(<img src="img:huge.gif" width="16000" height="13333" />)"},
    {"IMG WIDTH scales a large picture without overflow",
     "<img src=huge.gif width=90000>", R"(<img src="img:huge.gif" width="16000" height="13333" />)"},
    {"IMG WIDTH and HEIGHT",
     "<img src=a.gif width=7 height=9>", R"(<img src="img:a.gif" width="7" height="9" />)"},
    {"IMG WIDTH and HEIGHT of 0 or less are ignored", R"(<img src=a.gif width="0" height=-5>)",
     R"(<img src="img:a.gif" width="40" height="20" />)"},
    {"IMG ALIGN LEFT, RIGHT, TOP, MIDDLE, BOTTOM; others dropped",
     "<img src=a.gif align=RIGHT><img src=b.gif align=middle><img src=c.gif align=center>",
     R"(<img src="img:a.gif" width="40" height="20" align="right" />)"
     R"(<img src="img:b.gif" width="40" height="20" align="middle" />)"
     R"(<img src="img:c.gif" width="40" height="20" />)"},
    {"IMG inside a link is linked", "<a href=x.htm><img src=a.gif></a>",
     R"(<a href="vlink:0"><img src="img:a.gif" width="40" height="20" /></a>)"},
    {"IMG that does not resolve or has no SRC is left out", R"(<img src=none.gif><img>a<img src="">)", "a"},
    {"IMG resource is escaped",
     R"(<img src="a&quot;b.gif">)", R"(<img src="img:a&quot;b.gif" width="40" height="20" />)"},
    {"HR: full width, 2 pixels, shaded, centred", "<hr>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR WIDTH in pixels", "<hr width=300>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:300:px:2:-:1" width="1" height="1" /></p>)"},
    {"HR WIDTH in percent", R"(<hr width="50%">)",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:50:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR WIDTH at most 100 percent", "<hr width=150%>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR WIDTH at most 10000 pixels", "<hr width=20000>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:10000:px:2:-:1" width="1" height="1" /></p>)"},
    {"HR WIDTH of 0 or less is full width", "<hr width=0><hr width=-5%>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR SIZE", "<hr size=5>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:5:-:1" width="1" height="1" /></p>)"},
    {"HR SIZE at most 100", "<hr size=500>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:100:-:1" width="1" height="1" /></p>)"},
    {"HR SIZE of 0 or without a number is 2", "<hr size=0><hr size=x>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR COLOR draws it flat in that colour", "<hr color=red>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:ff0000:0" width="1" height="1" /></p>)"},
    {"HR NOSHADE draws it flat", "<hr noshade>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:0" width="1" height="1" /></p>)"},
    {"HR COLOR that names no colour is ignored", "<hr color=bogus>",
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR ALIGN LEFT and RIGHT; anything else centres", "<hr align=left><hr align=RIGHT><hr align=justify>",
     R"(<p align="left" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"
     R"(<p align="right" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"
     R"(<p align="center" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p>)"},
    {"HR ALIGN holds inside CENTER", "<center><hr align=left></center>",
     R"(<div align="center"><p align="left" style="margin-top:6px;margin-bottom:6px;">)"
     R"(<img src="vrule:100:%:2:-:1" width="1" height="1" /></p></div>)"},
};
INSTANTIATE_TEST_SUITE_P(ImagesAndRules, ElementRuleTest, ::testing::ValuesIn(kImageAndRuleRules));

TEST(PageRulesTest, BodyColoursAndBackgroundImage) {
  const HtmlPage page = ParseHtmlPage(
      "<body bgcolor=navy text=white background=bg.gif>a<font color=white>b</font>", PageDefaults{}, ResolveImage);
  EXPECT_EQ(page.markup, R"(<html><body bgcolor="#000080" background="img:bg.gif">ab</body></html>)");
  EXPECT_EQ(page.background, QColor(0, 0, 0x80));
  EXPECT_EQ(page.text_color, QColor(0xFF, 0xFF, 0xFF));
  // Without BODY attributes (or with an image that does not resolve) the defaults hold.
  EXPECT_EQ(ParseHtmlPage("<body background=none.gif>a", PageDefaults{}, ResolveImage).markup,
            R"(<html><body bgcolor="#c0c0c0">a</body></html>)");
}

TEST(PageRulesTest, TheViewDefaultsEnterTheMarkup) {
  PageDefaults defaults;
  defaults.font_name = "Arial";
  defaults.pre_font_name = "Lucida Console";
  defaults.base_point_size = 10;
  defaults.link_underline = false;
  EXPECT_EQ(NormalisedBody("<font face=Arial>a</font><font face=Times>b</font><tt>c</tt>", defaults),
            R"(a<span style="font-family:'Times';">b</span>)"
            R"(<span style="font-family:'Lucida Console';">c</span>)");
  EXPECT_EQ(NormalisedBody("<font size=5>a</font><small>b</small>", defaults),
            R"(<span style="font-size:15pt;">a</span><span style="font-size:8.33333pt;">b</span>)");
  EXPECT_EQ(NormalisedBody("<a href=x.htm>a<u>b</u></a>", defaults),
            R"(<a href="vlink:0"><span style="color:#0000ff;text-decoration: none;">a</span></a>)"
            R"(<a href="vlink:0"><span style="color:#0000ff;text-decoration: underline;">b</span></a>)");
}

// Nesting beyond 400 elements (damaged pages): the outer 400 are written as usual, everything
// deeper shows only its text, in the style where the limit was reached, with P and BR as
// line breaks.
TEST(PageRulesTest, NestingBeyondTheLimitShowsOnlyTheText) {
  const std::string html = "<body>" + Repeated("<blockquote>", 402) + "a<p>b<br>c<b>d</b>";
  EXPECT_EQ(NormalisedBody(html),
            Repeated("<blockquote>", 400) + "a<br />b<br />cd" + Repeated("</blockquote>", 400));
}

// --- Framesets -----------------------------------------------------------------------------

// The frames of a frameset as "[name|src|scrolling]" with " noresize" and " borderless"
// where they apply; a nested frameset in parentheses.
std::string Describe(const FramesetSpec& frameset) {
  std::string text = "border " + std::to_string(frameset.border);
  text += frameset.frame_border ? ":" : " borderless:";
  for (const FrameSpec& frame : frameset.frames) {
    if (frame.frameset) {
      text += " (" + Describe(*frame.frameset) + ")";
      continue;
    }
    text += " [" + frame.name + "|" + frame.src + "|" + frame.scrolling + "]";
    if (frame.no_resize) text += " noresize";
    if (!frame.border) text += " borderless";
  }
  return text;
}

struct FramesetCase {
  const char* rule;
  const char* html;
  const char* frames;  // Describe() of the page's frameset
};

void PrintTo(const FramesetCase& c, std::ostream* os) { *os << c.rule; }

class FramesetRuleTest : public ::testing::TestWithParam<FramesetCase> {};

TEST_P(FramesetRuleTest, ReadsTheFrames) {
  const FramesetCase& c = GetParam();
  const HtmlPage page = ParseHtmlPage(c.html, PageDefaults{}, ResolveImage);
  ASSERT_TRUE(page.frameset) << c.rule;
  EXPECT_EQ(Describe(*page.frameset), c.frames) << c.rule;
  EXPECT_TRUE(page.markup.empty()) << c.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FramesetRuleTest,
    ::testing::Values(
        FramesetCase{"NAME is trimmed, SRC kept as written, SCROLLING yes, no or else auto",
                     R"(<frameset><frame name=" A " src=" a.htm#x" scrolling=YES noresize>)"
                     "<frame src=b.htm scrolling=No><frame src=c.htm scrolling=maybe></frameset>",
                     "border -1: [A| a.htm#x|yes] noresize [|b.htm|no] [|c.htm|auto]"},
        FramesetCase{"FRAMEBORDER 0 or NO takes a frame's border away",
                     R"(<frameset><frame src=a.htm frameborder=" 0 "><frame src=b.htm frameborder=NO>)"
                     "<frame src=c.htm frameborder=yes></frameset>",
                     "border -1: [|a.htm|auto] borderless [|b.htm|auto] borderless [|c.htm|auto]"},
        FramesetCase{"FRAMEBORDER of the frameset holds for all its frames",
                     "<frameset frameborder=no><frame src=a.htm frameborder=1></frameset>",
                     "border -1 borderless: [|a.htm|auto] borderless"},
        FramesetCase{"BORDER, else FRAMESPACING",
                     "<frameset border=-1 framespacing=4><frame src=a.htm></frameset>",
                     "border 4: [|a.htm|auto]"},
        FramesetCase{"BORDER before FRAMESPACING",
                     "<frameset border=2 framespacing=4><frame src=a.htm></frameset>",
                     "border 2: [|a.htm|auto]"},
        FramesetCase{"nested framesets in document order",
                     "<frameset rows=*,*><frame src=a.htm><frameset cols=*,*><frame src=b.htm>"
                     "<frame src=c.htm></frameset></frameset>",
                     "border -1: [|a.htm|auto] (border -1: [|b.htm|auto] [|c.htm|auto])"}));

TEST(PageRulesTest, FramesetsNestedBeyondEightLevelsAreLeftOut) {
  const HtmlPage page =
      ParseHtmlPage(Repeated("<frameset>", 12) + "<frame src=a.htm>", PageDefaults{}, ResolveImage);
  ASSERT_TRUE(page.frameset);
  int levels = 1;
  for (const FramesetSpec* frameset = page.frameset.get(); !frameset->frames.empty(); ++levels) {
    ASSERT_TRUE(frameset->frames[0].frameset);
    frameset = frameset->frames[0].frameset.get();
  }
  EXPECT_EQ(levels, 9);
}

}  // namespace
}  // namespace vantorel::browser
