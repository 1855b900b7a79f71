#include "Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "db/Error.h"

namespace ui {

namespace {

bool ending = false;

class MessageBoxService : public DialogService {
  public:
    DialogAnswer show(DialogKind kind, const QString& title, const QString& text,
                      DialogButtons buttons) override {
        return present(QApplication::activeWindow(), kind, title, text, buttons, false);
    }
    DialogAnswer showFor(QWidget* window, DialogKind kind, const QString& title, const QString& text,
                         DialogButtons buttons) override {
        return present(window ? window->window() : QApplication::activeWindow(), kind, title, text, buttons,
                       true);
    }

  private:
    static DialogAnswer present(QWidget* parent, DialogKind kind, const QString& title, const QString& text,
                                DialogButtons buttons, bool hungarian) {
        QMessageBox::Icon icon = QMessageBox::Information;
        switch (kind) {
        case DialogKind::Warning:
            icon = QMessageBox::Warning;
            break;
        case DialogKind::Error:
            icon = QMessageBox::Critical;
            break;
        case DialogKind::Information:
            icon = QMessageBox::Information;
            break;
        case DialogKind::Confirmation:
            icon = QMessageBox::Question;
            break;
        }
        if (ending) return buttons != DialogButtons::Ok ? DialogAnswer::No : DialogAnswer::Ok;
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox box(icon, title, shown,
                        buttons != DialogButtons::Ok ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                        parent);
        box.setTextFormat(Qt::PlainText);
        // Modal to its own window only, which the window manager keeps below it.
        if (hungarian) {
            box.setWindowModality(Qt::WindowModal);
            // a narrow box would cut its own title ("Figye…tetés")
            if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
                grid->addItem(new QSpacerItem(box.fontMetrics().horizontalAdvance(title) + 140, 0,
                                              QSizePolicy::Minimum, QSizePolicy::Minimum),
                              grid->rowCount(), 0, 1, grid->columnCount());
        }
        // The program's own boxes keep their buttons whatever language Qt speaks.
        if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("OK"));
        if (QAbstractButton* b = box.button(QMessageBox::Yes))
            b->setText(hungarian ? QStringLiteral("&Igen") : QStringLiteral("Yes"));
        if (QAbstractButton* b = box.button(QMessageBox::No))
            b->setText(hungarian ? QStringLiteral("&Nem") : QStringLiteral("No"));
        if (buttons == DialogButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
        const int answer = box.exec();
        if (buttons == DialogButtons::Ok) return DialogAnswer::Ok;
        return answer == QMessageBox::Yes ? DialogAnswer::Yes : DialogAnswer::No;
    }
};

DialogService* current = nullptr;
bool lossToldInThisAction = false;

DialogAnswer showOnce(DialogKind kind, const QString& title, const QString& text, DialogButtons buttons) {
    const bool loss = text.contains(db::kConnectionLostText);
    if (loss && lossToldInThisAction)
        return buttons != DialogButtons::Ok ? DialogAnswer::No : DialogAnswer::Ok;
    if (loss) lossToldInThisAction = true;
    return dialogs().show(kind, title, text, buttons);
}

} // namespace

DialogService& dialogs() {
    static MessageBoxService standard;
    return current ? *current : standard;
}

void userActionStarted() {
    lossToldInThisAction = false;
}

void setEnding(bool end) {
    ending = end;
}

bool loadQtTranslations() {
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void setDialogService(DialogService* service) {
    current = service;
}

QString standardTitle(DialogKind kind) {
    switch (kind) {
    case DialogKind::Warning:
        return QStringLiteral("Warning");
    case DialogKind::Error:
        return QStringLiteral("Error");
    case DialogKind::Information:
        return QStringLiteral("Information");
    case DialogKind::Confirmation:
        return QStringLiteral("Confirm");
    }
    return QString();
}

QString hungarianTitle(DialogKind kind) {
    switch (kind) {
    case DialogKind::Warning:
        return QStringLiteral("Figyelmeztetés");
    case DialogKind::Error:
        return QStringLiteral("Hiba");
    case DialogKind::Information:
        return QStringLiteral("Tájékoztatás");
    case DialogKind::Confirmation:
        return QStringLiteral("Kérdés");
    }
    return QString();
}

namespace {
DialogAnswer showFor(QWidget* window, DialogKind kind, const QString& text, DialogButtons buttons) {
    const bool loss = text.contains(db::kConnectionLostText);
    if (loss && lossToldInThisAction)
        return buttons != DialogButtons::Ok ? DialogAnswer::No : DialogAnswer::Ok;
    if (loss) lossToldInThisAction = true;
    return dialogs().showFor(window, kind, hungarianTitle(kind), text, buttons);
}
} // namespace

void warning(QWidget* window, const QString& text) {
    showFor(window, DialogKind::Warning, text, DialogButtons::Ok);
}
void error(QWidget* window, const QString& text) {
    showFor(window, DialogKind::Error, text, DialogButtons::Ok);
}
void information(QWidget* window, const QString& text) {
    showFor(window, DialogKind::Information, text, DialogButtons::Ok);
}
bool confirm(QWidget* window, const QString& text) {
    return showFor(window, DialogKind::Confirmation, text, DialogButtons::YesNo) == DialogAnswer::Yes;
}
bool confirmDefaultNo(QWidget* window, const QString& text) {
    return showFor(window, DialogKind::Confirmation, text, DialogButtons::YesNoDefaultNo) ==
           DialogAnswer::Yes;
}

void warning(const QString& text) {
    showOnce(DialogKind::Warning, standardTitle(DialogKind::Warning), text, DialogButtons::Ok);
}
void error(const QString& text) {
    showOnce(DialogKind::Error, standardTitle(DialogKind::Error), text, DialogButtons::Ok);
}
void information(const QString& text) {
    showOnce(DialogKind::Information, standardTitle(DialogKind::Information), text, DialogButtons::Ok);
}
bool informationYesNo(const QString& text) {
    return dialogs().show(DialogKind::Information, standardTitle(DialogKind::Information), text,
                          DialogButtons::YesNo) == DialogAnswer::Yes;
}
bool confirm(const QString& text) {
    return dialogs().show(DialogKind::Confirmation, standardTitle(DialogKind::Confirmation), text,
                          DialogButtons::YesNo) == DialogAnswer::Yes;
}
void programError(const QString& text) {
    showOnce(DialogKind::Error, kProgramName, text, DialogButtons::Ok);
}

} // namespace ui
