// Paints a line of the correspondent list as people read it: a green dot
// and the name for a computer that is there, a grey ring and the name in
// grey for one that is not; those there come first, each part by name. The
// lines themselves ("NAME=Yes") stay as stored, in their order.
#pragma once

#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

class QAbstractItemView;

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

// The list in the order it is shown: present first, then by name, a line
// without a name last. Rows of the view are this model's; the stored list's
// are its source's.
class CorrespondentOrder : public QSortFilterProxyModel {
 public:
  explicit CorrespondentOrder(QObject* parent = nullptr);

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// The stored list's row of the line highlighted in view, or -1 for none.
int HighlightedLine(const QAbstractItemView& view);
// Highlights the stored list's row in view; -1 highlights none.
void HighlightLine(QAbstractItemView& view, int row);

}  // namespace kovra
