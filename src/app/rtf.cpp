#include "app/rtf.h"

#include <cstdint>
#include <cstdio>

namespace omf::app {
namespace {

// Decodes one UTF-8 sequence at text[i]; a malformed byte stands for itself.
std::uint32_t NextCodePoint(const std::string& text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  std::uint32_t cp = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : extra == 1 ? lead & 0x1F : lead;
  for (; extra > 0; --extra) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return lead;
    cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  return cp;
}

void AppendUnicode(std::string& out, std::uint32_t cp) {
  auto unit = [&](std::uint32_t u) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "\\u%d?", static_cast<int>(static_cast<std::int16_t>(u)));
    out += buf;
  };
  if (cp > 0xFFFF) {  // as a UTF-16 surrogate pair
    cp -= 0x10000;
    unit(0xD800 + (cp >> 10));
    unit(0xDC00 + (cp & 0x3FF));
  } else {
    unit(cp);
  }
}

}  // namespace

std::string PlainTextToRtf(const std::string& text) {
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss MS Sans Serif;}}\n\\pard\\f0\\fs16 ";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\r') {
      ++i;
      continue;
    }
    if (c == '\n') {
      out += "\\par\n";
      ++i;
      continue;
    }
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
      ++i;
      continue;
    }
    if (c == '\t') {
      out += "\\tab ";
      ++i;
      continue;
    }
    const std::uint32_t cp = NextCodePoint(text, i);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else {
      AppendUnicode(out, cp);
    }
  }
  out += "\\par\n}\n";
  return out;
}

}  // namespace omf::app
