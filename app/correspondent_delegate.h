// Paints a line of the correspondent list as people read it: a green dot
// and the name for a computer that is there, a grey ring and the name in
// grey for one that is not. The line itself ("NAME=Yes") stays as stored.
#pragma once

#include <QStyledItemDelegate>

namespace kovra {

class CorrespondentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// What a line of the list shows: its name, and whether it is marked present.
struct ShownCorrespondent {
  QString name;
  bool present = false;
};
ShownCorrespondent ShowCorrespondent(const QString& line);

}  // namespace kovra
