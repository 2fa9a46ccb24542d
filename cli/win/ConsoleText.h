#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kdx {

// How much of a piece of UTF-8 ends on a whole character: a character split across two pieces
// (two reads of a pipe) is kept back until its rest comes.
std::size_t WholeCharacters(std::string_view utf8);

// UTF-8 as it comes, piece by piece, turned into wide characters for a console. Bytes that are
// no UTF-8 show as the replacement character.
class ConsoleText {
  public:
    std::wstring Take(std::string_view piece);
    // What is left at the end: a character that never got its rest.
    std::wstring Finish();

  private:
    std::string pending_;
};

}  // namespace kdx
