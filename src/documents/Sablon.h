#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Document templates: HTML files of the sablonok folder beside the executable, each
// titled by its <title> and holding its fields as {{name}}.
namespace documents {

inline const QString kFolder = QStringLiteral("sablonok/");

// Every field a template may use.
const QStringList& fieldNames();

struct Sablon {
    QString fileName;
    QString title;
    QString html;
    // <meta name="kilepett-tanulonak" content="igen">: may be issued for a leaver from the
    // archive (a data sheet may, a certificate of attendance never).
    bool forLeavers = false;

    // Reads and checks a template: UTF-8, a <title>, every {{ closed, every field known.
    // Throws db::Error naming the file and what is wrong with it.
    static Sablon load(const QString& path);
    // The fields it uses, each once.
    QStringList fields() const;
    // The document: each field's value put in as text, never as markup.
    QString fill(const QHash<QString, QString>& values) const;
};

// The templates of the folder, in file name order; the broken ones are left out and
// their faults gathered in problems.
QList<Sablon> listSablonok(const QString& folder, QStringList* problems = nullptr);

} // namespace documents
