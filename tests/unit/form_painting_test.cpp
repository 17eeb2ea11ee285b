// Painting: what the paint draws, back to front, from the background to the
// bomb; what is hidden is not drawn, the hint wraps inside its label and the
// digits sit in the middle of theirs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assets/resource_ids.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

std::string Describe(const DrawOp& op) {
  switch (op.kind) {
    case DrawOp::Kind::FillRect: return "fill";
    case DrawOp::Kind::Bitmap: return "bitmap " + std::to_string(op.bitmap_id);
    case DrawOp::Kind::Text: break;
  }
  return "text";
}

// Which label a text op belongs to: the one whose box it is clipped to and
// whose colour it has.
int LabelOf(const forms::Form& form, const DrawOp& op) {
  for (int i = 0; i < kLabelCount; ++i) {
    const forms::Label& l = form.label(i);
    const Rect box{(l.left * 2 + 15) / 30, (l.top * 2 + 15) / 30,
                   ((l.left + l.width) * 2 + 15) / 30, ((l.top + l.height) * 2 + 15) / 30};
    if (op.rect.left == box.left && op.rect.top == box.top && op.rect.right == box.right &&
        op.rect.bottom == box.bottom && op.color == l.fore_color) {
      return i;
    }
  }
  return -1;
}

// The ops as "fill", "bitmap 201", "label 3" with repeated lines of one label merged.
std::vector<std::string> PaintSequence(const forms::Form& form) {
  std::vector<std::string> seq;
  for (const DrawOp& op : form.PaintOps()) {
    std::string item = Describe(op);
    if (item == "text") item = "label " + std::to_string(LabelOf(form, op));
    if (seq.empty() || seq.back() != item || item.rfind("label", 0) != 0) seq.push_back(item);
  }
  return seq;
}

// Form1, loaded.
class PaintingTest : public Form1Test {
 protected:
  void SetUp() override { LoadForm(); }
};

TEST_F(PaintingTest, PaintGoesBackgroundPictureThenControlsBackToFront) {
  const std::vector<DrawOp> ops = form.PaintOps();
  ASSERT_GE(ops.size(), 2U);
  EXPECT_EQ(ops[0].kind, DrawOp::Kind::FillRect);
  EXPECT_EQ(ops[0].rect, (Rect{0, 0, 435, 407}));
  EXPECT_EQ(ops[0].color, 0xFFC0FFU);  // BackColor
  EXPECT_EQ(ops[1].bitmap_id, IDB_SCENE);
  EXPECT_EQ(ops[1].rect, (Rect{0, 0, 425, 397}));
  EXPECT_EQ(PaintSequence(form),
            (std::vector<std::string>{"fill", "bitmap 201", "label 1", "label 0", "label 8",
                                      "label 9", "label 2", "label 3", "label 4", "label 5",
                                      "label 6", "label 7", "bitmap 202"}));
  const DrawOp& bomb = ops.back();
  EXPECT_EQ(bomb.rect, (Rect{18, 110, 83, 205}));
  // The design's colours.
  const std::uint32_t colours[kLabelCount] = {0xFFFFFF, 0x004040, 0x000000, 0x00FFFF, 0x000000,
                                              0xFFFFFF, 0x000000, 0xFFFFFF, 0x808000, 0xFFFFC0};
  for (const DrawOp& op : ops) {
    if (op.kind != DrawOp::Kind::Text) continue;
    const int label = LabelOf(form, op);
    ASSERT_GE(label, 0);
    EXPECT_EQ(op.color, colours[label]) << "label " << label;
    EXPECT_EQ(op.font, form.label(label).font);
  }
}

TEST_F(PaintingTest, PaintSkipsWhatIsHiddenAndFollowsPictureChanges) {
  form.SetLabelVisible(Label3_0, false);
  form.SetLabelVisible(Label3_1, false);
  form.SetImageVisible(Image1, false);
  form.SetPicture(form.image(Image2_2).picture);
  EXPECT_EQ(PaintSequence(form),
            (std::vector<std::string>{"fill", "bitmap 205", "label 1", "label 0", "label 8",
                                      "label 9", "label 2", "label 3", "label 6", "label 7"}));
  form.SetImageVisible(Image1, true);
  form.SetImagePicture(Image1, form.image(Image2_0).picture);
  EXPECT_EQ(PaintSequence(form).back(), "bitmap 203");
}

TEST_F(PaintingTest, TheHintWrapsInsideItsWidth) {
  for (int label : {Label5_0, Label5_1}) {
    const forms::Label& l = form.label(label);
    const int left = (l.left * 2 + 15) / 30, top = (l.top * 2 + 15) / 30;
    const int width = ((l.left + l.width) * 2 + 15) / 30 - left;
    std::wstring joined;
    std::vector<int> ys;
    for (const DrawOp& op : form.PaintOps()) {
      if (op.kind != DrawOp::Kind::Text || LabelOf(form, op) != label) continue;
      joined += op.text;
      ys.push_back(op.y);
      EXPECT_EQ(op.x, left);
      EXPECT_LE(platform.MeasureText(l.font, op.text).cx, width) << "line wider than the label";
    }
    EXPECT_EQ(joined, text::kHint);
    ASSERT_GE(ys.size(), 2U) << "the hint does not fit one line";
    EXPECT_EQ(ys[0], top);
    for (std::size_t i = 1; i < ys.size(); ++i) EXPECT_GT(ys[i], ys[i - 1]);
  }
}

TEST_F(PaintingTest, TheDigitsAreCentredInTheirBox) {
  for (const DrawOp& op : form.PaintOps()) {
    if (op.kind != DrawOp::Kind::Text || op.text != L"10") continue;
    const int cx = platform.MeasureText(op.font, op.text).cx;
    EXPECT_NEAR(op.x + cx / 2.0, (op.rect.left + op.rect.right) / 2.0, 1.0);
  }
}

}  // namespace
}  // namespace tickbomb::testing
