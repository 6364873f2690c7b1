#include "shell/ui/UnitConfiguration.h"

#include "controls/IniFileCompo.h"
#include "render/RenderHistory.h"
#include "render/RenderRegion.h"
#include "scene/NumFormat.h"
#include "shell/ui/Dialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>

namespace kelvane {

namespace {

QColor ToQColor(TColor c)
{
    const TBgr b = SplitColor(c);
    return QColor(b.red, b.green, b.blue);
}

TColor FromQColor(const QColor& c)
{
    return MakeColor(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

// Draws each kind row in its stored colour, read afresh on every paint.
class TFontListDelegate : public QStyledItemDelegate {
public:
    TFontListDelegate(TIniFileCompo& settings, QObject* parent)
        : QStyledItemDelegate(parent), settings_(settings) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data().toString();
        const QPalette& pal = option.palette;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
        if (TKindColour entry; FindKindColour(text.toStdString(), entry))
            lastColour_ = ToQColor(ReadKindColour(settings_, entry));
        painter->setPen(lastColour_);
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 15);
    }

private:
    TIniFileCompo& settings_;
    mutable QColor lastColour_ = Qt::black;  // a row text outside the table keeps it
};

} // namespace

const std::vector<TNamedColour>& NamedColours()
{
    static const std::vector<TNamedColour> colours = [] {
        std::vector<TNamedColour> list = {
            // the standard colours
            {QStringLiteral("Black"), 0x000000}, {QStringLiteral("Maroon"), 0x000080},
            {QStringLiteral("Green"), 0x008000}, {QStringLiteral("Olive"), 0x008080},
            {QStringLiteral("Navy"), 0x800000}, {QStringLiteral("Purple"), 0x800080},
            {QStringLiteral("Teal"), 0x808000}, {QStringLiteral("Gray"), 0x808080},
            {QStringLiteral("Silver"), 0xC0C0C0}, {QStringLiteral("Red"), 0x0000FF},
            {QStringLiteral("Lime"), 0x00FF00}, {QStringLiteral("Yellow"), 0x00FFFF},
            {QStringLiteral("Blue"), 0xFF0000}, {QStringLiteral("Fuchsia"), 0xFF00FF},
            {QStringLiteral("Aqua"), 0xFFFF00}, {QStringLiteral("White"), 0xFFFFFF},
            // the extended colours
            {QStringLiteral("MoneyGreen"), 0xC0DCC0}, {QStringLiteral("SkyBlue"), 0xF0CAA6},
            {QStringLiteral("Cream"), 0xF0FBFF}, {QStringLiteral("MedGray"), 0xA4A0A0},
        };
        // the system colours, as the current palette has them
        const QPalette pal = QGuiApplication::palette();
        const std::pair<const char*, QPalette::ColorRole> roles[] = {
            {"Window", QPalette::Window}, {"WindowText", QPalette::WindowText},
            {"BtnFace", QPalette::Button}, {"BtnText", QPalette::ButtonText},
            {"Highlight", QPalette::Highlight}, {"HighlightText", QPalette::HighlightedText},
            {"InfoBk", QPalette::ToolTipBase}, {"InfoText", QPalette::ToolTipText},
            {"BtnShadow", QPalette::Dark}, {"BtnHighlight", QPalette::Light},
        };
        for (const auto& [name, role] : roles)
            list.push_back({QString::fromLatin1(name), FromQColor(pal.color(QPalette::Active, role))});
        return list;
    }();
    return colours;
}

TfrmConfigu::TfrmConfigu(TIniFileCompo& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      settings_(settings)
{
    setObjectName(QStringLiteral("frmConfigu"));
    setWindowTitle(QStringLiteral("Configuration"));
    setModal(true);
    setFixedSize(432, 318);

    auto* lblPath = new QLabel(QStringLiteral("Path to YafRay.exe"), this);
    lblPath->setGeometry(8, 8, 300, 16);
    edtPath = new QLineEdit(this);
    edtPath->setObjectName(QStringLiteral("edtPath"));
    edtPath->setReadOnly(true);
    edtPath->setGeometry(8, 26, 330, 24);
    btnOpenExe = new QPushButton(QStringLiteral("Browse"), this);
    btnOpenExe->setObjectName(QStringLiteral("btnOpenExe"));
    btnOpenExe->setGeometry(346, 25, 78, 26);

    auto* lblColors = new QLabel(QStringLiteral("Set Font Colors"), this);
    lblColors->setGeometry(8, 60, 300, 16);
    listFontList = new QListWidget(this);
    listFontList->setObjectName(QStringLiteral("listFontList"));
    listFontList->setGeometry(8, 78, 200, 106);
    listFontList->setUniformItemSizes(true);
    listFontList->setItemDelegate(new TFontListDelegate(settings_, listFontList));
    for (const TKindColour& entry : KindColours())
        listFontList->addItem(QString::fromLatin1(entry.kind.data(), qsizetype(entry.kind.size())));

    clbFontColor = new QComboBox(this);
    clbFontColor->setObjectName(QStringLiteral("clbFontColor"));
    clbFontColor->setGeometry(216, 78, 208, 24);
    for (const TNamedColour& named : NamedColours()) {
        QPixmap square(12, 12);
        square.fill(ToQColor(named.colour));
        clbFontColor->addItem(QIcon(square), named.name);
    }
    clbFontColor->setCurrentIndex(-1);

    // Render threads and the bounds of the render history.
    auto numberRow = [this](int y, const char* caption, const char* name, const std::string& value) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setGeometry(8, y + 4, 250, 16);
        auto* edit = new QLineEdit(QString::fromStdString(value), this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(266, y, 72, 24);
        return edit;
    };
    edtThreads = numberRow(194, "Render threads", "edtThreads",
                           std::to_string(ThreadsSetting(settings_.ReadString("System", "Threads", ""))));
    edtHistoryCount = numberRow(222, "Render history: renders kept", "edtHistoryCount",
                                std::to_string(settings_.ReadInteger("History", "MaxCount", THistoryLimits{}.maxCount)));
    edtHistoryMB = numberRow(250, "Render history: megabytes kept", "edtHistoryMB",
                             std::to_string(settings_.ReadInteger("History", "MaxMB", int(THistoryLimits{}.maxMB))));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setGeometry(346, 284, 78, 26);

    connect(btnOpenExe, &QPushButton::clicked, this, [this] { Guarded(this, [this] { btnOpenExeClick(); }); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(listFontList, &QListWidget::itemClicked, this, [this] { listFontListClick(); });
    connect(listFontList, &QListWidget::currentRowChanged, this, [this] { listFontListClick(); });
    connect(clbFontColor, &QComboBox::activated, this, [this] { clbFontColorChange(); });

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmConfigu::btnOpenExeClick()
{
    // The first file type is the one that shows the renderer on this platform.
#ifdef _WIN32
    const QString filter = QStringLiteral("yafray.exe|yafray.exe|yafray|yafray");
#else
    const QString filter = QStringLiteral("yafray|yafray|yafray.exe|yafray.exe");
#endif
    const QStringList files = Dialogs().GetOpenFileNames(this, QStringLiteral("Open"), filter, false);
    if (!files.isEmpty())
        edtPath->setText(files.front());
}

void TfrmConfigu::btnOKClick()
{
    if (edtPath->text().isEmpty())
        return;
    struct TNumberField {
        QLineEdit* edit;
        const char* section;
        const char* ident;
        long long low, high;
        const char* what;
    };
    const TNumberField fields[] = {
        {edtThreads, "System", "Threads", 1, 1024, "Render threads"},
        {edtHistoryCount, "History", "MaxCount", 0, 100000, "Renders kept"},
        {edtHistoryMB, "History", "MaxMB", 0, 1048576, "Megabytes kept"},
    };
    int64_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const TNumberField& f = fields[i];
        if (!TryStrToInt64(f.edit->text().trimmed().toStdString(), values[i]) || values[i] < f.low ||
            values[i] > f.high) {
            Dialogs().Message(this, QStringLiteral("%1 must be a whole number from %2 to %3.")
                                        .arg(QString::fromLatin1(f.what))
                                        .arg(f.low)
                                        .arg(f.high));
            return;
        }
    }
    settings_.WriteString("System", "EXEPath", edtPath->text().toStdString());
    // Values left as shown stay unwritten, so the defaults can follow the machine.
    for (int i = 0; i < 3; ++i)
        if (fields[i].edit->isModified())
            settings_.WriteInteger(fields[i].section, fields[i].ident, int32_t(values[i]));
    accept();
}

void TfrmConfigu::listFontListClick()
{
    const int row = listFontList->currentRow();
    const std::vector<TKindColour> kinds = KindColours();
    if (row < 0 || row >= int(kinds.size()))
        return;
    const TColor colour = ReadKindColour(settings_, kinds[size_t(row)]);
    const std::vector<TNamedColour>& named = NamedColours();
    int found = -1;
    for (int i = 0; i < int(named.size()); ++i)
        if (named[size_t(i)].colour == colour) {
            found = i;
            break;
        }
    clbFontColor->setCurrentIndex(found);
}

void TfrmConfigu::clbFontColorChange()
{
    const int row = listFontList->currentRow();
    const int choice = clbFontColor->currentIndex();
    const std::vector<TKindColour> kinds = KindColours();
    if (row < 0 || row >= int(kinds.size()) || choice < 0)
        return;
    settings_.WriteColor("System", kinds[size_t(row)].key, NamedColours()[size_t(choice)].colour);
    listFontList->viewport()->update();
}

void TfrmConfigu::reject()
{
}

void TfrmConfigu::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

} // namespace kelvane
