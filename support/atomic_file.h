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

// Removes what saves cut short by a crash or a power cut left in folder: the
// temporary files ReplaceFile writes beside a file it replaces (where the
// file system cannot keep them nameless), named the file's name, a dot and
// six letters or digits. Only those whose file's name ours accepts go; the
// number removed.
int RemoveInterruptedSaves(const QString& folder,
                           const std::function<bool(const QString& name)>& ours);

}  // namespace kovra
