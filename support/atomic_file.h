// Replacing a state file so that a crash or a full disk mid-save leaves the
// previous file whole.
#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

namespace kovra {

// Writes the file through write (false on failure) into a temporary file and
// renames it over path. Raises Error when the file cannot be written, also
// when the existing file is marked read-only.
void ReplaceFile(const QString& path, const std::function<bool(QIODevice&)>& write);

}  // namespace kovra
