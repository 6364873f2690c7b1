#include "render/ui/HistoryPanel.h"

#include "controls/ui/QtText.h"
#include "render/Targa.h"
#include "render/ui/PictureImage.h"
#include "scene/FileIO.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kelvane {

namespace {

TPicture LoadPicture(const std::filesystem::path& file)
{
    return DecodeTarga(ReadWholeFile(file));
}

} // namespace

QString HistoryItemText(const THistoryEntry& entry)
{
    return QtText("#" + std::to_string(entry.id) + "\n" + entry.Time() + "\n" + SecondsText(entry.seconds) +
             (entry.region ? " region" : ""));
}

THistoryPanel::THistoryPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlHistory"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    listHistory = new QListWidget(this);
    listHistory->setObjectName(QStringLiteral("listHistory"));
    listHistory->setViewMode(QListView::IconMode);
    listHistory->setFlow(QListView::LeftToRight);
    listHistory->setWrapping(false);
    listHistory->setMovement(QListView::Static);
    listHistory->setIconSize(QSize(kHistoryThumbnailSize, kHistoryThumbnailSize));
    listHistory->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listHistory->setFixedHeight(kHistoryThumbnailSize + 56);
    layout->addWidget(listHistory);
    auto* row = new QHBoxLayout;
    btnHistoryDelete = new QPushButton(QStringLiteral("Delete"), this);
    btnHistoryDelete->setObjectName(QStringLiteral("btnHistoryDelete"));
    btnCompare = new QPushButton(QStringLiteral("Compare"), this);
    btnCompare->setObjectName(QStringLiteral("btnCompare"));
    combCompareMode = new QComboBox(this);
    combCompareMode->setObjectName(QStringLiteral("combCompareMode"));
    combCompareMode->addItems({QStringLiteral("Toggle"), QStringLiteral("Split"), QStringLiteral("Difference")});
    spinDiffScale = new QSpinBox(this);
    spinDiffScale->setObjectName(QStringLiteral("spinDiffScale"));
    spinDiffScale->setRange(1, 64);
    spinDiffScale->setValue(8);
    spinDiffScale->setPrefix(QStringLiteral("x "));
    spinDiffScale->setToolTip(QStringLiteral("Difference amplified by this scale"));
    row->addWidget(btnHistoryDelete);
    row->addWidget(btnCompare);
    row->addWidget(combCompareMode);
    row->addWidget(spinDiffScale);
    row->addStretch(1);
    layout->addLayout(row);
    lbCompare = new QLabel(this);
    lbCompare->setObjectName(QStringLiteral("lbCompare"));
    lbCompare->setWordWrap(true);
    lbCompare->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lbCompare);

    connect(listHistory, &QListWidget::itemClicked, this, [this] { listHistoryPick(); });
    connect(btnHistoryDelete, &QPushButton::clicked, this, [this] { btnHistoryDeleteClick(); });
    connect(btnCompare, &QPushButton::clicked, this, [this] { btnCompareClick(); });
    connect(combCompareMode, &QComboBox::activated, this, [this] { ShowCompare(); });
    connect(spinDiffScale, &QSpinBox::valueChanged, this, [this] { ShowCompare(); });
}

void THistoryPanel::SetSource(TRenderHistory* history, std::function<std::filesystem::path()> scene,
                              std::function<void(const QString&)> message)
{
    history_ = history;
    scene_ = std::move(scene);
    message_ = std::move(message);
}

void THistoryPanel::Refresh(std::optional<long long> pick)
{
    listHistory->clear();
    entries_.clear();
    const std::filesystem::path scene = scene_ ? scene_() : std::filesystem::path();
    if (!history_ || scene.empty())
        return;
    std::vector<std::string> damaged;
    entries_ = history_->Entries(scene, &damaged);
    for (const std::string& text : damaged)
        if (reported_.insert(text).second && message_)
            message_(QtText(text));
    for (const THistoryEntry& entry : entries_) {
        auto* item = new QListWidgetItem(HistoryItemText(entry), listHistory);
        item->setData(Qt::UserRole, QVariant::fromValue(entry.id));
        try {
            item->setIcon(QIcon(QPixmap::fromImage(ToQImage(LoadPicture(entry.Thumbnail())))));
        } catch (const std::exception&) {
            // An entry without its thumbnail is still listed.
        }
        if (pick && entry.id == *pick)
            listHistory->setCurrentItem(item);
    }
}

const THistoryEntry* THistoryPanel::Picked() const
{
    const QListWidgetItem* item = listHistory->currentItem();
    if (!item || !item->isSelected())
        return nullptr;
    const long long id = item->data(Qt::UserRole).toLongLong();
    for (const THistoryEntry& entry : entries_)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

void THistoryPanel::listHistoryPick()
{
    const THistoryEntry* entry = Picked();
    if (!entry || listHistory->selectedItems().size() > 1)
        return;
    try {
        const QImage image = ToQImage(LoadPicture(entry->Picture()));
        EndCompare();
        emit EntryPicked(image, QtText(entry->Picture().string()));
    } catch (const std::exception& e) {
        if (message_)
            message_(QString::fromUtf8(e.what()));
    }
}

void THistoryPanel::btnHistoryDeleteClick()
{
    const THistoryEntry* entry = Picked();
    if (!entry || !history_)
        return;
    history_->Remove(entry->id);
    EndCompare();
    Refresh();
}

void THistoryPanel::btnCompareClick()
{
    std::vector<const THistoryEntry*> picked;
    for (const QListWidgetItem* item : listHistory->selectedItems())
        for (const THistoryEntry& entry : entries_)
            if (entry.id == item->data(Qt::UserRole).toLongLong())
                picked.push_back(&entry);
    if (picked.size() != 2) {
        if (message_)
            message_(QStringLiteral("Pick two renders to compare."));
        return;
    }
    // A is the older render, B the newer.
    if (picked[0]->id > picked[1]->id)
        std::swap(picked[0], picked[1]);
    const THistoryEntry& a = *picked[0];
    const THistoryEntry& b = *picked[1];
    try {
        TCompare compare{LoadPicture(a.Picture()), LoadPicture(b.Picture()), false, 0, {}};
        const TPictureDifference difference = ComparePictures(compare.a, compare.b);
        compare.divider = compare.a.width / 2;
        std::string changes;
        try {
            changes = ChangesText(SettingChanges(history_->Settings(a), history_->Settings(b)));
        } catch (const std::exception&) {
            changes = "unknown";
        }
        compare.figures = QtText("A #" + std::to_string(a.id) + " " + a.Time() + ", " + SecondsText(a.seconds) + "; B #" +
                            std::to_string(b.id) + " " + b.Time() + ", " + SecondsText(b.seconds) + "\n" +
                            DifferenceText(difference) + "\nchanges: " + (changes.empty() ? "none" : changes));
        compare_ = std::move(compare);
    } catch (const std::exception& e) {
        if (message_)
            message_(QString::fromUtf8(e.what()));
        return;
    }
    ShowCompare();
}

TCompareMode THistoryPanel::Mode() const
{
    return TCompareMode(std::max(0, combCompareMode->currentIndex()));
}

QImage THistoryPanel::ComparedImage() const
{
    if (!compare_)
        return {};
    switch (Mode()) {
    case TCompareMode::Toggle:
        return ToQImage(compare_->showingB ? compare_->b : compare_->a);
    case TCompareMode::Split:
        return ToQImage(SplitPicture(compare_->a, compare_->b, compare_->divider));
    case TCompareMode::Difference:
        return ToQImage(DifferencePicture(compare_->a, compare_->b, spinDiffScale->value()));
    }
    return {};
}

void THistoryPanel::ShowCompare()
{
    if (!compare_)
        return;
    static const char* const shown[] = {"", "Showing A left, B right", "Showing the difference"};
    const TCompareMode mode = Mode();
    const QString head = mode == TCompareMode::Toggle ? QStringLiteral("Showing %1 (Space: %2)")
                                                            .arg(compare_->showingB ? 'B' : 'A')
                                                            .arg(compare_->showingB ? 'A' : 'B')
                                                      : QString::fromLatin1(shown[int(mode)]);
    lbCompare->setText(head + QLatin1Char('\n') + compare_->figures);
    emit CompareChanged(ComparedImage());
}

void THistoryPanel::EndCompare()
{
    compare_.reset();
    lbCompare->clear();
}

void THistoryPanel::Flip()
{
    if (!compare_ || Mode() != TCompareMode::Toggle)
        return;
    compare_->showingB = !compare_->showingB;
    ShowCompare();
}

void THistoryPanel::MoveDivider(int x)
{
    if (!compare_ || Mode() != TCompareMode::Split)
        return;
    compare_->divider = std::clamp(x, 0, compare_->a.width);
    ShowCompare();
}

} // namespace kelvane
