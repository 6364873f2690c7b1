#pragma once
// The image window's render history: the strip of thumbnails `listHistory` of the open scene's
// renders, newest first, deleting one, and comparing two of them ("Toggle", "Split",
// "Difference") with their figures in `lbCompare`.
#include "render/PictureCompare.h"
#include "render/RenderHistory.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <set>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace kelvane {

enum class TCompareMode { Toggle = 0, Split = 1, Difference = 2 };

class THistoryPanel : public QWidget {
    Q_OBJECT
public:
    explicit THistoryPanel(QWidget* parent = nullptr);

    // The history and the scene whose entries are shown; messages for damaged entries and
    // failures (each damaged entry is reported once).
    void SetSource(TRenderHistory* history, std::function<std::filesystem::path()> scene,
                   std::function<void(const QString&)> message);
    // Reads the entries afresh; the entry with this id is picked when given.
    void Refresh(std::optional<long long> pick = std::nullopt);

    // The picture to show while comparing; null when not comparing.
    QImage ComparedImage() const;
    bool Comparing() const { return compare_.has_value(); }
    TCompareMode Mode() const;
    void EndCompare();
    // Toggle: A and B change places; Split: the divider moves to column x of the picture.
    void Flip();
    void MoveDivider(int x);

    // The picked entry, when one is picked.
    const THistoryEntry* Picked() const;

    void listHistoryPick();
    void btnHistoryDeleteClick();
    void btnCompareClick();

    QListWidget* listHistory = nullptr;
    QPushButton* btnHistoryDelete = nullptr;
    QPushButton* btnCompare = nullptr;
    QComboBox* combCompareMode = nullptr;
    QSpinBox* spinDiffScale = nullptr;
    QLabel* lbCompare = nullptr;

signals:
    // An entry was picked (its picture and file), or the compared picture changed.
    void EntryPicked(const QImage& image, const QString& file);
    void CompareChanged(const QImage& image);

private:
    struct TCompare {
        TPicture a, b;
        bool showingB = false;
        int divider = 0;
        QString figures;  // lbCompare's text below the line naming what is shown
    };
    void ShowCompare();

    TRenderHistory* history_ = nullptr;
    std::function<std::filesystem::path()> scene_;
    std::function<void(const QString&)> message_;
    std::vector<THistoryEntry> entries_;
    std::set<std::string> reported_;
    std::optional<TCompare> compare_;
};

// The strip's text of an entry: "#ID", its time and duration, "region" for a region render.
QString HistoryItemText(const THistoryEntry& entry);

} // namespace kelvane
