#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVariant>

// The record whose name is being edited for renaming. It is fixed when the name is
// loaded into the box, so that moving to another row in the list meanwhile cannot
// rename that other record; the heading above the box names it.
class RenameTarget {
  public:
    RenameTarget(QLabel* heading, QPushButton* button, QString addCaption, QString modifyCaption)
        : heading_(heading), button_(button), heading0_(heading->text()), add_(std::move(addCaption)),
          modify_(std::move(modifyCaption)) {}

    void begin(const QVariant& id, const QString& name) {
        id_ = id;
        const QString text = QStringLiteral("Módosítandó: ") + name;
        heading_->setText(heading_->fontMetrics().elidedText(text, Qt::ElideRight, heading_->width()));
        heading_->setToolTip(text);
        button_->setText(modify_);
    }
    void end() {
        id_ = QVariant();
        heading_->setText(heading0_);
        heading_->setToolTip(QString());
        button_->setText(add_);
    }
    // The id to rename while the button is in its modify mode.
    const QVariant& id() const { return id_; }
    bool isFor(const QVariant& id) const { return id_.isValid() && id_.toString() == id.toString(); }

  private:
    QLabel* heading_;
    QPushButton* button_;
    QString heading0_;
    QString add_;
    QString modify_;
    QVariant id_;
};
