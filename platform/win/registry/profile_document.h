// The text of an INI file as lines, read and edited in place so that comments, blank lines and
// the other entries stay as they were. Sections and keys match without regard to case and
// with the blanks around them ignored; where a section appears twice the first one counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

class ProfileDocument {
 public:
  // Lines end in "\r\n" or "\n"; the document writes back the ending its text used first.
  explicit ProfileDocument(std::string_view text);
  std::string Text() const;

  // Section names in the order they first appear.
  std::vector<std::string> SectionNames() const;
  // The key names of a section; nullopt when the section does not exist.
  std::optional<std::vector<std::string>> KeyNames(std::string_view section) const;
  // The value with the blanks around it and one pair of enclosing quotes removed.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // Replaces the key's line or adds one at the end of the section, adding the section at the
  // end of the text when it is missing.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Each answers whether something was removed. A section goes with all its lines.
  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);

 private:
  struct Range {
    std::size_t header;
    std::size_t end;  // the next section's header or the end of the text
  };
  std::optional<Range> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Range& range, std::string_view key) const;

  std::vector<std::string> lines_;
  std::string lineEnd_;
};

}  // namespace win
