#include "platform/win/registry/registry.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xC0FFEE;
constexpr const char* kSettings = "Software\\Quarnwell\\Tarnlok V2\\Settings";

// Registry calls answer their error and must leave the thread's last error as it was.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override { SetLastError(kSentinel); }
  void TearDown() override { EXPECT_EQ(GetLastError(), kSentinel); }
};

HKEY Create(HKEY root, const char* path, DWORD* disposition = nullptr, REGSAM access = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, disposition),
            static_cast<LONG>(ERROR_SUCCESS));
  return key;
}

HKEY Open(HKEY root, const char* path, REGSAM access = KEY_READ) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(root, path, 0, access, &key), static_cast<LONG>(ERROR_SUCCESS)) << path;
  return key;
}

LONG SetString(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

std::string QueryString(HKEY key, const char* name) {
  char buffer[300] = {};
  DWORD size = sizeof buffer;
  DWORD type = REG_NONE;
  EXPECT_EQ(RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            static_cast<LONG>(ERROR_SUCCESS))
      << name;
  EXPECT_EQ(type, REG_SZ);
  return std::string(buffer, size);
}

std::vector<std::string> SubKeys(HKEY key) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    const LONG result = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == static_cast<LONG>(ERROR_NO_MORE_ITEMS)) return names;
    EXPECT_EQ(result, static_cast<LONG>(ERROR_SUCCESS));
    if (result != static_cast<LONG>(ERROR_SUCCESS)) return names;
    names.emplace_back(name, length);
  }
}

constexpr LONG Code(DWORD error) { return static_cast<LONG>(error); }

TEST_F(Registry, ValuesOfEachTypeKeepTypeAndBytes) {
  DWORD disposition = 0;
  HKEY key = Create(HKEY_LOCAL_MACHINE, kSettings, &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const BYTE flag = 1;
  const DWORD number = 0x12345678;
  EXPECT_EQ(RegSetValueExA(key, "START", 0, REG_BINARY, &flag, 1), Code(ERROR_SUCCESS));
  EXPECT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), Code(ERROR_SUCCESS));
  EXPECT_EQ(SetString(key, "Default Folder", "C:\\Recover"), Code(ERROR_SUCCESS));
  // Written with the text's length only, as the settings dialog does.
  EXPECT_EQ(RegSetValueExA(key, "Default File", 0, REG_SZ, reinterpret_cast<const BYTE*>("TLK"), 3),
            Code(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(key), Code(ERROR_SUCCESS));

  key = Create(HKEY_LOCAL_MACHINE, kSettings, &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  BYTE bytes[16];
  std::memset(bytes, 0xEE, sizeof bytes);
  DWORD type = 0;
  DWORD size = sizeof bytes;
  EXPECT_EQ(RegQueryValueExA(key, "START", nullptr, &type, bytes, &size), Code(ERROR_SUCCESS));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(size, 1U);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 0xEE);

  DWORD readNumber = 0;
  size = sizeof readNumber;
  EXPECT_EQ(RegQueryValueExA(key, "count", nullptr, &type, reinterpret_cast<BYTE*>(&readNumber), &size),
            Code(ERROR_SUCCESS));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(readNumber, number);

  EXPECT_EQ(QueryString(key, "DEFAULT FOLDER"), std::string("C:\\Recover\0", 11));
  EXPECT_EQ(QueryString(key, "Default File"), "TLK");
  EXPECT_EQ(RegCloseKey(key), Code(ERROR_SUCCESS));
}

TEST_F(Registry, QuerySizeRules) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Sizes");
  ASSERT_EQ(SetString(key, "Name", "abcdef"), Code(ERROR_SUCCESS));

  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), Code(ERROR_SUCCESS));
  EXPECT_EQ(size, 7U) << "the size of a string includes its terminator";
  EXPECT_EQ(type, REG_SZ);

  char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            Code(ERROR_MORE_DATA));
  EXPECT_EQ(size, 7U);

  char exact[7];
  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
            Code(ERROR_SUCCESS));
  EXPECT_STREQ(exact, "abcdef");

  type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, nullptr), Code(ERROR_SUCCESS));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), Code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), nullptr),
            Code(ERROR_INVALID_PARAMETER));
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Name", &reserved, nullptr, nullptr, &size), Code(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RegSetValueExA(key, "Name", 0, REG_BINARY, nullptr, 4), Code(ERROR_NOACCESS));
  RegCloseKey(key);
}

TEST_F(Registry, DefaultValueDeletionAndEmptyValues) {
  HKEY key = Create(HKEY_CLASSES_ROOT, ".htm");
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr), Code(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(SetString(key, nullptr, "htmlfile"), Code(ERROR_SUCCESS));
  EXPECT_EQ(QueryString(key, ""), std::string("htmlfile\0", 9));
  EXPECT_EQ(RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0), Code(ERROR_SUCCESS));
  DWORD size = 99;
  BYTE byte = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, nullptr, &byte, &size), Code(ERROR_SUCCESS));
  EXPECT_EQ(size, 0U);

  EXPECT_EQ(RegDeleteValueA(key, "EMPTY"), Code(ERROR_SUCCESS));
  EXPECT_EQ(RegDeleteValueA(key, "Empty"), Code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, nullptr, nullptr, &size), Code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegDeleteValueA(key, nullptr), Code(ERROR_SUCCESS));
  EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &size), Code(ERROR_FILE_NOT_FOUND));
  RegCloseKey(key);
}

TEST_F(Registry, KeyNamesMatchWithoutCaseAndKeepTheirSpelling) {
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\CaseTest\\Beta"));
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\CaseTest\\alpha\\"));
  DWORD disposition = 0;
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\CASETEST\\ALPHA", &disposition));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  HKEY parent = Open(HKEY_LOCAL_MACHINE, "software\\casetest");
  EXPECT_EQ(SubKeys(parent), (std::vector<std::string>{"alpha", "Beta"}));
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyExA(parent, "BETA", 0, KEY_READ, &child), Code(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(child), Code(ERROR_SUCCESS));

  char name[6];
  DWORD length = sizeof name;  // just room for "alpha" and its terminator
  EXPECT_EQ(RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), Code(ERROR_SUCCESS));
  EXPECT_EQ(length, 5U);
  EXPECT_STREQ(name, "alpha");
  length = 4;  // "Beta" needs five with its terminator
  EXPECT_EQ(RegEnumKeyExA(parent, 1, name, &length, nullptr, nullptr, nullptr, nullptr), Code(ERROR_MORE_DATA));
  EXPECT_EQ(RegEnumKeyExA(parent, 2, name, &length, nullptr, nullptr, nullptr, nullptr), Code(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(RegCloseKey(parent), Code(ERROR_SUCCESS));

  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\CaseTest\\Gamma", 0, KEY_READ, &missing),
            Code(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &missing), Code(ERROR_BAD_PATHNAME));
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, nullptr), Code(ERROR_INVALID_PARAMETER));
  // The roots are separate trees.
  EXPECT_EQ(RegOpenKeyExA(HKEY_USERS, "Software\\CaseTest", 0, KEY_READ, &missing), Code(ERROR_FILE_NOT_FOUND));
}

TEST_F(Registry, BadAndClosedHandlesAreRefused) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Handles");
  ASSERT_EQ(RegCloseKey(key), Code(ERROR_SUCCESS));
  const BYTE byte = 0;
  DWORD size = 1;
  char name[8];
  for (HKEY bad : {key, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(std::uintptr_t{0x1234})}) {
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExA(bad, "x", 0, KEY_READ, &opened), Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCreateKeyExA(bad, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegQueryValueExA(bad, "x", nullptr, nullptr, nullptr, &size), Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegSetValueExA(bad, "x", 0, REG_BINARY, &byte, 1), Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegEnumKeyExA(bad, 0, name, &size, nullptr, nullptr, nullptr, nullptr), Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegDeleteValueA(bad, "x"), Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegFlushKey(bad), Code(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCloseKey(bad), Code(ERROR_INVALID_HANDLE));
  }
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), Code(ERROR_SUCCESS));
  EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), Code(ERROR_SUCCESS));
}

TEST_F(Registry, AccessRightsOfTheOpenKeyAreEnforced) {
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, kSettings));
  HKEY reader = Open(HKEY_LOCAL_MACHINE, kSettings, KEY_READ);
  EXPECT_EQ(SetString(reader, "x", "y"), Code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteValueA(reader, "x"), Code(ERROR_ACCESS_DENIED));
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyExA(reader, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            Code(ERROR_ACCESS_DENIED));
  HKEY writer = Open(HKEY_LOCAL_MACHINE, kSettings, KEY_SET_VALUE);
  EXPECT_EQ(SetString(writer, "x", "y"), Code(ERROR_SUCCESS));
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(writer, "x", nullptr, nullptr, nullptr, &size), Code(ERROR_ACCESS_DENIED));
  char name[8];
  size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(writer, 0, name, &size, nullptr, nullptr, nullptr, nullptr), Code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegQueryValueExA(reader, "x", nullptr, nullptr, nullptr, &size), Code(ERROR_SUCCESS));
  RegCloseKey(reader);
  RegCloseKey(writer);
}

TEST_F(Registry, PersonalShellFolderExistsOnAFreshSystem) {
  HKEY key = Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  EXPECT_EQ(QueryString(key, "Personal"), std::string("C:\\My Documents\0", 16));
  RegCloseKey(key);
}

std::string RegistryFileText() {
  std::ifstream file(DataFolder() / "registry");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs body in a child process and answers its exit status.
template <class Body>
int InChild(Body body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = -1;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Registry, ValuesSurviveARestartOfTheProcess) {
  // A child writes and exits; this process then starts afresh, as the next run of the program.
  EXPECT_EQ(InChild([] {
              HKEY key = Create(HKEY_LOCAL_MACHINE, kSettings);
              const BYTE start = 1;
              const bool written = RegSetValueExA(key, "START", 0, REG_BINARY, &start, 1) == 0 &&
                                   RegFlushKey(key) == 0 && RegCloseKey(key) == 0;
              return written ? 0 : 1;
            }),
            0);
  RestartRegistry();
  HKEY key = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnwell\\Tarnlok V2\\Settings", KEY_ALL_ACCESS);
  BYTE start = 0;
  DWORD size = 1;
  EXPECT_EQ(RegQueryValueExA(key, "START", nullptr, nullptr, &start, &size), Code(ERROR_SUCCESS));
  EXPECT_EQ(start, 1);

  // And the other way round: what this process writes a fresh child reads.
  ASSERT_EQ(SetString(key, "Default Folder", "C:\\Out \"quoted\""), Code(ERROR_SUCCESS));
  EXPECT_EQ(
      InChild([] {
        RestartRegistry();
        HKEY reread = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &reread) != 0) return 2;
        char text[64] = {};
        DWORD length = sizeof text;
        if (RegQueryValueExA(reread, "default folder", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &length) != 0) {
          return 3;
        }
        return std::strcmp(text, "C:\\Out \"quoted\"") == 0 ? 0 : 4;
      }),
      0);
  RegCloseKey(key);
  EXPECT_NE(RegistryFileText().find("[HKEY_LOCAL_MACHINE\\Software\\Quarnwell\\Tarnlok V2\\Settings]"),
            std::string::npos);
  // A restart forgets open keys.
  RestartRegistry();
  EXPECT_EQ(RegFlushKey(key), Code(ERROR_INVALID_HANDLE));
}

TEST_F(Registry, AFileThatCannotBeWrittenIsReported) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Unsaved");
  std::filesystem::remove(DataFolder() / "registry");
  std::filesystem::create_directory(DataFolder() / "registry");
  EXPECT_EQ(SetString(key, "a", "b"), Code(ERROR_CANTWRITE));
  EXPECT_EQ(RegFlushKey(key), Code(ERROR_CANTWRITE));
  std::filesystem::remove(DataFolder() / "registry");
  EXPECT_EQ(RegFlushKey(key), Code(ERROR_SUCCESS));
  EXPECT_NE(RegistryFileText().find("\"a\"=\"b\""), std::string::npos);
  RegCloseKey(key);
}

TEST_F(Registry, ADamagedFileKeepsItsReadableValuesAndACopy) {
  const std::string damaged =
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Kept]\n\"good\"=dword:00000007\n\"bad\"=dword:zz\n";
  std::ofstream(DataFolder() / "registry") << damaged;
  RestartRegistry();
  HKEY key = Open(HKEY_CURRENT_USER, "Software\\Kept", KEY_ALL_ACCESS);
  DWORD value = 0;
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(key, "good", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            Code(ERROR_SUCCESS));
  EXPECT_EQ(value, 7U);
  EXPECT_EQ(RegQueryValueExA(key, "bad", nullptr, nullptr, nullptr, &size), Code(ERROR_FILE_NOT_FOUND));
  std::ifstream copy(DataFolder() / "registry.corrupt");
  std::stringstream copied;
  copied << copy.rdbuf();
  EXPECT_EQ(copied.str(), damaged);
  RegCloseKey(key);
}

// A machine with one USB reader, as the simulated machine describes it.
std::optional<SynthesizedKey> UsbEnum(RegistryRoot root, std::string_view path) {
  if (root != RegistryRoot::LocalMachine) return std::nullopt;
  if (EqualsIgnoringCase(path, "SYSTEM\\CurrentControlSet\\Enum\\USB")) {
    return SynthesizedKey{{"VID_55AA&PID_B004", "ROOT_HUB"}, {}};
  }
  if (EqualsIgnoringCase(path, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_55AA&PID_B004")) {
    return SynthesizedKey{{"0123"}, {}};
  }
  if (EqualsIgnoringCase(path, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_55AA&PID_B004\\0123")) {
    return SynthesizedKey{{}, {{"Service", StringData("USBSTOR")}, {"ParentIdPrefix", StringData("7&1a2b&0")}}};
  }
  return std::nullopt;
}

TEST_F(Registry, SynthesizedKeysAreReadOnlyAndFollowTheProvider) {
  SetSynthesizedKeyProvider(UsbEnum);
  HKEY usb = Open(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\enum\\usb", KEY_ALL_ACCESS);
  EXPECT_EQ(SubKeys(usb), (std::vector<std::string>{"VID_55AA&PID_B004", "ROOT_HUB"}));
  HKEY instance = Open(usb, "VID_55AA&PID_B004\\0123", KEY_ALL_ACCESS);
  EXPECT_EQ(QueryString(instance, "service"), std::string("USBSTOR\0", 8));
  EXPECT_EQ(SubKeys(instance), std::vector<std::string>{});

  EXPECT_EQ(SetString(instance, "Service", "x"), Code(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteValueA(instance, "Service"), Code(ERROR_ACCESS_DENIED));
  HKEY created = nullptr;
  EXPECT_EQ(RegCreateKeyExA(usb, "New\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            Code(ERROR_ACCESS_DENIED));
  DWORD disposition = 0;
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB", &disposition));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(RegistryFileText().find("Enum"), std::string::npos);

  // The reader is unplugged: the machine no longer answers for its keys.
  SetSynthesizedKeyProvider({});
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(instance, "Service", nullptr, nullptr, nullptr, &size), Code(ERROR_KEY_DELETED));
  HKEY gone = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB", 0, KEY_READ, &gone),
            Code(ERROR_FILE_NOT_FOUND));
  RegCloseKey(instance);
  RegCloseKey(usb);
}

}  // namespace
}  // namespace win
