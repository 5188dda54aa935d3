#include "container/extract.h"

#include <unistd.h>

#include "container/chain.h"
#include "container/container_file.h"
#include "container/directory_walk.h"
#include "container/item_file_name.h"
#include "container/item_road.h"
#include "container/verify.h"
#include "platform/buffered_writer.h"

namespace omf::container {
namespace {

class WriterSink final : public ByteSink {
 public:
  explicit WriterSink(BufferedWriter& writer) : writer_(writer) {}
  void Put(const unsigned char* data, std::size_t n) override { writer_.Append(data, n); }

 private:
  BufferedWriter& writer_;
};

// Copies one item's data run into a new item file; removes the file again
// when the copy fails.
void WriteItemFile(ContainerFile& file, const ItemLocation& loc, const std::string& path,
                   const std::string& what) {
  FileStream out = FileStream::Create(path);
  try {
    BufferedWriter writer(out);
    WriterSink sink(writer);
    auto cursor = ChainCursor::StartRun(loc.run_start, file.BlockSize());
    ReadChained(file, cursor, loc.data_size, sink, what + ": data");
    writer.Flush();
    out.Close();
  } catch (...) {
    out.Close();
    ::unlink(path.c_str());
    throw;
  }
}

}  // namespace

ExtractResult ExtractItems(const std::string& container_path, const std::string& output_folder,
                           LineList& manifest, ExtractObserver* observer,
                           const InterruptFlag* interrupt) {
  ContainerFile file = ContainerFile::Open(container_path, OpenMode::kReadOnly);
  const ContainerSummary summary = VerifyContainer(file, /*include_aux=*/false);
  if (observer) observer->ExtractionStarted(summary.entries, summary.data_bytes);

  ExtractResult result;
  DirectoryWalk walk(file);
  DirectoryEntry entry;
  while (walk.Next(entry)) {
    CheckInterrupt(interrupt);
    ++result.entries;
    const std::string what = DescribeEntry(walk.Index(), entry);
    const ItemLocation loc = LocateItem(file, entry, what);
    if (loc.kind == ItemKind::kNoData) {
      manifest.Add("NULL");
    } else {
      std::string path = ItemFilePath(output_folder, entry.item_id);
      WriteItemFile(file, loc, path, what);
      ++result.files;
      result.bytes += loc.data_size;
      if (observer) observer->ItemWritten(path, loc.data_size);
      manifest.Add(std::move(path));
    }
    if (observer) observer->EntryDone();
  }
  return result;
}

}  // namespace omf::container
