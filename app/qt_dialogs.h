// The program's real dialogs: Qt message boxes and modal prompts.
#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

#include "support/dialogs.h"

namespace kovra {

// The open or save dialog of the picture folder, not yet shown; the caller owns it.
QFileDialog* PictureDialog(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode);

class QtDialogs : public Dialogs {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const QString& text) override;
  void ShowError(const QString& text) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& value) override;
  std::optional<QString> InputSecret(const QString& caption, const QString& prompt) override;
  std::optional<QColor> ChooseColor(const QColor& initial) override;
  std::optional<FontChoice> ChooseFont(const FontChoice& initial) override;
  QString OpenPictureFile(const QString& folder) override;
  QString SavePictureFile(const QString& folder) override;
  QString SavePngFile(const QString& suggested) override;
  bool Confirm(const QString& question) override;
  std::optional<QSize> AskSize(const QString& caption, const QString& question, QSize offered,
                               const SizeCheck& check) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace kovra
