// Windows-1251, the single-byte text of the wire and of the state files.
// Conversion happens only where text meets a widget or a file name.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace kovra {

QString AnsiToQString(const std::string& bytes);
// Characters that Windows-1251 cannot hold become "?".
std::string QStringToAnsi(const QString& text);
// The characters of text that Windows-1251 cannot hold, each once, in the
// order they first appear; empty when all of it travels as it is.
QStringList CharactersOutsideAnsi(const QString& text);

}  // namespace kovra
