// Doubles are doubles. The mingw-w64 start-up code leaves the x87 unit at
// 64-bit precision, so `left + cw` in ZoomRectangles could round up a value
// that is a tie in double precision (426.50000000000003 instead of 426.5,
// giving 427, not 426). 53 bits is the precision Windows itself starts every
// process with; the program and its tests built for Windows both set it first.
#ifndef TICKBOMB_APP_WIN32_DOUBLE_PRECISION_H
#define TICKBOMB_APP_WIN32_DOUBLE_PRECISION_H

#include <cfloat>

namespace tickbomb::win32 {

inline void UseDoublePrecision() { _controlfp(_PC_53, _MCW_PC); }

}  // namespace tickbomb::win32

#endif
