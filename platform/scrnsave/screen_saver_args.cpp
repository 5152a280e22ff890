#include "platform/scrnsave/screen_saver_args.h"

namespace {
bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view TrimFront(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

// Reads a decimal window handle; stops at the first non-digit and ignores
// values that would not fit rather than wrapping them.
uint64_t ReadHandle(std::u16string_view text) {
  text = TrimFront(text);
  if (!text.empty() && text.front() == u':') text = TrimFront(text.substr(1));
  uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    uint64_t digit = static_cast<uint64_t>(c - u'0');
    if (value > (UINT64_MAX - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}
}  // namespace

std::u16string_view SkipProgramName(std::u16string_view commandLine) {
  commandLine = TrimFront(commandLine);
  if (!commandLine.empty() && commandLine.front() == u'"') {
    size_t end = commandLine.find(u'"', 1);
    return end == std::u16string_view::npos ? std::u16string_view() : commandLine.substr(end + 1);
  }
  size_t i = 0;
  while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

SaverArgs ParseSaverArgs(std::u16string_view arguments) {
  SaverArgs args;
  arguments = TrimFront(arguments);
  if (arguments.empty()) return args;
  if (arguments.front() == u'/' || arguments.front() == u'-') arguments.remove_prefix(1);
  if (arguments.empty()) return {SaverMode::Invalid, 0};
  char16_t letter = arguments.front();
  if (letter >= u'A' && letter <= u'Z') letter = static_cast<char16_t>(letter - u'A' + u'a');
  std::u16string_view rest = arguments.substr(1);
  switch (letter) {
    case u's': args.mode = SaverMode::Run; break;
    case u'c': args.mode = SaverMode::Configure; break;
    case u'p': args.mode = SaverMode::Preview; break;
    case u'a': args.mode = SaverMode::ChangePassword; break;
    default: return {SaverMode::Invalid, 0};
  }
  args.window = ReadHandle(rest);
  if (args.mode == SaverMode::Preview && args.window == 0) args.mode = SaverMode::Invalid;
  return args;
}
