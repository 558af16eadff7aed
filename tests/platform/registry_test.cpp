#include <windows.h>

#include "testing/win32_hooks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { TestClearRegistry(); }
  void TearDown() override { TestClearRegistry(); }
};

}  // namespace

TEST_F(Registry, EmptyByDefault) {
  HKEY key = reinterpret_cast<HKEY>(ULONG_PTR(1));
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velta", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "Media Path", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
}

// The media-folder read: a 512-byte buffer, then the size cases around it.
TEST_F(Registry, StringValueAndSizes) {
  TestSetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Velta", "Media Path", "C:\\Velta");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\velta", 0, KEY_READ, &key), ERROR_SUCCESS);
  ASSERT_NE(key, nullptr);

  char buf[512];
  DWORD type = 0, size = sizeof buf;
  EXPECT_EQ(
      RegQueryValueExA(key, "Media Path", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, 9u);
  EXPECT_STREQ(buf, "C:\\Velta");

  size = 0;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "media path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(type, DWORD(REG_SZ));

  std::memset(buf, '#', sizeof buf);
  size = 8;
  EXPECT_EQ(
      RegQueryValueExA(key, "Media Path", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(buf[0], '#');
  size = 9;
  EXPECT_EQ(
      RegQueryValueExA(key, "Media Path", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
      ERROR_SUCCESS);
  EXPECT_STREQ(buf, "C:\\Velta");

  EXPECT_EQ(RegQueryValueExA(key, "Other", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(key, "Media Path", nullptr, nullptr, nullptr, &size),
            ERROR_INVALID_HANDLE);
}

TEST_F(Registry, KeysPathsAndRoots) {
  TestSetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Velta", "Media Path", "D:\\m");
  TestSetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Velta", nullptr, "default");
  TestAddRegistryKey(HKEY_CURRENT_USER, "Software\\Empty");

  HKEY software = nullptr, velta = nullptr, other = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(software, "VELTA\\", 0, KEY_QUERY_VALUE, &velta), ERROR_SUCCESS);
  char buf[16];
  DWORD size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(velta, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buf, "default");

  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Velta", 0, KEY_READ, &other),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Empty", 0, KEY_READ, &other),
            ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(other, nullptr, nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(other), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velt", 0, KEY_READ, &other),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velta", 0, KEY_WRITE, &other),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(other, nullptr);

  // Emptying the store leaves open keys valid but finding nothing.
  TestClearRegistry();
  EXPECT_EQ(RegQueryValueExA(velta, "Media Path", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(velta), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(Registry, RawValuesGetStringTerminators) {
  const char noTerminator[3] = {'a', 'b', 'c'};
  const DWORD number = 0x01020304;
  TestSetRegistryValue(HKEY_LOCAL_MACHINE, "K", "s", REG_SZ, noTerminator, 3);
  TestSetRegistryValue(HKEY_LOCAL_MACHINE, "K", "n", REG_DWORD, &number, sizeof number);
  TestSetRegistryValue(HKEY_LOCAL_MACHINE, "K", "empty", REG_SZ, nullptr, 0);
  TestSetRegistryValue(HKEY_LOCAL_MACHINE, "K", "S", REG_SZ, "abcd", 5);  // replaces "s"

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "k", 0, KEY_READ, &key), ERROR_SUCCESS);
  char buf[8];
  DWORD type = 0, size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  EXPECT_STREQ(buf, "abcd");
  DWORD read = 0;
  size = sizeof read;
  EXPECT_EQ(RegQueryValueExA(key, "N", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(read, number);
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(key, "empty", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, BadArguments) {
  TestSetRegistryString(HKEY_LOCAL_MACHINE, "K", "v", "x");
  HKEY bogus = reinterpret_cast<HKEY>(ULONG_PTR(0x5555));
  HKEY key = nullptr;
  DWORD reserved = 0, size = 4;
  BYTE buf[4];
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(bogus, "K", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(bogus, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "v", &reserved, nullptr, nullptr, &size),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "v", nullptr, nullptr, buf, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  TestSetRegistryString(bogus, "K", "v", "ignored");  // not a root: nothing stored, nothing crashes
}

TEST(Module, OwnHandleIsFixedAndOthersAreMissing) {
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_NE(self, nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), self);
  // DDRAW.DLL is there as the machine profile says (the DirectDraw tests); nothing else is.
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
}
