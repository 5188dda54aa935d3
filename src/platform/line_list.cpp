#include "platform/line_list.h"

#include <cstring>

#include "platform/error.h"
#include "platform/file_stream.h"

namespace omf {

const std::string& LineList::Get(std::int32_t index) const {
  if (index < 0 || index >= Count()) throw ListIndexOutOfBounds(index);
  return lines_[static_cast<std::size_t>(index)];
}

void LineList::Set(std::int32_t index, std::string line) {
  if (index < 0 || index >= Count()) throw ListIndexOutOfBounds(index);
  lines_[static_cast<std::size_t>(index)] = std::move(line);
}

void LineList::Delete(std::int32_t index) {
  if (index < 0 || index >= Count()) throw ListIndexOutOfBounds(index);
  lines_.erase(lines_.begin() + index);
}

void LineList::Truncate(std::int32_t count) {
  if (count >= 0 && count < Count()) lines_.resize(static_cast<std::size_t>(count));
}

std::vector<std::string> LineList::SplitText(std::string_view text) {
  if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string LineList::JoinText() const {
  std::size_t total = 0;
  for (const auto& l : lines_) total += l.size() + 2;
  std::string text;
  text.reserve(total);
  for (const auto& l : lines_) {
    text += l;
    text += "\r\n";
  }
  return text;
}

void LineList::LoadFromFile(const std::string& path) {
  lines_.clear();
  FileStream in = FileStream::Open(path, OpenMode::kReadShared);
  std::string text(static_cast<std::size_t>(in.Size()), '\0');
  text.resize(in.Read(text.data(), text.size()));
  lines_ = SplitText(text);
}

void LineList::SaveToFile(const std::string& path) const {
  FileStream out = FileStream::Create(path);
  std::string text = JoinText();
  out.Write(text.data(), text.size());
}

}  // namespace omf
