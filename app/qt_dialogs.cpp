#include "app/qt_dialogs.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <algorithm>
#include <iterator>
#include <memory>

#include "app/color_words.h"
#include "app/window_layout.h"

namespace kovra {
namespace {

const QString kCaption = QStringLiteral("Kovra");
const QString kPictureFilter = QStringLiteral("BMP-файлы (*.bmp);;Все файлы (*)");

}  // namespace

QFileDialog* PictureDialog(QWidget* parent, const QString& folder, QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(parent, QString(), folder, kPictureFilter);
  // The captions name the kinds of file, without their patterns.
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->setAcceptMode(mode);
  dialog->setDefaultSuffix(QStringLiteral("bmp"));
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  return dialog;
}

namespace {

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
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

std::optional<QString> QtDialogs::InputSecret(const QString& caption, const QString& prompt) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(caption);
  dialog.setLabelText(prompt);
  dialog.setTextEchoMode(QLineEdit::Password);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

std::optional<QColor> QtDialogs::ChooseColor(const QColor& initial) {
  const QColor chosen = QColorDialog::getColor(initial, parent_);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

std::optional<FontChoice> QtDialogs::ChooseFont(const FontChoice& initial) {
  // Qt's font dialog has no colour, so it is shown inside one with a colour list.
  QDialog dialog(parent_);
  dialog.setWindowTitle(QStringLiteral("Шрифт"));
  // Opened on the face the system draws the font with: its family, as the
  // font panel names it (a family it lacks, "MS Sans Serif", would show as
  // another one), and its style's name ("Book", say), which Qt's own guess
  // ("Normal") may not be, and then the dialog takes the family's first
  // style, an italic one.
  QFont shown = initial.font;
  const QFontInfo drawn(initial.font);
  shown.setFamily(drawn.family());
  shown.setStyleName(drawn.styleName());
  auto* fonts = new QFontDialog(shown, &dialog);
  fonts->setWindowFlags(Qt::Widget);
  fonts->setOptions(QFontDialog::NoButtons);
  auto* colors = Named(new QComboBox(&dialog), "ComboColor");
  const std::vector<std::string> names = PlainColorNames();
  const bool listed = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
    return IdentToColor(name) == initial.color;
  });
  if (!listed)
    colors->addItem(ColorSwatch(initial.color), ColorCaption(initial.color), initial.color);
  for (const std::string& name : names) {
    const TColor value = *IdentToColor(name);
    colors->addItem(ColorSwatch(value), ColorCaption(value), value);
  }
  colors->setCurrentIndex(std::max(0, colors->findData(initial.color)));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(fonts);
  layout->addWidget(colors);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  // What the wire carries of a font: its family, size and four styles. A
  // face the dialog names by a style of its own ("Condensed") is drawn as
  // its family with those, here as on every other board.
  const QFont picked = fonts->currentFont();
  QFont font(picked.family());
  font.setPointSize(picked.pointSize());
  font.setBold(picked.bold());
  font.setItalic(picked.italic());
  font.setUnderline(picked.underline());
  font.setStrikeOut(picked.strikeOut());
  return FontChoice{font, colors->currentData().toInt()};
}

QString QtDialogs::OpenPictureFile(const QString& folder) {
  return RunPictureDialog(parent_, folder, QFileDialog::AcceptOpen);
}

QString QtDialogs::SavePictureFile(const QString& folder) {
  return RunPictureDialog(parent_, folder, QFileDialog::AcceptSave);
}

QString QtDialogs::SavePngFile(const QString& suggested) {
  return QFileDialog::getSaveFileName(parent_, QStringLiteral("Сохранить доску как PNG"), suggested,
                                      QStringLiteral("Рисунки PNG (*.png)"));
}

bool QtDialogs::Confirm(const QString& question) {
  return QMessageBox::question(parent_, QStringLiteral("Kovra"), question) == QMessageBox::Yes;
}

std::optional<QSize> QtDialogs::AskSize(const QString& caption, const QString& question,
                                        QSize offered, const SizeCheck& check) {
  QDialog dialog(parent_);
  dialog.setWindowTitle(caption);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(question, &dialog));
  auto* sides = new QFormLayout;
  auto* width = Named(new QLineEdit(QString::number(offered.width()), &dialog), "SizeWidth");
  auto* height = Named(new QLineEdit(QString::number(offered.height()), &dialog), "SizeHeight");
  sides->addRow(QStringLiteral("Ширина, точек:"), width);
  sides->addRow(QStringLiteral("Высота, точек:"), height);
  layout->addLayout(sides);
  auto* problem = Named(new QLabel(&dialog), "SizeProblem");
  problem->setWordWrap(true);
  Paint(problem, dialog.palette().color(QPalette::Window), QColor(Qt::darkRed));
  problem->hide();
  layout->addWidget(problem);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, &dialog);
  layout->addWidget(buttons);
  QSize size;
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    const std::variant<QSize, QString> read = check(width->text(), height->text());
    if (const QSize* good = std::get_if<QSize>(&read)) {
      size = *good;
      return dialog.accept();
    }
    problem->setText(std::get<QString>(read));  // said, and the dialog stays to mend it
    problem->show();
    // Grown to the lines the text wraps into, none cut off.
    layout->activate();
    dialog.adjustSize();
  });
  width->selectAll();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return size;
}

}  // namespace kovra
