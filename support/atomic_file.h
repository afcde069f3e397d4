// Replacing a state file so that a crash or a full disk mid-save leaves the
// previous file whole, and removing only what such saves left behind.
#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

namespace kovra {

// Writes the file through write (false on failure) into a temporary file
// beside it and renames that over path. Raises Error when the file cannot
// be written, also when the existing file is marked read-only.
void ReplaceFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

// Whether name is that of a temporary file ReplaceFileAtomically writes: the final
// name, ".kovra-save-" and six letters or digits. Nothing else is named so.
bool IsInterruptedSave(const QString& name);

// Removes from folder the temporary files of saves cut short by a crash or
// a power cut, and nothing else; the number removed.
int RemoveInterruptedSaves(const QString& folder);

}  // namespace kovra
