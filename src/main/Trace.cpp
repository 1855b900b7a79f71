#include "Trace.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QEvent>
#include <QKeyEvent>
#include <algorithm>

#include "data/DataModule.h"
#include "db/Dataset.h"
#include "main__form.h"

Q_LOGGING_CATEGORY(lcTrace, "korvana.trace", QtInfoMsg)

namespace {

class Watch : public QObject {
  public:
    using QObject::QObject;
    bool listOpened = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (event->type() == QEvent::KeyPress && watched == main_form) {
            qCDebug(lcTrace, "key %lld %d", now, static_cast<QKeyEvent*>(event)->key());
        } else if (event->type() == QEvent::Paint && watched == main_form->label_letszam) {
            const QString text = main_form->label_letszam->text();
            if (text != letszam_) qCDebug(lcTrace, "letszam %lld %s", now, qUtf8Printable(text));
            letszam_ = text;
        } else if (event->type() == QEvent::Paint && listOpened) {
            listOpened = false;
            const db::Dataset& list = DM->dataset_Tanulok;
            qCDebug(lcTrace, "grid %lld %d %s %s", now, list.rowCount(),
                    qUtf8Printable(trace::digest(list, db::Dataset::kBatch)),
                    qUtf8Printable(list.rowCount() > 0 ? list.value(0, 1).toString() : QString()));
        }
        return false;
    }

  private:
    QString letszam_;
};

} // namespace

namespace trace {

void install() {
    if (!lcTrace().isDebugEnabled()) return;
    auto* watch = new Watch(main_form);
    // Keys nobody else takes reach the window itself.
    main_form->installEventFilter(watch);
    main_form->label_letszam->installEventFilter(watch);
    main_form->dbg_tanulok->viewport()->installEventFilter(watch);
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
