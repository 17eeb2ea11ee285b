// How a label's caption is broken into lines: CR LF, wrapping of Japanese
// between any two characters, Latin words kept whole where they fit, and a
// character wider than the label still shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "app/form1_design.h"
#include "app/forms/number_text.h"
#include "app/forms/text_layout.h"

namespace tickbomb::forms {
namespace {

// A simple font: ASCII 5 pixels, everything else 10; lines 12 pixels high.
TextSize Measure(const std::wstring& text) {
  int cx = 0;
  for (wchar_t c : text) cx += c < 0x80 ? 5 : 10;
  return {cx, 12};
}

std::vector<std::wstring> Lines(const std::wstring& text, int width) {
  std::vector<std::wstring> lines;
  for (const TextLine& line : LayOutText(text, width, Measure).lines) lines.push_back(line.text);
  return lines;
}

std::wstring TrimRight(std::wstring s) {
  while (!s.empty() && s.back() == L' ') s.pop_back();
  return s;
}

struct LayoutRow {
  const wchar_t* text;
  int width;  // 0: no wrapping
  std::vector<std::wstring> lines;
};

void PrintTo(const LayoutRow& row, std::ostream* os) {
  *os << ::testing::PrintToString(std::wstring(row.text)) << " in " << row.width << " px";
}

class LineBreaks : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(LineBreaks, BreakWhereExpected) {
  const LayoutRow& row = GetParam();
  std::vector<std::wstring> lines = Lines(row.text, row.width);
  for (std::wstring& line : lines) line = TrimRight(line);  // a trailing blank is not seen
  EXPECT_EQ(lines, row.lines);
}

INSTANTIATE_TEST_SUITE_P(
    HardLines, LineBreaks,
    ::testing::Values(LayoutRow{L"ab\r\ncd", 0, {L"ab", L"cd"}},
                      LayoutRow{L"ab\ncd", 0, {L"ab", L"cd"}},
                      LayoutRow{L"ab\r\n", 0, {L"ab", L""}},
                      LayoutRow{L"a\r\n\r\nb", 0, {L"a", L"", L"b"}}, LayoutRow{L"", 0, {L""}},
                      LayoutRow{L"あい\r\nう", 100, {L"あい", L"う"}},
                      // Without wrapping a long line stays whole.
                      LayoutRow{L"あいうえおかきくけこ", 0, {L"あいうえおかきくけこ"}}));

INSTANTIATE_TEST_SUITE_P(
    Japanese, LineBreaks,
    ::testing::Values(LayoutRow{L"あいうえおかき", 35, {L"あいう", L"えおか", L"き"}},
                      LayoutRow{L"あいうえおかき", 30, {L"あいう", L"えおか", L"き"}},
                      LayoutRow{L"あいうえおかき", 29, {L"あい", L"うえ", L"おか", L"き"}},
                      LayoutRow{L"あいう", 30, {L"あいう"}}));

INSTANTIATE_TEST_SUITE_P(
    LatinWords, LineBreaks,
    ::testing::Values(LayoutRow{L"Hello World", 40, {L"Hello", L"World"}},
                      LayoutRow{L"ab  cd", 10, {L"ab", L"cd"}},  // no blank at the start of a line
                      // A word longer than the line has to be cut.
                      LayoutRow{L"Supercalifragilistic", 40, {L"Supercal", L"ifragili", L"stic"}},
                      // After Japanese text the line breaks before the word, not inside it.
                      LayoutRow{L"あと10秒", 25, {L"あと", L"10秒"}},
                      LayoutRow{L"あいabc", 30, {L"あい", L"abc"}},
                      LayoutRow{L"あabc", 20, {L"あ", L"abc"}},
                      LayoutRow{L"爆弾Windows", 50, {L"爆弾", L"Windows"}}));

INSTANTIATE_TEST_SUITE_P(
    OverWide, LineBreaks,
    ::testing::Values(LayoutRow{L"あい", 5, {L"あ", L"い"}},  // each still shown, one a line
                      LayoutRow{L"a", 1, {L"a"}}));

TEST(TextLayout, MeasuresEveryLineAndTheWhole) {
  const TextLayout layout = LayOutText(L"あいうえおかき", 35, Measure);
  ASSERT_EQ(layout.lines.size(), 3U);
  EXPECT_EQ(layout.lines[0].cx, 30);
  EXPECT_EQ(layout.lines[2].cx, 10);
  EXPECT_EQ(layout.line_height, 12);
  EXPECT_EQ(layout.width, 30);
  EXPECT_EQ(layout.height, 36);

  const TextLayout empty = LayOutText(L"", 0, Measure);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 12);  // an empty caption still takes one line

  const TextLayout overwide = LayOutText(L"あい", 5, Measure);
  EXPECT_EQ(overwide.width, 10);  // wider than asked: the character is not dropped
  EXPECT_EQ(overwide.height, 24);
}

TEST(TextLayout, TheTwoLineEndingCaptionSplitsAtItsLineBreak) {
  const TextLayout layout = LayOutText(tickbomb::text::kShutdownCalledOff, 0, Measure);
  ASSERT_EQ(layout.lines.size(), 2U);
  EXPECT_EQ(layout.lines[0].text, L"Windowsシャットダウンを\u30FB\u30FB\u30FB");
  EXPECT_EQ(layout.lines[1].text.substr(layout.lines[1].text.size() - 4), L"v(＾＾");
  EXPECT_EQ(layout.height, 24);
  EXPECT_EQ(layout.width, std::max(layout.lines[0].cx, layout.lines[1].cx));
}

TEST(NumberText, DigitsWithAMinusAndNoLeadingBlank) {
  const std::pair<long long, std::wstring> rows[] = {
      {0, L"0"},
      {9, L"9"},
      {10, L"10"},
      {-3, L"-3"},
      {1234567890123LL, L"1234567890123"},
      {std::numeric_limits<long long>::min(), L"-9223372036854775808"}};
  for (const auto& [number, text] : rows) EXPECT_EQ(NumberText(number), text) << number;
}

}  // namespace
}  // namespace tickbomb::forms
