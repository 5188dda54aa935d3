#include "gui/qt_run_executor.h"

#include <QMetaObject>
#include <QThread>
#include <optional>

namespace omf::gui {

// Forwards each report to the window's thread.
class QtRunExecutor::PostingListener final : public app::RunListener {
 public:
  PostingListener(QObject* context, app::RunListener& ui) : context_(context), ui_(ui) {}

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
  void Item(const container::ItemReport& report) override { Post([=, this] { ui_.Item(report); }); }
  void Warning(const std::string& message) override { Post([=, this] { ui_.Warning(message); }); }
  void ExtractionStarted(std::uint64_t entries, std::uint64_t bytes) override {
    Post([=, this] { ui_.ExtractionStarted(entries, bytes); });
  }
  void ItemWritten(const std::string& path, std::uint64_t bytes) override {
    Post([=, this] { ui_.ItemWritten(path, bytes); });
  }
  void EntryDone() override { Post([this] { ui_.EntryDone(); }); }

 private:
  template <typename F>
  void Post(F&& f) {
    QMetaObject::invokeMethod(context_, std::forward<F>(f), Qt::QueuedConnection);
  }

  QObject* context_;
  app::RunListener& ui_;
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
  app::RunListener* listener = listener_.get();
  thread_ = QThread::create([this, work = std::move(work), done = std::move(done), listener]() {
    std::optional<app::RunResult> result;
    std::exception_ptr error;
    try {
      result = work(*listener);
    } catch (...) {
      error = std::current_exception();
    }
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
