// The controls as plain data: what a change of a property leaves to repaint,
// in twips, with no window involved. Text repaints the box a label had and
// the one it has; a picture control its own area, and nothing while hidden;
// the form's own picture the whole form.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/form1_design.h"
#include "app/forms/form_controls.h"
#include "app/forms/text_layout.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

using forms::FormControls;
using forms::Repaint;

Rect Covering(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Form1's controls at the design's density, the labels sized by the fake's
// measure.
class FormControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controls.Build(Form1Design(), forms::kDesignDpi);
    controls.SizeLabels();
  }
  Rect LabelBox(int index) const { return Area(controls.labels().at(index)); }

  FakePlatform platform;
  FormControls controls{[this](const FontSpec& font, const std::wstring& text) {
    return platform.MeasureText(font, text);
  }};
};

TEST_F(FormControlsTest, ALabelChangeRepaintsTheBoxItLeftAndTheBoxItTakes) {
  struct Row {
    const char* change;
    int label;
    std::function<Repaint(FormControls&)> apply;
  };
  const Row rows[] = {
      {"a shorter caption", Label2_1,
       [](FormControls& c) { return c.SetLabelCaption(Label2_1, L"9"); }},
      {"a longer caption", Label2_0,
       [](FormControls& c) { return c.SetLabelCaption(Label2_0, L"100"); }},
      {"moved left", Label2_0, [](FormControls& c) { return c.SetLabelLeft(Label2_0, 3690); }},
      {"moved down", Label2_0, [](FormControls& c) { return c.SetLabelTop(Label2_0, 4420); }},
      {"another colour", Label2_1,
       [](FormControls& c) { return c.SetLabelForeColor(Label2_1, 255); }},
      {"hidden", Label3_0, [](FormControls& c) { return c.SetLabelVisible(Label3_0, false); }},
  };
  for (const Row& row : rows) {
    const Rect before = LabelBox(row.label);
    const Repaint repaint = row.apply(controls);
    EXPECT_EQ(repaint.kind, Repaint::Kind::Text) << row.change;
    EXPECT_EQ(repaint.area, Covering(before, LabelBox(row.label))) << row.change;
  }
}

TEST_F(FormControlsTest, APictureChangeRepaintsItsPicturesOrTheWholeForm) {
  struct Row {
    const char* change;
    int image;  // the picture control whose area is repainted, -1 for none
    Repaint::Kind kind;
    std::function<Repaint(FormControls&)> apply;
  };
  const Row rows[] = {
      {"the bomb's picture", Image1, Repaint::Kind::Pictures,
       [](FormControls& c) { return c.SetImagePicture(Image1, BigBombPicture()); }},
      {"the bomb's own picture again", Image1, Repaint::Kind::Pictures,
       [](FormControls& c) { return c.SetImagePicture(Image1, BombPicture()); }},
      {"a hidden control's picture", -1, Repaint::Kind::Nothing,
       [](FormControls& c) { return c.SetImagePicture(Image2_0, BombShortPicture()); }},
      {"the bomb hidden", Image1, Repaint::Kind::Pictures,
       [](FormControls& c) { return c.SetImageVisible(Image1, false); }},
      {"the form's picture", -1, Repaint::Kind::WholeForm,
       [](FormControls& c) { return c.SetPicture(BigBombPicture()); }},
  };
  for (const Row& row : rows) {
    const Rect before = row.image < 0 ? Rect{} : controls.ImageTwips(row.image);
    const Repaint repaint = row.apply(controls);
    const Rect after = row.image < 0 ? Rect{} : controls.ImageTwips(row.image);
    EXPECT_EQ(repaint.kind, row.kind) << row.change;
    EXPECT_EQ(repaint.area, Covering(before, after)) << row.change;
  }
}

}  // namespace
}  // namespace tickbomb::testing
