#include "platform/win/modules/resource_set.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace win {
namespace {

ResourceFile File(const char* path, std::string_view bytes) {
  return {path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

TEST(ResourceSet, FaultsNameTheirFile) {
  struct Case {
    std::array<ResourceFile, 2> files;
    const char* message;
  };
  const Case cases[] = {
      {{File("strings.txt", "1 \"a\"\n1 \"b\""), File("icon/1.png", "")},
       "strings.txt: line 2: string 1 appears twice"},
      {{File("icon/1.png", ""), File("ICON/1.bmp", "")}, "ICON/1.bmp: a second icon resource 1"},
      {{File("icon/1.png", ""), File("notes.txt", "")}, "notes.txt: not strings.txt nor <type>/<id>.<extension>"},
      {{File("icon/1.png", ""), File("icon/x.png", "")}, "icon/x.png: not strings.txt"},
      {{File("icon/1.png", ""), File("icon/65536.png", "")}, "icon/65536.png: not strings.txt"},
      {{File("icon/1.png", ""), File("/1.png", "")}, "/1.png: not strings.txt"},
  };
  for (const auto& c : cases) {
    try {
      ResourceSet set(c.files);
      ADD_FAILURE() << "accepted " << c.files[1].path;
    } catch (const ResourceSetError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
    }
  }
}

TEST(ResourceSet, KeepsBytesAsTheyAre) {
  const std::string_view png("\x89PNG\r\n\x1a\n\0\x01", 10);
  const ResourceFile files[] = {File("bitmap/220.png", png), File("strings.txt", "220 \"x\"")};
  const ResourceSet set(files);
  DWORD error = 0;
  const auto* bytes = set.Find("Bitmap", 220, error);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), png);
  ASSERT_NE(set.String(220), nullptr);
  EXPECT_EQ(*set.String(220), "x");
  EXPECT_EQ(set.String(221), nullptr);
}

}  // namespace
}  // namespace win
