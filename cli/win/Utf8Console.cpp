// kdx17 writes UTF-8, which a Windows console shows as such only when told: its own code page
// is the OEM one (852 for Czech). The console's code page is put back at exit, since the
// console outlives the program.
#include <windows.h>

namespace {

class Utf8Console {
  public:
    Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() {
        if (previous_ != 0) SetConsoleOutputCP(previous_);
    }

  private:
    UINT previous_;  // 0 without a console
};

const Utf8Console console;

}  // namespace
