#include "gui/qt_run_executor.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <optional>

namespace omf::gui {

// Forwards each report to the window's thread.
class QtRunExecutor::PostingListener final : public app::RunListener {
 public:
  PostingListener(QObject* context, app::RunListener& ui) : context_(context), ui_(ui) {}

  // Entries come by the thousand: they are counted here and reach the
  // window's thread in bulk, at most every few milliseconds.
  void EntryDone() override { Count(1, 0, 0); }
  void ItemWritten(const std::string&, std::uint64_t bytes) override { Count(0, 1, bytes); }
  void Item(const container::ItemReport&) override { Count(1, 0, 0); }
  void Advanced(std::uint64_t steps, std::uint64_t files, std::uint64_t bytes) override { Count(steps, files, bytes); }

  // Sends what is counted; called before every other report and at the end.
  void Flush() {
    if (steps_ == 0 && files_ == 0) return;
    const std::uint64_t steps = steps_, files = files_, bytes = bytes_;
    steps_ = files_ = bytes_ = 0;
    last_flush_ = std::chrono::steady_clock::now();
    QMetaObject::invokeMethod(context_, [=, this] { ui_.Advanced(steps, files, bytes); }, Qt::QueuedConnection);
  }

  void InputStarted(std::size_t i, std::size_t n, const std::string& path) override {
    Post([=, this] { ui_.InputStarted(i, n, path); });
  }
  void InputDone(std::size_t i) override { Post([=, this] { ui_.InputDone(i); }); }
  void InputFailed(const std::string& path, const std::string& message) override {
    Post([=, this] { ui_.InputFailed(path, message); });
  }
  void SetCurrentMessage(const std::string& text) override { Post([=, this] { ui_.SetCurrentMessage(text); }); }
  void SetTotalPosition(int percent) override { Post([=, this] { ui_.SetTotalPosition(percent); }); }
  void LineDone() override { Post([this] { ui_.LineDone(); }); }
  void SourceStarted(const std::string& path, manifest::FormatCode route) override {
    Post([=, this] { ui_.SourceStarted(path, route); });
  }
  bool StopRequested() override { return ui_.StopRequested(); }
  void ItemsAhead(std::uint64_t entries) override { Post([=, this] { ui_.ItemsAhead(entries); }); }
  void Warning(const std::string& message) override { Post([=, this] { ui_.Warning(message); }); }
  void ExtractionStarted(std::uint64_t entries, std::uint64_t bytes) override {
    Post([=, this] { ui_.ExtractionStarted(entries, bytes); });
  }

 private:
  static constexpr auto kFlushInterval = std::chrono::milliseconds(20);

  void Count(std::uint64_t steps, std::uint64_t files, std::uint64_t bytes) {
    steps_ += steps;
    files_ += files;
    bytes_ += bytes;
    if (std::chrono::steady_clock::now() - last_flush_ >= kFlushInterval) Flush();
  }
  template <typename F>
  void Post(F&& f) {
    Flush();  // keeps the order of reports
    QMetaObject::invokeMethod(context_, std::forward<F>(f), Qt::QueuedConnection);
  }

  QObject* context_;
  app::RunListener& ui_;
  std::uint64_t steps_ = 0, files_ = 0, bytes_ = 0;
  std::chrono::steady_clock::time_point last_flush_{};
};

QtRunExecutor::QtRunExecutor(QObject* parent) : QObject(parent) {}

QtRunExecutor::~QtRunExecutor() {
  if (thread_ != nullptr) {
    thread_->wait();
    delete thread_;
  }
}

void QtRunExecutor::Start(Work work, app::RunListener& ui, Done done) {
  // Owned here, not by the thread's function: that is destroyed as soon as
  // the function returns, before the reports it posted are handled.
  listener_ = std::make_unique<PostingListener>(this, ui);
  PostingListener* listener = listener_.get();
  thread_ = QThread::create([this, work = std::move(work), done = std::move(done), listener]() {
    std::optional<app::RunResult> result;
    std::exception_ptr error;
    try {
      result = work(*listener);
    } catch (...) {
      error = std::current_exception();
    }
    listener->Flush();
    // Posted after every report, so it is handled after them.
    QMetaObject::invokeMethod(
        this,
        [this, result, error, done] {
          thread_->wait();
          delete thread_;
          thread_ = nullptr;
          listener_.reset();
          done(result ? &*result : nullptr, error);
        },
        Qt::QueuedConnection);
  });
  thread_->start();
}

}  // namespace omf::gui
