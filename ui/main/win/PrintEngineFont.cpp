// Qt's Windows print engine refers to the DirectWrite font engine, which our static Qt leaves out
// (its DirectWrite needs Direct2D, which is off). The engine asks for it only when a font came from
// DirectWrite, and none does here: this definition only lets the programs link.
#include <windows.h>

class QWindowsFontEngineDirectWrite {
  public:
    HFONT createHFONT() const;
};

HFONT QWindowsFontEngineDirectWrite::createHFONT() const { return nullptr; }
