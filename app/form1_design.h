// Form1 as it is stored: the window and its 21 controls, read afresh every
// time the form is loaded, and the names by which the code reaches them.
#ifndef TICKBOMB_APP_FORM1_DESIGN_H
#define TICKBOMB_APP_FORM1_DESIGN_H

#include <string>

#include "app/forms/form.h"

namespace tickbomb {

// The labels, flat: each pair is (element 0, element 1) of its control array.
// The text copy is element 0 for Label1 and element 1 for Label2 ... Label5.
inline constexpr int Label1_0 = 0, Label1_1 = 1, Label2_0 = 2, Label2_1 = 3, Label3_0 = 4,
                     Label3_1 = 5, Label4_0 = 6, Label4_1 = 7, Label5_0 = 8, Label5_1 = 9;
inline constexpr int kLabelCount = 10;
// The pictures: Image1, then Image2(0) ... Image2(3).
inline constexpr int Image1 = 0, Image2_0 = 1, Image2_1 = 2, Image2_2 = 3, Image2_3 = 4;
// The option buttons, in focus order (TabIndex 0 ... 4).
inline constexpr int OptLeft = 0, OptLeftCorner = 1, OptCenter = 2, OptTop = 3, OptNone = 4;

namespace text {
inline const std::wstring kFormCaption = L"カチコチボム";
inline const std::wstring kUntilShutdown = L"Ｗｉｎｄｏｗｓシャットダウンまで";
inline const std::wstring kUntilRestart = L"Ｗｉｎｄｏｗｓ再起動まで・・・\u3000";
inline const std::wstring kRemaining = L"あと";
inline const std::wstring kSeconds = L"秒";
inline const std::wstring kHint = L"爆弾をクリックするとシャットダウンを阻止出来ます♪";
inline const std::wstring kScream = L"ギャー";
// Halfwidth middle dots (U+FF65) while the fake explosion runs ...
inline const std::wstring kShutdownHalfwidthDots = L"Windowsシャットダウンを\uFF65\uFF65\uFF65";
// ... fullwidth ones (U+30FB) in the final two-line caption.
inline const std::wstring kShutdownCalledOff =
    L"Windowsシャットダウンを\u30FB\u30FB\u30FB\r\n"
    L"\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000中止しましたv(＾＾";
inline const std::wstring kDefusedMessage = L"な～んだ、残念～♪Ψ(￣▽￣)Ψ";
inline const std::wstring kEscapeMessage = L"びっくりした？じゃねー♪＠ω＠)ﾉｼ";
inline const std::wstring kMessageTitle = L"By ピコリン";
inline const std::wstring kUiFontFace = L"ＭＳ Ｐゴシック";
}  // namespace text

forms::FormDesign Form1Design();

// The stored pictures, by role.
forms::Picture ScenePicture();
forms::Picture BombPicture();
forms::Picture BombLitPicture();
forms::Picture BombShortPicture();
forms::Picture BigBombPicture();
forms::Picture ExplosionPicture();

}  // namespace tickbomb

#endif
