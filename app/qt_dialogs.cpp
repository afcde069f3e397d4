#include "app/qt_dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <memory>
#include <QInputDialog>
#include <QMessageBox>

namespace kovra {
namespace {

const QString kCaption = QStringLiteral("Kovra");
const QString kPictureFilter = QStringLiteral("BMP-файлы (*.bmp);;Все файлы (*)");

QFileDialog* PictureDialog(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(parent, QString(), folder, kPictureFilter);
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->setAcceptMode(mode);
  dialog->setDefaultSuffix(QStringLiteral("bmp"));
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  return dialog;
}

QString RunPictureDialog(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode) {
  std::unique_ptr<QFileDialog> dialog(PictureDialog(parent, folder, mode));
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
  return dialog->selectedFiles().constFirst();
}

}  // namespace

void QtDialogs::ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kCaption, text, QMessageBox::Ok, parent_);
  box.exec();
}

void QtDialogs::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, kCaption, text, QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<QString> QtDialogs::InputText(const QString& caption, const QString& prompt,
                                            const QString& value) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(caption);
  dialog.setLabelText(prompt);
  dialog.setTextValue(value);
  dialog.setOkButtonText(QStringLiteral("OK"));
  dialog.setCancelButtonText(QStringLiteral("Cancel"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

std::optional<QColor> QtDialogs::ChooseColor(const QColor& initial) {
  const QColor chosen = QColorDialog::getColor(initial, parent_);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

std::optional<FontChoice> QtDialogs::ChooseFont(const FontChoice& initial) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial.font, parent_);
  if (!ok) return std::nullopt;
  return FontChoice{font, initial.color};
}

QString QtDialogs::OpenPictureFile(const QString& folder) {
  return RunPictureDialog(parent_, folder, QFileDialog::AcceptOpen);
}

QString QtDialogs::SavePictureFile(const QString& folder) {
  return RunPictureDialog(parent_, folder, QFileDialog::AcceptSave);
}

}  // namespace kovra
