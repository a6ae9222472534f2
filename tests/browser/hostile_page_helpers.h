// Damaged and hostile HTML pages of a given size, of the kinds that cost a browser time or
// memory out of proportion to their bytes. Shared by the view tests and the view benchmark.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantorel::testing {

enum class HostileKind {
  UnclosedFonts,    // FONT start tags that are never closed, one word after each
  NestedBlocks,     // DIV, BLOCKQUOTE and CENTER nested without end tags
  NestedTables,     // TABLE TR TD nested without end tags
  HugeAttributes,   // FONT FACE, A HREF and IMG ALT values of hundreds of kilobytes
  ManyTables,       // small tables one after another
  WideTable,        // one row of thousands of cells
  ManyCells,        // one table of rows of a hundred cells each
  ManyFrames,       // a frameset of thousands of frames
  MissingImageClaims,  // IMG elements of a missing file whose WIDTH and HEIGHT claim 100,000 pixels
  HugeImageClaims,     // the same claims on an image file that is there (kHostileImageName)
};

// The image file HugeImageClaims pages show, which the caller writes beside the page: any
// BMP file the view decodes.
inline constexpr std::string_view kHostileImageName = "real.bmp";

struct HostilePageKind {
  HostileKind kind;
  std::string_view name;
};
// Every kind with a name for test and benchmark labels.
const std::vector<HostilePageKind>& HostilePageKinds();

// A page of kind of at least bytes bytes (code page 1252). Every page but ManyFrames ends
// with the text "End of page", which any view of it shows.
std::string HostilePage(HostileKind kind, std::size_t bytes);

}  // namespace vantorel::testing
