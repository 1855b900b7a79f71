#include "Trace.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <algorithm>

#include "data/DataModule.h"
#include "db/Dataset.h"
#include "main__form.h"

Q_LOGGING_CATEGORY(lcTrace, "korvana.trace", QtInfoMsg)

namespace {

class Watch : public QObject {
  public:
    explicit Watch(Tmain_form* window)
        : QObject(window), window_(window), label_(window->label_letszam),
          grid_(window->dbg_tanulok->viewport()) {}
    bool listOpened = false;

  protected:
    // Sees every event of the program: compares, and touches only what is still there.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (event->type() == QEvent::KeyPress && watched == window_) {
            qCDebug(lcTrace, "key %lld %d", now, static_cast<QKeyEvent*>(event)->key());
        } else if (event->type() == QEvent::Paint && watched == label_) {
            const QString text = label_->text();
            if (text != letszam_) qCDebug(lcTrace, "letszam %lld %s", now, qUtf8Printable(text));
            letszam_ = text;
        } else if (event->type() == QEvent::Paint && listOpened && watched == grid_) {
            listOpened = false;
            const db::Dataset& list = DM->dataset_Tanulok;
            qCDebug(lcTrace, "grid %lld %d %s %s", now, list.rowCount(),
                    qUtf8Printable(trace::digest(list, db::Dataset::kBatch)),
                    qUtf8Printable(list.rowCount() > 0 ? list.value(0, 1).toString() : QString()));
        } else if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(watched)) {
            const auto* box = static_cast<QMessageBox*>(watched);
            qCDebug(lcTrace, "dialog %lld %s: %s", now, qUtf8Printable(box->windowTitle()),
                    qUtf8Printable(box->text().simplified()));
        }
        return false;
    }

  private:
    QPointer<Tmain_form> window_;
    QPointer<QLabel> label_;
    QPointer<QWidget> grid_;
    QString letszam_;
};

} // namespace

namespace trace {

void install() {
    if (!lcTrace().isDebugEnabled()) return;
    auto* watch = new Watch(main_form);
    // Keys nobody else takes reach the main window itself; dialogs are windows of their own.
    qApp->installEventFilter(watch);
    QObject::connect(&DM->dataset_Tanulok, &db::Dataset::opened, watch,
                     [watch] { watch->listOpened = true; });
}

QString digest(const db::Dataset& list, int rows) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (int r = 0; r < std::min(rows, list.rowCount()); ++r)
        for (int c = 0; c < list.columnCount(); ++c) {
            hash.addData(list.value(r, c).toString().toUtf8());
            hash.addData(QByteArrayView("\x1f"));
        }
    return QString::fromLatin1(hash.result().toHex().left(16));
}

} // namespace trace
