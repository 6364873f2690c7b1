#include "editing/ui/ElementList.h"

#include <QSignalBlocker>
#include <QStringList>

#include "controls/IniFileCompo.h"
#include "controls/KindColours.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace kelvane {

namespace {

class TKindColourDelegate : public QStyledItemDelegate {
public:
    TKindColourDelegate(TElementList& list) : QStyledItemDelegate(&list), list_(list) {}

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString kind = TElementList::KindOf(index.data().toString());
        if (TKindColour entry; FindKindColour(kind.toStdString(), entry)) {
            const TBgr c = SplitColor(ReadKindColour(list_.Settings(), entry));
            const QColor colour(c.red, c.green, c.blue);
            option->palette.setColor(QPalette::Text, colour);
            // A selected row keeps the highlight's own text colour, which is legible on it.
        }
    }

private:
    TElementList& list_;
};

} // namespace

TElementList::TElementList(TIniFileCompo& settings, QWidget* parent) : QListWidget(parent), settings_(settings)
{
    setObjectName(QStringLiteral("listObjList"));
    setItemDelegate(new TKindColourDelegate(*this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (filling_ || !OnCheck)
            return;
        const bool checked = item->checkState() == Qt::Checked;
        if (!OnCheck(row(item), checked)) {
            filling_ = true;
            item->setCheckState(checked ? Qt::Unchecked : Qt::Checked);
            filling_ = false;
        }
    });
}

void TElementList::SetRows(const std::vector<TRowView>& rows)
{
    filling_ = true;
    clear();
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(rows.size()));
    for (const TRowView& r : rows)
        texts.append(r.text);
    addItems(texts);  // one insertion for all rows
    {
        // Flags and check marks are given before the view lays the rows out: no signal per row.
        const QSignalBlocker quiet(model());
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            QListWidgetItem* row = item(i);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (rows[i].checkable)
                flags |= Qt::ItemIsUserCheckable;
            row->setFlags(flags);
            row->setCheckState(rows[i].checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    scheduleDelayedItemsLayout();
    setCurrentRow(-1);
    filling_ = false;
}

void TElementList::keyPressEvent(QKeyEvent* event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0 && OnKeySelect)
        OnKeySelect(currentRow());
}

void TElementList::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    // A right click selects its row as a left click does.
    if (event->button() == Qt::RightButton)
        if (QListWidgetItem* item = itemAt(event->position().toPoint()))
            emit itemClicked(item);
}

QString TElementList::KindOf(const QString& text)
{
    const qsizetype at = text.indexOf(QStringLiteral(" -- "));
    return at < 0 ? text : text.left(at);
}

} // namespace kelvane
