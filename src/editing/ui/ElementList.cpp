#include "editing/ui/ElementList.h"

#include "controls/IniFileCompo.h"
#include "controls/KindColours.h"

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
        if (const TKindColour* entry = FindKindColour(kind.toStdString())) {
            const TBgr c = SplitColor(ReadKindColour(list_.Settings(), *entry));
            const QColor colour(c.red, c.green, c.blue);
            option->palette.setColor(QPalette::Text, colour);
            option->palette.setColor(QPalette::HighlightedText, colour);
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
    for (const TRowView& r : rows) {
        auto* item = new QListWidgetItem(r.text, this);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (r.checkable)
            flags |= Qt::ItemIsUserCheckable;
        item->setFlags(flags);
        item->setCheckState(r.checked ? Qt::Checked : Qt::Unchecked);
    }
    setCurrentRow(-1);
    filling_ = false;
}

QString TElementList::KindOf(const QString& text)
{
    const qsizetype at = text.indexOf(QStringLiteral(" -- "));
    return at < 0 ? text : text.left(at);
}

} // namespace kelvane
