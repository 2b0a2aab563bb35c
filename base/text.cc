#include "base/text.h"

namespace {

char At(std::string_view text, std::size_t i) {
  return i < text.size() ? text[i] : '\0';
}

}  // namespace

bool SameNoCase(std::string_view text, std::string_view keyword, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    char a = FoldCase(At(text, i));
    if (a != FoldCase(At(keyword, i))) return false;
    if (a == '\0') return true;
  }
  return true;
}
