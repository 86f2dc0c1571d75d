// The program's Greek texts: their Windows-1253 bytes, and what reaches the screen,
// both against iconv's conversion of the same texts (greek_expected.h).
#include <cstring>
#include <string>

#include "dialog_helpers.h"
#include "greek_expected.h"
#include "windows/greek_text.h"
#include "windows/screen_text.h"

namespace {

template <size_t N, size_t M>
void ExpectBytes(const char (&text)[N], const unsigned char (&expected)[M]) {
  ASSERT_EQ(N - 1, M);
  EXPECT_EQ(std::memcmp(text, expected, M), 0);
}

TEST(GreekText, ProgramTextsAreTheirWindows1253Bytes) {
  ExpectBytes(kTextMessages, kExpectedMessages1253);
  ExpectBytes(kTextConnect, kExpectedConnect1253);
  ExpectBytes(kTextDisconnect, kExpectedDisconnect1253);
  ExpectBytes(kTextOpenFolderItem, kExpectedOpenFolder1253);
  ExpectBytes(kTextAboutItem, kExpectedAbout1253);
  ExpectBytes(kTextAboutCaption, kExpectedAboutCaption1253);
  ExpectBytes(kTextVersion, kExpectedVersion1253);
  ExpectBytes(kTextLicence, kExpectedLicence1253);
  ExpectBytes(kTextFilesFolder, kExpectedFilesFolder1253);
  // The menu items carry their key after a TAB.
  EXPECT_EQ(std::string(kTextCopyItem),
            std::string(std::begin(kExpectedCopy1253), std::end(kExpectedCopy1253)) + "\tCtrl+C");
  EXPECT_EQ(std::string(kTextSelectAllItem),
            std::string(std::begin(kExpectedSelectAll1253), std::end(kExpectedSelectAll1253)) + "\tCtrl+A");
}

std::wstring Screen(const char* text, int length) {
  wchar_t wide[256];
  const int count = ScreenText(text, length, wide, 256);
  EXPECT_EQ(static_cast<size_t>(count), std::wcslen(wide));
  return wide;
}

std::wstring Screen(const unsigned char* bytes, size_t count) {
  return Screen(reinterpret_cast<const char*>(bytes), static_cast<int>(count));
}

TEST(GreekText, EveryGreekLetterReachesTheScreenAsItsUnicodeLetter) {
  EXPECT_EQ(Screen(kExpectedAlphabet1253, sizeof kExpectedAlphabet1253), kExpectedAlphabetUtf16);
  EXPECT_EQ(Screen(kTextMessages, sizeof kTextMessages - 1), kExpectedMessagesUtf16);
  EXPECT_EQ(Screen(kTextDisconnect, sizeof kTextDisconnect - 1), kExpectedDisconnectUtf16);
  EXPECT_EQ(Screen("COM2 115200", 11), L"COM2 115200");
}

TEST(GreekText, ScreenTextStopsAtNulAndCutsToItsBuffer) {
  EXPECT_EQ(Screen("ab\0cd", 5), L"ab");
  EXPECT_EQ(Screen("abc", 0), L"");
  wchar_t wide[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(ScreenText(kTextDisconnect, sizeof kTextDisconnect - 1, wide, 4), 3);
  EXPECT_EQ(std::wstring(wide), std::wstring(kExpectedDisconnectUtf16, 3));
  wchar_t one[1] = {L'x'};
  EXPECT_EQ(ScreenText("abc", 3, one, 1), 0);
  EXPECT_EQ(one[0], L'\0');
}

TEST(GreekText, EveryByteFromTheRegisterBecomesOneCodeUnit) {
  // Device text is shown as it came, bytes without a letter in 1253 included.
  char all[255];
  for (int i = 0; i < 255; ++i) all[i] = static_cast<char>(i + 1);
  wchar_t wide[256];
  EXPECT_EQ(ScreenText(all, 255, wide, 256), 255);
  for (int i = 0; i < 0x80 - 1; ++i) EXPECT_EQ(wide[i], static_cast<wchar_t>(i + 1));
}

using GreekOnScreen = MainDialogTest;

TEST_F(GreekOnScreen, HeaderCaptionsAndRowsShowTheGreekLetters) {
  // Whatever code page this Windows runs non-Unicode programs with.
  LVCOLUMNW column{};
  wchar_t header[64] = L"";
  column.mask = LVCF_TEXT;
  column.pszText = header;
  column.cchTextMax = 64;
  SendMessageW(list_, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  EXPECT_STREQ(header, kExpectedMessagesUtf16);

  EXPECT_EQ(Text(Control(kIdConnect)), kExpectedConnectUtf16);
  SetScreenText(Control(kIdConnect), kTextDisconnect);
  EXPECT_EQ(Text(Control(kIdConnect)), kExpectedDisconnectUtf16);

  ListPrintf("%s: %s", kTextConnect, kTextMessages);
  EXPECT_EQ(Row(0), std::wstring(kExpectedConnectUtf16) + L": " + kExpectedMessagesUtf16);
}

}  // namespace
