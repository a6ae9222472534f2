// A page as the frame view shows it: the bytes normalised into markup, with an image resolver
// that places every other image. Input: the page's bytes.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "browser/html_page.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int images = 0;
  const vantorel::browser::ImageResolver resolver =
      [&images](const std::string& src, const vantorel::browser::HtmlPage&)
      -> std::optional<vantorel::browser::PlacedImage> {
    if (images++ % 2 == 1) return std::nullopt;
    return vantorel::browser::PlacedImage{"img:" + src, static_cast<int>(src.size()), 7};
  };
  const vantorel::browser::HtmlPage page =
      vantorel::browser::ParseHtmlPage(vantorel::fuzz::AsText(data, size), {}, resolver);
  for (const vantorel::browser::PageLink& link : page.links) (void)link.href.size();
  return 0;
}
