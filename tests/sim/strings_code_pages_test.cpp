// MultiByteToWideChar and WideCharToMultiByte: Windows-1252, UTF-8, the
// size handshake, terminators, invalid input and refused parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sim/win32/strings.h"

namespace {

constexpr DWORD kPoisonError = 0xdeadbeef;

// Converts with a size query first, then into a buffer of exactly that size.
std::wstring ToWide(UINT codePage, const std::string& bytes) {
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  EXPECT_GT(needed, 0) << "GetLastError " << GetLastError();
  std::wstring text(static_cast<size_t>(needed), L'#');
  const int stored = MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), needed);
  EXPECT_EQ(needed, stored);
  return text;
}

std::string ToNarrow(UINT codePage, const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  EXPECT_GT(needed, 0) << "GetLastError " << GetLastError();
  std::string bytes(static_cast<size_t>(needed), '#');
  const int stored =
      WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), needed, nullptr, nullptr);
  EXPECT_EQ(needed, stored);
  return bytes;
}

}  // namespace

TEST(StringsWindows1252, UpperHalfToWideAndEveryByteBack) {
  EXPECT_EQ(L"\u20ac", ToWide(CP_ACP, "\x80"));
  EXPECT_EQ(L"\u201a\u0192\u201e\u2026", ToWide(CP_ACP, "\x82\x83\x84\x85"));
  EXPECT_EQ(L"\u0160\u0152\u017d", ToWide(CP_ACP, "\x8A\x8C\x8E"));
  EXPECT_EQ(L"\u2018\u2019\u201c\u201d\u2122", ToWide(CP_ACP, "\x91\x92\x93\x94\x99"));
  EXPECT_EQ(L"\u0161\u0153\u017e\u0178", ToWide(CP_ACP, "\x9A\x9C\x9E\x9F"));
  EXPECT_EQ(L"\u00a0\u00e9\u00ff", ToWide(CP_ACP, "\xA0\xE9\xFF"));
  EXPECT_EQ(L"\u0081\u008d\u008f\u0090\u009d", ToWide(CP_ACP, "\x81\x8D\x8F\x90\x9D"))
      << "the undefined bytes map to the C1 controls";
  EXPECT_EQ(L"\u20ac\u00e9", ToWide(1252, "\x80\xE9")) << "1252 named explicitly";

  std::string all;
  for (int byte = 1; byte <= 0xFF; ++byte) all.push_back(static_cast<char>(byte));
  const std::wstring wide = ToWide(CP_ACP, all);
  ASSERT_EQ(all.size(), wide.size());
  BOOL usedDefault = TRUE;
  std::string back(all.size(), '#');
  EXPECT_EQ(static_cast<int>(all.size()),
            WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), back.data(),
                                static_cast<int>(back.size()), nullptr, &usedDefault));
  EXPECT_EQ(all, back);
  EXPECT_EQ(FALSE, usedDefault);
}

TEST(StringsUtf8, RoundTripWithSurrogatesAndReplacementCharacters) {
  const std::string utf8 = "h\xC3\xA9llo \xE2\x82\xAC \xF0\x9F\x8E\xA7";
  const std::wstring wide = L"h\u00e9llo \u20ac \U0001F3A7";
  EXPECT_EQ(wide, ToWide(CP_UTF8, utf8));
  EXPECT_EQ(utf8, ToNarrow(CP_UTF8, wide));

  const std::wstring pair = {static_cast<wchar_t>(0xD83C), static_cast<wchar_t>(0xDFA7)};
  EXPECT_EQ("\xF0\x9F\x8E\xA7", ToNarrow(CP_UTF8, pair));
  const std::wstring lone = {static_cast<wchar_t>(0xDC00), L'x'};
  EXPECT_EQ("\xEF\xBF\xBDx", ToNarrow(CP_UTF8, lone)) << "a lone surrogate becomes U+FFFD";

  EXPECT_EQ(L"a\ufffd", ToWide(CP_UTF8, "a\xC3"));
  EXPECT_EQ(L"\ufffdA", ToWide(CP_UTF8,
                               "\xE2\x82"
                               "A"))
      << "one for the truncated sequence";
  EXPECT_EQ(L"\ufffd\ufffd", ToWide(CP_UTF8, "\xC0\xAF")) << "overlong form";
  EXPECT_EQ(L"\ufffd\ufffd\ufffd", ToWide(CP_UTF8, "\xED\xA0\x80")) << "encoded surrogate";
  EXPECT_EQ(L"\ufffd\ufffd\ufffd\ufffd", ToWide(CP_UTF8, "\xF4\x90\x80\x80")) << "past U+10FFFF";
}

TEST(StringsUtf8, StrictFlagsRefuseIllFormedText) {
  wchar_t wide[8];
  SetLastError(kPoisonError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3", 2, wide, 8));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());

  const wchar_t lone[] = {static_cast<wchar_t>(0xD800), 0};
  char bytes[8];
  SetLastError(kPoisonError);
  EXPECT_EQ(
      0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, bytes, 8, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(StringsCodePages, MinusOneConvertsAndCountsTheTerminator) {
  wchar_t wide[8];
  std::fill(std::begin(wide), std::end(wide), L'#');
  EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0));
  EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8));
  EXPECT_EQ(std::wstring(L"abc"), wide);

  std::fill(std::begin(wide), std::end(wide), L'#');
  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 8));
  EXPECT_EQ(L'#', wide[3]) << "a counted input has no terminator to convert";

  char bytes[8];
  EXPECT_EQ(6, WideCharToMultiByte(CP_UTF8, 0, L"\u00e9t\u00e9", -1, nullptr, 0, nullptr, nullptr))
      << "two bytes per \u00e9, one for t, one for the terminator";
  EXPECT_EQ(6, WideCharToMultiByte(CP_UTF8, 0, L"\u00e9t\u00e9", -1, bytes, 8, nullptr, nullptr));
  EXPECT_EQ(std::string("\xC3\xA9t\xC3\xA9"), std::string(bytes));
}

TEST(StringsCodePages, TooSmallABufferFails) {
  wchar_t wide[3];
  SetLastError(kPoisonError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  char bytes[3];
  SetLastError(kPoisonError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"\u20ac", 1, bytes, 2, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
}

TEST(StringsCodePages, RefusesInvalidParameters) {
  wchar_t wide[8];
  char bytes[8] = "abc";
  const struct {
    const char* what;
    int result;
  } calls[] = {
      {"null input", MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 8)},
      {"empty input", MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 8)},
      {"negative input size", MultiByteToWideChar(CP_ACP, 0, "abc", -2, wide, 8)},
      {"negative output size", MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, -1)},
      {"null output with a size", MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 8)},
      {"unknown code page", MultiByteToWideChar(437, 0, "abc", 3, wide, 8)},
      {"same buffer", MultiByteToWideChar(CP_ACP, 0, bytes, 3, reinterpret_cast<LPWSTR>(bytes), 2)},
      {"wide null input", WideCharToMultiByte(CP_ACP, 0, nullptr, 3, bytes, 8, nullptr, nullptr)},
      {"wide empty input", WideCharToMultiByte(CP_ACP, 0, L"abc", 0, bytes, 8, nullptr, nullptr)},
      {"wide unknown code page",
       WideCharToMultiByte(850, 0, L"abc", 3, bytes, 8, nullptr, nullptr)},
  };
  for (const auto& call : calls) {
    EXPECT_EQ(0, call.result) << call.what;
  }
  SetLastError(kPoisonError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 8));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  SetLastError(kPoisonError);
  EXPECT_EQ(0, MultiByteToWideChar(437, 0, "abc", 3, wide, 8));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

  BOOL usedDefault = FALSE;
  SetLastError(kPoisonError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"abc", 3, bytes, 8, nullptr, &usedDefault))
      << "UTF-8 has no default character";
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(StringsCodePages, RefusesFlagsOfAnotherCodePage) {
  wchar_t wide[8];
  char bytes[8];
  SetLastError(kPoisonError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "abc", 3, wide, 8));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
  SetLastError(kPoisonError);
  EXPECT_EQ(
      0, WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, L"abc", 3, bytes, 8, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
  EXPECT_EQ(3,
            MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, "abc", 3, wide, 8));
}
