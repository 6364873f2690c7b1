#pragma once
// The element list: a check list whose rows are drawn in the colour of their kind, read from the
// settings each time a row is drawn.
#include <QListWidget>

#include <functional>
#include <vector>

namespace kelvane {

class TIniFileCompo;

class TElementList : public QListWidget {
    Q_OBJECT
public:
    TElementList(TIniFileCompo& settings, QWidget* parent = nullptr);

    struct TRowView {
        QString text;
        bool checked = true;
        bool checkable = true;  // the render row's box is disabled
    };
    // Replaces the rows without emitting the check signal; no row is selected afterwards.
    void SetRows(const std::vector<TRowView>& rows);
    // The check box of a row was switched; false refuses the change, which is undone.
    std::function<bool(int row, bool checked)> OnCheck;
    // A key (arrows, Home, End, page keys) moved the current row.
    std::function<void(int row)> OnKeySelect;

    // The kind part of a row text: before the first " -- ".
    static QString KindOf(const QString& text);

    TIniFileCompo& Settings() { return settings_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TIniFileCompo& settings_;
    bool filling_ = false;
};

} // namespace kelvane
