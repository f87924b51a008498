// lstrcmpiW and StrCmpCW, the comparisons the service makes.
#include <gtest/gtest.h>

#include "sim/win32/strings.h"

TEST(StringsLstrcmpiW, IgnoresCaseAndOrdersWithNullFirst) {
  EXPECT_EQ(0, lstrcmpiW(L"INSTALL", L"install"));
  EXPECT_EQ(0, lstrcmpiW(L"InStAlL", L"install"));
  EXPECT_EQ(0, lstrcmpiW(L"\u00c9T\u00c9 \u00d6L", L"\u00e9t\u00e9 \u00f6l")) << "Latin-1 letters";
  EXPECT_EQ(0, lstrcmpiW(L"\u0160\u0152\u017d\u0178", L"\u0161\u0153\u017e\u00ff"))
      << "the Windows-1252 letters beyond Latin-1";
  EXPECT_NE(0, lstrcmpiW(L"\u00d7", L"\u00f7")) << "\u00d7 and \u00f7 are not letters";

  EXPECT_EQ(1, lstrcmpiW(L"install2", L"install"));
  EXPECT_EQ(-1, lstrcmpiW(L"install", L"install2"));
  EXPECT_EQ(-1, lstrcmpiW(L"Install", L"uninstall"));
  EXPECT_EQ(1, lstrcmpiW(L"b", L"A"));
  EXPECT_EQ(1, lstrcmpiW(L"install", L""));

  EXPECT_EQ(0, lstrcmpiW(nullptr, nullptr));
  EXPECT_EQ(-1, lstrcmpiW(nullptr, L""));
  EXPECT_EQ(1, lstrcmpiW(L"install", nullptr));
}

TEST(StringsStrCmpCW, ComparesCodeUnitsExactly) {
  const wchar_t* id = L"{0.0.0.00000000}.{8d3b7a4e-1c2f-4e7a-9b11-5f0c2a7d9e31}";
  EXPECT_EQ(0, StrCmpCW(id, L"{0.0.0.00000000}.{8d3b7a4e-1c2f-4e7a-9b11-5f0c2a7d9e31}"));
  EXPECT_EQ(1, StrCmpCW(id, L"{0.0.0.00000000}.{8D3B7A4E-1C2F-4E7A-9B11-5F0C2A7D9E31}"))
      << "case counts";
  EXPECT_EQ(-1, StrCmpCW(L"B", L"a")) << "by code, not by letter";
  EXPECT_EQ(-1, StrCmpCW(L"abc", L"abcd"));
  EXPECT_EQ(1, StrCmpCW(L"abcd", L"abc"));
  EXPECT_EQ(-1, StrCmpCW(nullptr, L""));

  // U+1F3A7 is D83C DFA7 in UTF-16, which sorts below U+FFFD; compared as
  // whole code points it would sort above.
  EXPECT_EQ(-1, StrCmpCW(L"\U0001F3A7", L"\ufffd"));
  EXPECT_EQ(1, StrCmpCW(L"\ufffd", L"\U0001F3A7"));
  EXPECT_EQ(1, StrCmpCW(L"\U0001F3A7", L"\ud7ff"));
  EXPECT_EQ(0, StrCmpCW(L"x\U0001F3A7y", L"x\U0001F3A7y"));
  EXPECT_EQ(-1, StrCmpCW(L"\U0001F3A7", L"\U0001F3A8"));
}
