#include "platform/win/wildcard.h"

#include <gtest/gtest.h>

namespace win {
namespace {

struct Case {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(Wildcard, DosRulesIgnoringCase) {
  const Case cases[] = {
      {"*", "anything.jpg", true},
      {"*", "noext", true},
      {"*.*", "noext", true},
      {"*.*", "a.b.c", true},
      {"*.jpg", "IMG_0001.JPG", true},
      {"*.jpg", "IMG_0001.JPEG", false},
      {"*.jpg", "jpg", false},
      {"*.", "noext", true},
      {"*.", "has.ext", false},
      {"img.*", "IMG", true},
      {"img.*", "img.tif", true},
      {"IMG?.JPG", "img1.jpg", true},
      {"IMG?.JPG", "img.jpg", true},  // '?' before the dot may match nothing
      {"IMG?.JPG", "img12.jpg", false},
      {"a?c", "abc", true},
      {"a?c", "a.c", false},
      {"ab?", "ab", true},  // '?' at the end may match nothing
      {"????????.???", "dsc00001.jpg", true},
      {"????????.???", "a.b", true},
      {"????????.???", "toolongname.jpg", false},
      {"*1*", "dsc0001.jpg", true},
      {"*1*", "dsc.jpg", false},
      {"readme.txt", "README.TXT", true},
      {"readme.txt", "readme.txt2", false},
      {"*.*", ".", true},
      {"*.*", "..", true},
      {"*.jpg", ".", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
  }
}

TEST(Wildcard, ManyStarsStayFast) {
  const std::string name(250, 'a');
  EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
}

}  // namespace
}  // namespace win
