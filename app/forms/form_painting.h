// Painting: the form's controls turned into drawing steps, back to front,
// with the pictures loaded for the window and, on a screen of another
// density, resampled once and kept.
#ifndef TICKBOMB_APP_FORMS_FORM_PAINTING_H
#define TICKBOMB_APP_FORMS_FORM_PAINTING_H

#include <optional>
#include <utility>
#include <vector>

#include "app/forms/form_controls.h"
#include "app/forms/scaled_pictures.h"
#include "app/seam/form_host.h"
#include "app/seam/windows_api.h"

namespace tickbomb::forms {

class FormPainting {
 public:
  FormPainting(const FormControls& controls, WindowsApi& windows, FormHost& host)
      : controls_(controls), host_(host), scaled_pictures_(windows, host) {}

  // Loads every picture the design holds, fully decoded; one that cannot be
  // loaded is an error of the load.
  void LoadPictures(const FormDesign& design);
  // Resamples, at another density, every picture the form may take as its own.
  void PrepareBackgrounds();
  // What was resampled goes: the screen's density changed.
  void DropScaled() { scaled_pictures_.Drop(); }
  // Everything goes with the window.
  void Release(WindowsApi& windows);

  std::vector<DrawOp> PaintOps() const;
  // The pixels `repaint` covers; none for the whole form.
  std::optional<Rect> PixelsOf(const Repaint& repaint) const;

 private:
  Hbitmap BitmapOf(int picture_id) const;
  PixelImage PixelsOfPicture(int picture_id) const;
  bool InBackground(int image_index) const;
  void AddScaledPictureOps(std::vector<DrawOp>& ops) const;
  void AddTextOps(std::vector<DrawOp>& ops, int label_index) const;

  const FormControls& controls_;
  FormHost& host_;
  std::vector<std::pair<int, Hbitmap>> bitmaps_;  // the pictures, by id, while loaded
  mutable ScaledPictures scaled_pictures_;        // kept per scale
};

}  // namespace tickbomb::forms

#endif
