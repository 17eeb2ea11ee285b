#include "app/forms/text_layout.h"

#include <algorithm>
#include <cwctype>

namespace tickbomb::forms {

namespace {

std::vector<std::wstring> SplitHardLines(const std::wstring& text) {
  std::vector<std::wstring> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    if (c == L'\r' || c == L'\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

bool IsLatinWordChar(wchar_t c) { return c < 0x80 && c != L' '; }

// Breaks one hard line into pieces no wider than `width` (a piece holds at
// least one character, so a single over-wide character still shows).
void Wrap(const std::wstring& line, int width, const MeasureFn& measure,
          std::vector<std::wstring>& out) {
  std::size_t start = 0;
  while (start < line.size()) {
    std::size_t end = start + 1;
    while (end < line.size() && measure(line.substr(start, end + 1 - start)).cx <= width) ++end;
    if (end < line.size()) {
      // Do not cut a Latin word in two if the line can break before it.
      std::size_t cut = end;
      while (cut > start + 1 && IsLatinWordChar(line[cut - 1]) && IsLatinWordChar(line[cut])) --cut;
      // Stopped at a break between two characters that are not both part of
      // one word: break there (also right after the line's first character).
      if (!(IsLatinWordChar(line[cut - 1]) && IsLatinWordChar(line[cut]))) end = cut;
    }
    out.push_back(line.substr(start, end - start));
    start = end;
    while (start < line.size() && line[start] == L' ') ++start;  // no blank at a line start
  }
  if (line.empty()) out.emplace_back();
}

}  // namespace

TextLayout LayOutText(const std::wstring& text, int wrap_width, const MeasureFn& measure) {
  std::vector<std::wstring> pieces;
  for (const std::wstring& hard : SplitHardLines(text)) {
    if (wrap_width > 0) {
      Wrap(hard, wrap_width, measure, pieces);
    } else {
      pieces.push_back(hard);
    }
  }
  TextLayout layout;
  layout.line_height = measure(L"Ag").cy;
  for (std::wstring& piece : pieces) {
    const int cx = piece.empty() ? 0 : measure(piece).cx;
    layout.width = std::max(layout.width, cx);
    layout.lines.push_back({std::move(piece), cx});
  }
  layout.height = layout.line_height * static_cast<int>(layout.lines.size());
  return layout;
}

const TextLayout& TextLayouts::Of(int label_index, const std::wstring& caption,
                                  const FontSpec& font, int wrap_width) const {
  const auto index = static_cast<std::size_t>(label_index);
  if (index >= kept_.size()) kept_.resize(index + 1);
  Kept& kept = kept_[index];
  if (!kept.valid || kept.caption != caption || !(kept.font == font) ||
      kept.wrap_width != wrap_width) {
    kept.layout = LayOutText(caption, wrap_width,
                             [&](const std::wstring& text) { return measure_(font, text); });
    kept.caption = caption;
    kept.font = font;
    kept.wrap_width = wrap_width;
    kept.valid = true;
  }
  return kept.layout;
}

}  // namespace tickbomb::forms
