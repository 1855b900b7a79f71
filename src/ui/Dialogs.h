#pragma once

#include <QString>

class QWidget;

namespace ui {

enum class DialogKind { Warning, Error, Information, Confirmation };
// YesNoDefaultNo: a question whose "Igen" cannot be undone; Enter answers "Nem".
enum class DialogButtons { Ok, YesNo, YesNoDefaultNo };
enum class DialogAnswer { Ok, Yes, No };

// Every message dialog of the program goes through the one service, so that
// tests can answer them and read kind, title and text.
class DialogService {
  public:
    virtual ~DialogService() = default;
    virtual DialogAnswer show(DialogKind kind, const QString& title, const QString& text,
                              DialogButtons buttons) = 0;
    // A box of one of the new windows, owned by that window: it stays on top of it and
    // blocks only it. By default shown as show() shows it.
    virtual DialogAnswer showFor(QWidget* window, DialogKind kind, const QString& title, const QString& text,
                                 DialogButtons buttons) {
        (void)window;
        return show(kind, title, text, buttons);
    }
};

// The default service shows a QMessageBox; set another (or nullptr for the default).
DialogService& dialogs();
void setDialogService(DialogService* service);

QString standardTitle(DialogKind kind);
// The new windows' titles: "Figyelmeztetés", "Hiba", "Tájékoztatás", "Kérdés".
QString hungarianTitle(DialogKind kind);

// "\r" in a text is a line break.
void warning(const QString& text);
void error(const QString& text);
void information(const QString& text);
bool informationYesNo(const QString& text); // true on Yes
bool confirm(const QString& text);          // true on Yes
// The same for the new windows: owned by window, Hungarian titles and buttons ("OK",
// "Igen", "Nem"). The registry's first windows keep the ones above.
void warning(QWidget* window, const QString& text);
void error(QWidget* window, const QString& text);
void information(QWidget* window, const QString& text);
bool confirm(QWidget* window, const QString& text); // true on "Igen"
// A question whose "Igen" takes a number or voids a document for good: "Nem" is the default.
bool confirmDefaultNo(QWidget* window, const QString& text);
// A dialog titled with the program's name, for errors no handler caught.
void programError(const QString& text);

// The loss of the database connection is told once per user action: everything
// else the same action tries fails the same way and says nothing new.
void userActionStarted();
// Once the program is ending, no dialog waits for an answer any more.
void setEnding(bool ending = true);

inline const QString kProgramName = QStringLiteral("Korvana v2.0");

// Qt's own Hungarian texts for the standard dialogs (files, printing, progress); false
// when they are not installed, and the dialogs stay English.
bool loadQtTranslations();

} // namespace ui
