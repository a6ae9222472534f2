#include "tables/language_driver.h"

#include <array>

namespace vantorel::tables {

namespace {

constexpr KvTableLanguage kOem = KvTableLanguage::tlOem;
constexpr KvTableLanguage kAnsi = KvTableLanguage::tlAnsi;

// The drivers of dBASE, FoxPro and the programs that followed them. 0x57 names the system's
// ANSI code page, which for the archive's texts is 1252.
constexpr std::array<LanguageDriver, 63> kDrivers = {{
    {0x01, 437, "US MS-DOS", kOem},
    {0x02, 850, "International MS-DOS", kOem},
    {0x03, 1252, "Windows ANSI", kAnsi},
    {0x04, 10000, "Standard Macintosh", kOem},
    {0x08, 865, "Danish OEM", kOem},
    {0x09, 437, "Dutch OEM", kOem},
    {0x0A, 850, "Dutch OEM", kOem},
    {0x0B, 437, "Finnish OEM", kOem},
    {0x0D, 437, "French OEM", kOem},
    {0x0E, 850, "French OEM", kOem},
    {0x0F, 437, "German OEM", kOem},
    {0x10, 850, "German OEM", kOem},
    {0x11, 437, "Italian OEM", kOem},
    {0x12, 850, "Italian OEM", kOem},
    {0x13, 932, "Japanese Shift-JIS", kAnsi},
    {0x14, 850, "Spanish OEM", kOem},
    {0x15, 437, "Swedish OEM", kOem},
    {0x16, 850, "Swedish OEM", kOem},
    {0x17, 865, "Norwegian OEM", kOem},
    {0x18, 437, "Spanish OEM", kOem},
    {0x19, 437, "English OEM (Great Britain)", kOem},
    {0x1A, 850, "English OEM (Great Britain)", kOem},
    {0x1B, 437, "English OEM (US)", kOem},
    {0x1C, 863, "French OEM (Canada)", kOem},
    {0x1D, 850, "French OEM", kOem},
    {0x1F, 852, "Czech OEM", kOem},
    {0x22, 852, "Hungarian OEM", kOem},
    {0x23, 852, "Polish OEM", kOem},
    {0x24, 860, "Portuguese OEM", kOem},
    {0x25, 850, "Portuguese OEM", kOem},
    {0x26, 866, "Russian OEM", kOem},
    {0x37, 850, "English OEM (US)", kOem},
    {0x40, 852, "Romanian OEM", kOem},
    {0x4D, 936, "Chinese GBK (PRC)", kAnsi},
    {0x4E, 949, "Korean (ANSI/OEM)", kAnsi},
    {0x4F, 950, "Chinese Big5 (Taiwan)", kAnsi},
    {0x50, 874, "Thai (ANSI/OEM)", kAnsi},
    {0x57, 1252, "ANSI", kAnsi},
    {0x58, 1252, "Western European ANSI", kAnsi},
    {0x59, 1252, "Spanish ANSI", kAnsi},
    {0x64, 852, "Eastern European MS-DOS", kOem},
    {0x65, 866, "Russian MS-DOS", kOem},
    {0x66, 865, "Nordic MS-DOS", kOem},
    {0x67, 861, "Icelandic MS-DOS", kOem},
    {0x6A, 737, "Greek MS-DOS", kOem},
    {0x6B, 857, "Turkish MS-DOS", kOem},
    {0x6C, 863, "French-Canadian MS-DOS", kOem},
    {0x78, 950, "Taiwan Big 5", kAnsi},
    {0x79, 949, "Hangul (Wansung)", kAnsi},
    {0x7A, 936, "PRC GBK", kAnsi},
    {0x7B, 932, "Japanese Shift-JIS", kAnsi},
    {0x7C, 874, "Thai Windows/MS-DOS", kAnsi},
    {0x86, 737, "Greek OEM", kOem},
    {0x87, 852, "Slovenian OEM", kOem},
    {0x88, 857, "Turkish OEM", kOem},
    {0x96, 10007, "Russian Macintosh", kOem},
    {0x97, 10029, "Eastern European Macintosh", kOem},
    {0x98, 10006, "Greek Macintosh", kOem},
    {0xC8, 1250, "Eastern European Windows", kAnsi},
    {0xC9, 1251, "Russian Windows", kAnsi},
    {0xCA, 1254, "Turkish Windows", kAnsi},
    {0xCB, 1253, "Greek Windows", kAnsi},
    {0xCC, 1257, "Baltic Windows", kAnsi},
}};

}  // namespace

std::optional<LanguageDriver> LanguageDriverOf(std::uint8_t id) {
  for (const LanguageDriver& driver : kDrivers)
    if (driver.id == id) return driver;
  return std::nullopt;
}

KvTableLanguage LanguageOfDriver(std::uint8_t id) {
  const std::optional<LanguageDriver> driver = LanguageDriverOf(id);
  return driver ? driver->language : KvTableLanguage::tlOem;
}

}  // namespace vantorel::tables
