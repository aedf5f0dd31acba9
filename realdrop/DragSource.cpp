// A small window that drags the files named on its command line as soon as
// the left button is pressed on it: the stand-in for a file manager when a
// real drop onto the panel is tried under Xvfb with xdotool.
//
//   ks_dragsource X Y FILE...   (the window's place on the screen, then files)

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <cstdio>

namespace {

class DragSource : public QLabel {
 public:
  explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
    setText(QStringLiteral("drag %1 file(s)").arg(urls_.size()));
    setAlignment(Qt::AlignCenter);
    setWindowTitle(QStringLiteral("ks_dragsource"));
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setUrls(urls_);
    drag->setMimeData(data);
    const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    std::printf("drop finished: action %d\n", static_cast<int>(done));
    std::fflush(stdout);
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4) {
    std::fprintf(stderr, "usage: ks_dragsource X Y FILE...\n");
    return 2;
  }
  QList<QUrl> urls;
  for (int i = 3; i < args.size(); ++i) urls << QUrl::fromLocalFile(args[i]);
  DragSource source(urls);
  source.setGeometry(args[1].toInt(), args[2].toInt(), 200, 120);
  source.show();
  return app.exec();
}
