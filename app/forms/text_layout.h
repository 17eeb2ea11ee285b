// Lays out a label's caption in lines: a CR LF (or a lone LF) starts a new
// line, and a label that wraps breaks its lines to fit its width. Japanese
// has no spaces between words, so a line may break between any two
// characters; a run of Latin letters is kept whole where it fits.
#ifndef TICKBOMB_APP_FORMS_TEXT_LAYOUT_H
#define TICKBOMB_APP_FORMS_TEXT_LAYOUT_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/seam/drawing.h"

namespace tickbomb::forms {

struct TextLine {
  std::wstring text;
  int cx = 0;  // pixels
};

struct TextLayout {
  std::vector<TextLine> lines;
  int line_height = 0;  // pixels
  int width = 0;        // of the widest line
  int height = 0;       // lines x line height
};

using MeasureFn = std::function<TextSize(const std::wstring&)>;

// `wrap_width` <= 0: no wrapping.
TextLayout LayOutText(const std::wstring& text, int wrap_width, const MeasureFn& measure);

// The labels' layouts, kept: a label is laid out again only when its caption,
// font or width changed, so a repaint measures nothing that stayed the same.
class TextLayouts {
 public:
  using MeasureInFont = std::function<TextSize(const FontSpec&, const std::wstring&)>;
  explicit TextLayouts(MeasureInFont measure) : measure_(std::move(measure)) {}

  // Valid until the next call.
  const TextLayout& Of(int label_index, const std::wstring& caption, const FontSpec& font,
                       int wrap_width) const;
  void Forget() { kept_.clear(); }

 private:
  struct Kept {
    bool valid = false;
    std::wstring caption;
    FontSpec font;
    int wrap_width = 0;
    TextLayout layout;
  };
  MeasureInFont measure_;
  mutable std::vector<Kept> kept_;  // by label index: what was asked last
};

}  // namespace tickbomb::forms

#endif
