#pragma once

#include <QString>

// The Hungarian definite article before a word the program fills in: "az" before a vowel
// as the word is read aloud (numbers included: "az 1999/2000.", "a 2026/2027.", "az 5.b"),
// "a" otherwise.
namespace ui {

QString nevelo(const QString& word);
// The article and the word: "az Ó utcai"; capital: "Az Ó utcai" at the start of a sentence.
QString aAz(const QString& word, bool capital = false);
// Every "a(z)" and "A(z)" before a word turned into the article that word needs: for
// texts put together where the article could not be chosen (the database's messages).
QString nevelokKitoltve(const QString& text);

} // namespace ui
