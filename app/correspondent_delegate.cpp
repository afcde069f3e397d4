#include "app/correspondent_delegate.h"

#include <QAbstractItemView>
#include <QPainter>

namespace kovra {
namespace {

const QColor kPresentColour(40, 160, 70);
const QColor kAbsentColour(150, 150, 150);

}  // namespace

ShownCorrespondent ShowCorrespondent(const QString& line) {
  const qsizetype equals = line.indexOf(u'=');
  if (equals < 0) return {line.trimmed(), false};
  return {line.left(equals).trimmed(),
          line.mid(equals + 1).trimmed().compare(QStringLiteral("Yes"), Qt::CaseInsensitive) == 0};
}

void CorrespondentDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  const ShownCorrespondent shown = ShowCorrespondent(index.data().toString());
  const bool selected = option.state & QStyle::State_Selected;
  painter->save();
  if (selected) painter->fillRect(option.rect, option.palette.highlight());
  painter->setRenderHint(QPainter::Antialiasing);
  const int dot = std::min(8, option.rect.height() - 4);
  const QRectF mark(option.rect.left() + 5, option.rect.center().y() - dot / 2.0 + 0.5, dot, dot);
  if (shown.present) {
    painter->setPen(Qt::NoPen);
    painter->setBrush(kPresentColour);
  } else {
    painter->setPen(QPen(kAbsentColour, 1.5));
    painter->setBrush(Qt::NoBrush);
  }
  painter->drawEllipse(mark);
  painter->setPen(selected        ? option.palette.highlightedText().color()
                  : shown.present ? option.palette.text().color()
                                  : kAbsentColour);
  const QRect text = option.rect.adjusted(dot + 11, 0, -2, 0);
  painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                    option.fontMetrics.elidedText(shown.name, Qt::ElideRight, text.width()));
  painter->restore();
}

QSize CorrespondentDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
  const QSize text = QStyledItemDelegate::sizeHint(option, index);
  return QSize(text.width(), std::max(text.height(), option.fontMetrics.height() + 4));
}

CorrespondentOrder::CorrespondentOrder(QObject* parent) : QSortFilterProxyModel(parent) {
  setDynamicSortFilter(true);
  sort(0);
}

bool CorrespondentOrder::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const ShownCorrespondent a = ShowCorrespondent(left.data().toString());
  const ShownCorrespondent b = ShowCorrespondent(right.data().toString());
  if (a.name.isEmpty() != b.name.isEmpty()) return b.name.isEmpty();
  if (a.present != b.present) return a.present;
  const int by_name = a.name.compare(b.name, Qt::CaseInsensitive);
  // Lines of one name keep their stored order.
  return by_name != 0 ? by_name < 0 : left.row() < right.row();
}

int HighlightedLine(const QAbstractItemView& view) {
  QModelIndex index = view.currentIndex();
  if (const auto* order = qobject_cast<const QAbstractProxyModel*>(view.model())) {
    index = order->mapToSource(index);
  }
  return index.isValid() ? index.row() : -1;
}

void HighlightLine(QAbstractItemView& view, int row) {
  QAbstractItemModel* model = view.model();
  if (const auto* order = qobject_cast<const QAbstractProxyModel*>(model)) {
    const QModelIndex line = row >= 0 ? order->sourceModel()->index(row, 0) : QModelIndex();
    view.setCurrentIndex(order->mapFromSource(line));
    return;
  }
  view.setCurrentIndex(row >= 0 && model != nullptr ? model->index(row, 0) : QModelIndex());
}

}  // namespace kovra
