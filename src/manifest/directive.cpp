#include "manifest/directive.h"


namespace omf::manifest {

bool IsTokenSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view FirstToken(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && IsTokenSpace(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !IsTokenSpace(line[end])) ++end;
  return line.substr(start, end - start);
}

Directive DirectiveOf(std::string_view line) {
  const std::string_view token = FirstToken(line);
  if (token == kTagFormat) return Directive::kFormat;
  if (token == kTagSource) return Directive::kSource;
  if (token == kTagTarget) return Directive::kTarget;
  return Directive::kNone;
}

std::string_view TagOf(Directive directive) {
  switch (directive) {
    case Directive::kFormat:
      return kTagFormat;
    case Directive::kSource:
      return kTagSource;
    case Directive::kTarget:
      return kTagTarget;
    case Directive::kNone:
      break;
  }
  return {};
}

std::string_view ArgumentOf(std::string_view line, Directive directive) {
  const std::size_t cut = TagOf(directive).size() + 1;
  return cut >= line.size() ? std::string_view{} : line.substr(cut);
}

FormatCode LookupFormat(std::string_view argument) {
  const std::string_view name = FirstToken(argument);
  if (name.empty()) return kFormatUnknown;
  for (const auto& row : kFormatTable) {
    if (row.name == name) return row.code;
  }
  return kFormatUnknown;
}

}  // namespace omf::manifest
