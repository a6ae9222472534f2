// A profile (INI) file read and written the way the Windows profile functions treat it.
//
// Format notes:
// - A section starts at a line "[name]"; "key=value" lines follow until the next section.
// - Section and key names are matched without regard to the case of a-z; the first match wins.
// - A value is the text after the first "=", with blanks and tabs trimmed from both ends and
//   one pair of enclosing double or single quotes removed.
// - Writing replaces the value of an existing key in place, appends a missing key after the
//   last line of its section and a missing section at the end of the file. Every other line,
//   comments and unknown keys included, stays as it was. Values are written raw: no quoting,
//   no escaping.
// - Lines are written with CR LF endings; the texts are bytes, kept as they are (paths are
//   UTF-8; a file written by an older version may hold them in code page 1252).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::app {

// "Unable to write to %s": the profile file could not be written.
class IniWriteError : public std::runtime_error {
 public:
  explicit IniWriteError(const std::filesystem::path& file);
};

class IniFile {
 public:
  // Reads the file now; a missing or unreadable file reads as empty.
  explicit IniFile(std::filesystem::path file);

  const std::filesystem::path& Path() const { return file_; }

  // True when the section holds the key.
  bool HasKey(std::string_view section, std::string_view key) const;

  // The key's value, or fallback when the section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // The value as an integer (see ParseProfileInteger); fallback when missing or invalid.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  // The value read as an integer with fallback 1 or 0; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Sets the key's value in memory; Save writes it. Section and key keep the spelling of an
  // existing entry, a new entry takes the spelling given.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Writes the whole file, creating its folder when missing. Throws IniWriteError.
  void Save() const;

 private:
  // Index of the "[section]" line, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index of the key's line inside the section starting at section_line, or npos.
  std::size_t FindKey(std::size_t section_line, std::string_view key) const;
  // One past the section's last non-blank line.
  std::size_t SectionEnd(std::size_t section_line) const;

  std::filesystem::path file_;     // the file on disk
  std::vector<std::string> lines_;  // its lines without line ends
};

// Reads an integer the way the profile reader does: a text longer than two characters that
// starts with "0x" or "0X" is hexadecimal (up to 8 digits, two's complement), otherwise it is
// decimal with an optional sign ("$" also starts hexadecimal). Leading blanks are allowed.
// False when the text is not a valid 32-bit integer.
bool ParseProfileInteger(std::string_view text, std::int32_t& value);

}  // namespace vantorel::app
