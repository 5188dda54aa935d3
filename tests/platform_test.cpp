// Streams, exclusive opens and line lists.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/buffered_writer.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/line_list.h"
#include "support/temp_dir.h"

namespace omf {
namespace {

using testing::ReadFileText;
using testing::TempDir;
using testing::WriteFileText;

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
