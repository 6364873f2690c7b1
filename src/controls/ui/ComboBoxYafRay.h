#pragma once
// A drop-down list whose items carry values: an item is a plain word (shown and also the value)
// or a display text, blanks, "=" and the value ("multiply      =mul"); only the display text is
// shown. Command and Kind are carried for the editors.
#include <QComboBox>

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class TComboBoxYafRay : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBoxYafRay(QWidget* parent = nullptr);

    const std::string& Command() const { return command_; }
    void SetCommand(std::string command) { command_ = std::move(command); }
    int Kind() const { return kind_; }
    void SetKind(int kind) { kind_ = kind; }

    void AddItem(std::string_view item);
    void SetItems(const std::vector<std::string>& items);
    // The whole item as given (display text, "=" and value), also for items added as plain text.
    std::string Item(int index) const;
    std::string ItemValueAt(int index) const;
    // The first item whose value equals value, or -1.
    int IndexOfValue(std::string_view value) const;
    // Selects the first item with that value, or no item when none has it.
    void SelectValue(std::string_view value);
    // The value of the item shown; empty with no selection.
    std::string ShownValue() const;

private:
    std::string command_;
    int kind_ = 0;
};

} // namespace kelvane
