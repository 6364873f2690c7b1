#include "controls/ui/ComboBoxYafRay.h"

#include "controls/LinkRules.h"
#include "controls/ui/QtText.h"

namespace kelvane {

namespace {
constexpr int kItemRole = Qt::UserRole + 1;
} // namespace

TComboBoxYafRay::TComboBoxYafRay(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
}

void TComboBoxYafRay::AddItem(std::string_view item)
{
    addItem(QtText(ItemDisplay(item)));
    setItemData(count() - 1, QtText(item), kItemRole);
}

void TComboBoxYafRay::SetItems(const std::vector<std::string>& items)
{
    clear();
    for (const std::string& item : items)
        AddItem(item);
}

std::string TComboBoxYafRay::Item(int index) const
{
    if (index < 0 || index >= count())
        return {};
    const QVariant full = itemData(index, kItemRole);
    return Utf8Text(full.isValid() ? full.toString() : itemText(index));
}

std::string TComboBoxYafRay::ItemValueAt(int index) const
{
    return std::string(ItemValue(Item(index)));
}

int TComboBoxYafRay::IndexOfValue(std::string_view value) const
{
    for (int i = 0; i < count(); ++i)
        if (ItemValueAt(i) == value)
            return i;
    return -1;
}

void TComboBoxYafRay::SelectValue(std::string_view value)
{
    setCurrentIndex(IndexOfValue(value));
}

std::string TComboBoxYafRay::ShownValue() const
{
    return ItemValueAt(currentIndex());
}

} // namespace kelvane
