#include "platform/win/registry/registry_store.h"

#include <gtest/gtest.h>

namespace win {
namespace {

std::vector<std::string> Path(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

RegistryKeyNode& Key(RegistryTree& tree, RegistryRoot root, const std::vector<std::string>& path) {
  bool created = false;
  return tree.FindOrCreate(root, path, created);
}

TEST(RegistryStore, EveryKindOfNameAndValueSurvivesATextRoundTrip) {
  RegistryTree tree;
  auto& settings = Key(tree, RegistryRoot::LocalMachine, Path({"Software", "Quarnwell", "Tarnlok V2", "Settings"}));
  settings.values["START"] = BinaryData(std::vector<BYTE>{1});
  settings.values["Default Folder"] = StringData("C:\\Recover");
  settings.values["quote\"and\\slash"] = StringData("tab\there \"q\" \x01\xE9");
  settings.values[""] = DwordData(0xDEADBEEF);
  settings.values["Unterminated"] = RegistryData{REG_SZ, {'A', 'B'}};
  settings.values["Inner zero"] = RegistryData{REG_SZ, {'A', 0, 'B', 0}};
  settings.values["Empty binary"] = RegistryData{REG_BINARY, {}};
  settings.values["Short dword"] = RegistryData{REG_DWORD, {1, 2}};
  settings.values["Expand"] = RegistryData{REG_EXPAND_SZ, {'%', 'X', '%', 0}};
  Key(tree, RegistryRoot::Users, Path({".DEFAULT", "odd%[name]\x7F\xC3\xA9"}));
  Key(tree, RegistryRoot::ClassesRoot, Path({".htm"})).values[""] = StringData("htmlfile");
  Key(tree, RegistryRoot::CurrentUser, Path({"Empty", "Leaf"}));

  const std::string text = FormatRegistryText(tree);
  auto parsed = ParseRegistryText(text);
  EXPECT_EQ(parsed.problems, std::vector<std::string>{});
  EXPECT_EQ(FormatRegistryText(parsed.tree), text);

  auto copy = std::move(parsed.tree);
  const auto* readBack =
      copy.Find(RegistryRoot::LocalMachine, Path({"SOFTWARE", "quarnwell", "tarnlok v2", "settings"}));
  ASSERT_NE(readBack, nullptr);
  EXPECT_EQ(readBack->values, settings.values);
  EXPECT_NE(copy.Find(RegistryRoot::Users, Path({".DEFAULT", "odd%[name]\x7F\xC3\xA9"})), nullptr);
  EXPECT_NE(copy.Find(RegistryRoot::CurrentUser, Path({"Empty", "Leaf"})), nullptr);
  EXPECT_EQ(copy.Find(RegistryRoot::LocalMachine, Path({".htm"})), nullptr);
}

TEST(RegistryStore, KeyNamesWithEveryByteReadBackAsTheSameTree) {
  RegistryTree tree;
  Key(tree, RegistryRoot::CurrentUser, Path({"Software", "one\\two"})).values["v"] = DwordData(7);
  Key(tree, RegistryRoot::CurrentUser, Path({"Software", "one"})).values["w"] = DwordData(8);
  std::string everyByte;
  for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
  Key(tree, RegistryRoot::LocalMachine, Path({everyByte.c_str(), "\\", "%5c"}));

  const std::string text = FormatRegistryText(tree);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\one%5ctwo]"), std::string::npos) << text;
  auto parsed = ParseRegistryText(text);
  EXPECT_EQ(parsed.problems, std::vector<std::string>{});
  EXPECT_TRUE(parsed.tree == tree) << FormatRegistryText(parsed.tree);
  EXPECT_EQ(parsed.tree.Find(RegistryRoot::CurrentUser, Path({"Software", "one", "two"})), nullptr);
}

TEST(RegistryStore, TreesDifferingInOneNameOrValueAreNotTheSame) {
  RegistryTree a;
  RegistryTree b;
  Key(a, RegistryRoot::Users, Path({"Key"})).values["v"] = DwordData(1);
  Key(b, RegistryRoot::Users, Path({"Key"})).values["v"] = DwordData(1);
  EXPECT_TRUE(a == b);
  Key(b, RegistryRoot::Users, Path({"Key", "Sub"}));
  EXPECT_FALSE(a == b);
  Key(a, RegistryRoot::Users, Path({"Key", "SUB"}));
  EXPECT_FALSE(a == b);
  RegistryTree c;
  Key(c, RegistryRoot::Users, Path({"Key"})).values["V"] = DwordData(1);
  Key(c, RegistryRoot::Users, Path({"Key", "Sub"}));
  EXPECT_FALSE(c == b);
  Key(c, RegistryRoot::Users, Path({"Key"})).values.clear();
  Key(c, RegistryRoot::Users, Path({"Key"})).values["v"] = DwordData(2);
  EXPECT_FALSE(c == b);
}

TEST(RegistryStore, TextReadsLikeARegistryExport) {
  RegistryTree tree;
  auto& settings = Key(tree, RegistryRoot::LocalMachine, Path({"Software", "Quarnwell"}));
  settings.values["START"] = BinaryData(std::vector<BYTE>{1, 0xAB});
  settings.values["Default Folder"] = StringData("C:\\Recover");
  settings.values["Count"] = DwordData(42);
  settings.values[""] = StringData("x");
  const std::string text = FormatRegistryText(tree);
  EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0U);
  for (const char* line : {"\n[HKEY_LOCAL_MACHINE\\Software\\Quarnwell]\n", "\n\"START\"=hex:01,ab\n",
                           "\n\"Default Folder\"=\"C:\\\\Recover\"\n", "\n\"Count\"=dword:0000002a\n", "\n@=\"x\"\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing from\n" << text;
  }
  // Keys on the way to a written key are not written themselves.
  EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\Software]"), std::string::npos);
}

TEST(RegistryStore, DamagedLinesAreReportedAndSkipped) {
  auto parsed = ParseRegistryText(
      "REGEDIT4\r\n"
      "\"orphan\"=dword:00000001\r\n"  // 2: before any key
      "[HKEY_LOCAL_MACHINE\\Software\\Good]\r\n"  // 3
      "\"a\"=dword:0000000\r\n"  // 4: seven digits
      "\"b\"=hex:01,zz\r\n"  // 5
      "\"c\"=\"unterminated\r\n"  // 6
      "\"d\"=hex(x):00\r\n"  // 7
      "\"e\"=hex:01,\r\n"  // 8
      "\"f\"=\"bad \\q escape\"\r\n"  // 9
      "kept=dword:00000001\r\n"  // 10: name not quoted
      "  \"kept\" = \"blanks allowed\"\r\n"  // 11
      "\"kept\"=hex(4):2a,00,00,00\r\n"  // 12
      "[HKEY_NOWHERE\\X]\r\n"  // 13
      "\"lost\"=dword:00000001\r\n"  // 14: under the unreadable key
      "[HKEY_USERS\\a\\\\b]\r\n"  // 15: empty component
      "[HKEY_USERS\\%zz]\r\n"  // 16
      "[HKEY_USERS\r\n"  // 17
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software]\r\n"
      "@=\"\\x41\"\r\n");
  const std::vector<std::string> expected{"line 2: value outside a readable key",
                                          "line 4: bad value data",
                                          "line 5: bad value data",
                                          "line 6: bad value data",
                                          "line 7: bad value data",
                                          "line 8: bad value data",
                                          "line 9: bad value data",
                                          "line 10: bad value name",
                                          "line 13: bad key name",
                                          "line 14: value outside a readable key",
                                          "line 15: bad key name",
                                          "line 16: bad key name",
                                          "line 17: bad key name"};
  EXPECT_EQ(parsed.problems, expected);
  auto tree = std::move(parsed.tree);
  const auto* good = tree.Find(RegistryRoot::LocalMachine, Path({"Software", "Good"}));
  ASSERT_NE(good, nullptr);
  ASSERT_EQ(good->values.size(), 1U);
  EXPECT_EQ(good->values.at("KEPT"), DwordData(42));
  const auto* software = tree.Find(RegistryRoot::CurrentUser, Path({"Software"}));
  ASSERT_NE(software, nullptr);
  EXPECT_EQ(software->values.at(""), StringData("A"));
}

}  // namespace
}  // namespace win
