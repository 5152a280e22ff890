#include "common/shift_jis.h"

#include <iconv.h>

#include <cerrno>

// glibc's "CP932" rather than "SHIFT_JIS": it maps the full-width tilde and
// minus the way Windows does, so both builds write the same bytes.
std::string Utf8ToShiftJis(std::string_view utf8) {
  std::string out;
  if (utf8.empty()) return out;
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  out.resize(utf8.size() * 2 + 4);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* to = out.data();
  size_t toLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;  // E2BIG cannot happen: 2 bytes per byte
    // Skip the whole UTF-8 sequence that has no Shift-JIS form.
    size_t skip = 1;
    while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
    in += skip;
    inLeft -= skip;
    *to++ = '?';
    --toLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - toLeft);
  return out;
}
