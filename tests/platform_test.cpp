// Streams, exclusive opens, write-behind, replacing files and line lists.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/buffered_writer.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/line_list.h"
#include "platform/replacing_file.h"
#include "support/temp_dir.h"

namespace omf {
namespace {

using testing::Bytes;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::ReadFileText;
using testing::TempDir;
using testing::WriteFileText;

// Appends `data` to `out` in pieces of the sizes in `pieces`, taken in turn.
void WriteInPieces(FileStream& out, const Bytes& data, std::initializer_list<std::size_t> pieces) {
  std::size_t done = 0;
  for (std::size_t k = 0; done < data.size(); ++k) {
    const std::size_t n = std::min(*(pieces.begin() + k % pieces.size()), data.size() - done);
    out.Write(data.data() + done, n);
    done += n;
  }
}

std::string MessageOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(LineListSplit, LineEndsAndNul) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two line ends
      {"a\r\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},  // NUL ends the text
      {std::string("\0abc", 4), {}},
      {"  lead\tand trail  \n", {"  lead\tand trail  "}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LineList::SplitText(c.text), c.lines) << "text: " << ::testing::PrintToString(c.text);
  }
}

TEST(LineList, SaveEndsEveryLineWithCrLfAndLoadsBack) {
  TempDir dir;
  LineList list;
  list.Add("#Format: OMF");
  list.Add("");
  list.Add("NULL");
  list.SaveToFile(dir / "m.log");
  EXPECT_EQ(ReadFileText(dir / "m.log"), "#Format: OMF\r\n\r\nNULL\r\n");

  LineList back;
  back.Add("stale");
  back.LoadFromFile(dir / "m.log");
  EXPECT_EQ(back.Lines(), list.Lines());
}

TEST(LineList, IndexErrorsAndMissingFile) {
  LineList list;
  list.Add("x");
  EXPECT_EQ(MessageOf([&] { list.Get(1); }), "List index out of bounds (1)");
  EXPECT_EQ(MessageOf([&] { list.Get(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf([&] { list.Set(5, "y"); }), "List index out of bounds (5)");
  EXPECT_EQ(MessageOf([&] { list.LoadFromFile("/nonexistent/x.log"); }),
            "Cannot open file /nonexistent/x.log");
  EXPECT_EQ(list.Count(), 0);  // a failed load leaves the list empty
}

TEST(FileStream, ErrorTexts) {
  TempDir dir;
  EXPECT_EQ(MessageOf([&] { FileStream::Open(dir / "missing", OpenMode::kReadOnly); }),
            "Cannot open file " + (dir / "missing"));
  EXPECT_EQ(MessageOf([&] { FileStream::Open(dir.path(), OpenMode::kReadOnly); }),
            "Cannot open file " + dir.path());
  EXPECT_EQ(MessageOf([&] { FileStream::Create(dir / "no/such/file"); }),
            "Cannot create file " + (dir / "no/such/file"));
  WriteFileText(dir / "short", "abc");
  auto in = FileStream::Open(dir / "short", OpenMode::kReadOnly);
  char buf[8];
  EXPECT_EQ(in.Read(buf, 8), 3u);  // a plain read stops at the end
  in.Seek(1);
  EXPECT_EQ(MessageOf([&] { in.ReadExact(buf, 3); }), "Stream read error");
}

TEST(FileStream, ExclusiveOpensConflictAndNeverTruncateAHeldFile) {
  TempDir dir;
  const std::string path = dir / "held.omf";
  WriteFileText(path, "precious");
  auto held = FileStream::Open(path, OpenMode::kReadOnly);
  EXPECT_EQ(MessageOf([&] { FileStream::Open(path, OpenMode::kReadOnly); }), "Cannot open file " + path);
  EXPECT_EQ(MessageOf([&] { FileStream::Open(path, OpenMode::kReadWrite); }), "Cannot open file " + path);
  EXPECT_EQ(MessageOf([&] { FileStream::Create(path); }), "Cannot create file " + path);
  EXPECT_EQ(ReadFileText(path), "precious");

  // Another instance of the program is refused as well.
  pid_t child = ::fork();
  if (child == 0) {
    try {
      FileStream::Open(path, OpenMode::kReadWrite);
      ::_exit(0);
    } catch (const Error&) {
      ::_exit(7);
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 7);

  held.Close();
  EXPECT_NO_THROW(FileStream::Open(path, OpenMode::kReadWrite));
}

TEST(FileStream, CreateReplacesAndCopyMovesExactCount) {
  TempDir dir;
  WriteFileText(dir / "src", "0123456789");
  WriteFileText(dir / "dst", "a much longer old content");
  auto src = FileStream::Open(dir / "src", OpenMode::kReadOnly);
  {
    auto dst = FileStream::Create(dir / "dst");
    src.Seek(2);
    CopyBytes(src, dst, 5);
    CopyBytes(src, dst, 0);
    EXPECT_EQ(src.Position(), 7u);
  }
  EXPECT_EQ(ReadFileText(dir / "dst"), "23456");
  auto dst = FileStream::Create(dir / "dst2");
  EXPECT_EQ(MessageOf([&] { CopyBytes(src, dst, 4); }), "Stream read error");
}

// Write-behind only starts the disk early: the file must hold exactly what
// was written, whether a write ends on a step, past it or well before it,
// also where earlier bytes are rewritten after their writeback began, and
// after the stream has been moved.
TEST(FileStream, WriteBehindKeepsEveryByte) {
  const std::uint64_t steps[] = {0, 1, 4096, 100000, 1 << 20};
  for (const std::uint64_t step : steps) {
    SCOPED_TRACE("step " + std::to_string(step));
    TempDir dir;
    Bytes expected = PatternBytes(3 << 20, static_cast<std::uint32_t>(step));
    {
      auto first = FileStream::Create(dir / "f");
      first.SetWriteBehind(step);
      const Bytes half(expected.begin(), expected.begin() + expected.size() / 2);
      WriteInPieces(first, half, {1, 4095, 70001, 3, 1 << 20});
      FileStream out = std::move(first);
      const Bytes rest(expected.begin() + half.size(), expected.end());
      WriteInPieces(out, rest, {4096, 999, 2 << 20});
      const unsigned char word[4] = {0xD0, 0, 0x50, 0xFF};
      for (const std::uint64_t at : {std::uint64_t{0}, std::uint64_t{1} << 20, expected.size() - 4}) {
        out.WriteAt(at, word, sizeof word);
        std::copy(std::begin(word), std::end(word), expected.begin() + static_cast<std::ptrdiff_t>(at));
      }
      out.Sync();
    }
    EXPECT_TRUE(ReadFileBytes(dir / "f") == expected);
  }
}

// A replacing file is written behind in steps of 8 MiB: a replacement of
// several steps, its first bytes rewritten last, arrives whole, and nothing
// else is left in the folder.
TEST(ReplacingFile, CommitsEveryByteOfALargeReplacement) {
  TempDir dir;
  WriteFileText(dir / "target", "old content");
  Bytes expected = PatternBytes((20 << 20) + 5, 7);
  {
    ReplacingFile file(dir / "target");
    WriteInPieces(file.Stream(), expected, {(1 << 20) + 1, 512});
    const unsigned char word[4] = {1, 2, 3, 4};
    file.Stream().WriteAt(8, word, sizeof word);
    std::copy(std::begin(word), std::end(word), expected.begin() + 8);
    file.Commit();
  }
  EXPECT_TRUE(ReadFileBytes(dir / "target") == expected);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"target"});
}

TEST(BufferedWriter, KeepsOrderAcrossSmallAndLargePieces) {
  TempDir dir;
  auto out = FileStream::Create(dir / "w");
  BufferedWriter writer(out, 8);
  writer.Append("abc", 3);
  writer.Append("0123456789", 10);  // larger than the buffer: goes straight through
  writer.Append("xy", 2);
  writer.Flush();
  EXPECT_EQ(writer.BytesAppended(), 15u);
  EXPECT_EQ(ReadFileText(dir / "w"), "abc0123456789xy");
}

}  // namespace
}  // namespace omf
