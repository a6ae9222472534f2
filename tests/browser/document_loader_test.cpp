#include "browser/document_loader.h"

#include <gtest/gtest.h>

#include "page_fixture_helpers.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

struct KindCase {
  const char* file;
  DocumentKind kind;
};

TEST(KindOfLinkedFileTest, TheExtensionDecidesInAnyLetterCase) {
  const KindCase cases[] = {
      {"C:\\KVXARCH01\\README.TXT", DocumentKind::Text},  {"notes.txt", DocumentKind::Text},
      {"logo.bmp", DocumentKind::Image},                  {"LOGO.GIF", DocumentKind::Image},
      {"photo.Jpg", DocumentKind::Image},                 {"photo.JPEG", DocumentKind::Image},
      {"page.htm", DocumentKind::Html},                   {"txt", DocumentKind::Html},
      {"notes.txt.htm", DocumentKind::Html},              {"archive.zip", DocumentKind::Html},
      {"", DocumentKind::Html},
  };
  for (const KindCase& test : cases) EXPECT_EQ(KindOfLinkedFile(test.file), test.kind) << test.file;
}

class DocumentLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  testing::TempDir dir;
  ViewSettings settings;
};

TEST_F(DocumentLoaderTest, AFramesetPageHasItsFramesButNoDocument) {
  const std::string file = dir.Write("index.htm",
                                     "<html><head><title>Archive Start</title><base href=\"C:\\ARCHIVE\\\"></head>"
                                     "<frameset cols=\"150,*\"><frame name=CONTENTS src=contents.htm>"
                                     "<frame name=MAIN src=first.htm></frameset></html>")
                               .string();
  const PreparedDocument prepared = PrepareDocument(file, DocumentKind::Html, settings, {});
  EXPECT_EQ(prepared.name.file, file);
  EXPECT_EQ(prepared.name.title, "Archive Start");
  EXPECT_EQ(prepared.base_href, "C:\\ARCHIVE\\");
  ASSERT_NE(prepared.frameset, nullptr);
  EXPECT_EQ(prepared.frameset->frames.size(), 2u);
  EXPECT_EQ(prepared.document, nullptr);
}

TEST_F(DocumentLoaderTest, ImagesComeFromTheSourceWithThePagesLinkBase) {
  const std::string file = dir.Write("sub/pics.htm",
                                     "<base href=\"C:\\ARCHIVE\\\"><img src=LOGO.BMP><img src=\"\\BANNER.GIF\">"
                                     "<img src=LAST.BMP><a href=\"x.htm\">link</a>")
                               .string();
  std::vector<std::string> sources;
  const PageImageSource images = [&](const std::string& src, const LinkBase& base) {
    EXPECT_EQ(base.server_root, "/srv/archive/");
    EXPECT_EQ(base.declared_base, "C:\\ARCHIVE\\");
    EXPECT_EQ(base.document_dir, DirectoryOf(file));
    sources.push_back(src);
    if (src == "\\BANNER.GIF") return QImage();  // left out
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
  };
  settings.server_root = "/srv/archive/";
  const PreparedDocument prepared = PrepareDocument(file, DocumentKind::Html, settings, images);
  EXPECT_EQ(sources, (std::vector<std::string>{"LOGO.BMP", "\\BANNER.GIF", "LAST.BMP"}));
  ASSERT_NE(prepared.document, nullptr);
  const QString markup = prepared.document->toHtml();
  EXPECT_EQ(markup.count("vimg:"), 2);
  EXPECT_TRUE(markup.contains("vimg:0"));
  EXPECT_TRUE(markup.contains("vimg:2"));
  ASSERT_EQ(prepared.links.size(), 1u);
  EXPECT_EQ(prepared.links[0].href, "x.htm");
}

TEST_F(DocumentLoaderTest, TextAndImageFilesHaveNoPageParts) {
  const std::string text = dir.Write("README.TXT", "<title>not a title</title>").string();
  const PreparedDocument prepared = PrepareDocument(text, DocumentKind::Text, settings, {});
  EXPECT_EQ(prepared.name.kind, DocumentKind::Text);
  EXPECT_EQ(prepared.name.title, "");
  EXPECT_FALSE(prepared.background.isValid());
  ASSERT_NE(prepared.document, nullptr);
  EXPECT_TRUE(prepared.document->toPlainText().contains("<title>not a title</title>"));
  const std::string image = dir.Write("LOGO.BMP", testing::BmpBytes(4, 4, 0x102030)).string();
  EXPECT_NE(PrepareDocument(image, DocumentKind::Image, settings, {}).document, nullptr);
}

TEST_F(DocumentLoaderTest, AMissingFileIsNamedInTheError) {
  const std::string missing = dir / "NOPAGE.HTM";
  for (const DocumentKind kind : {DocumentKind::Html, DocumentKind::Text, DocumentKind::Image}) {
    try {
      PrepareDocument(missing, kind, settings, {});
      ADD_FAILURE() << "no error";
    } catch (const ViewError& error) {
      EXPECT_STREQ(error.what(), ("Can't locate file: " + missing).c_str());
    }
  }
}

}  // namespace
}  // namespace vantorel::browser
