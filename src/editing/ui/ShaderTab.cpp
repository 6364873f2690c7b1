// Shader tab: the four property pages, the slot texture and the slot modulator.
#include "editing/ui/EditorTab.h"

#include "editing/TabRules.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/ControlBuilder.h"
#include "editing/ui/SessionStore.h"

#include "controls/ui/ColorPanel.h"
#include "controls/ui/EnableControlCheckBox.h"
#include "controls/ui/NumberEdit.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QGroupBox>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <tuple>
#include <vector>
#include <utility>

namespace kelvane {

namespace {

using enum TKeyKind;

constexpr TContainerRow containers[] = {
    {"pcShader", TContainerClass::HiddenPages, nullptr, 0, ""},
    {"tsColor", TContainerClass::Page, "pcShader", 0, "Color"},
    {"tsSpecular", TContainerClass::Page, "pcShader", 0, "Specular"},
    {"tsReflection", TContainerClass::Page, "pcShader", 0, "Reflection"},
    {"tsTrans", TContainerClass::Page, "pcShader", 0, "Transparency"},
    {"pnlTexOn", TContainerClass::Panel, nullptr, 0, "Texture"},
    {"pcTexture", TContainerClass::HiddenPages, "pnlTexOn", 0, ""},
    {"tsTexJpeg", TContainerClass::Page, "pcTexture", 0, "image"},
    {"tsTexClouds", TContainerClass::Page, "pcTexture", 0, "noise"},
    {"pcCloudColor", TContainerClass::PageControl, "tsTexClouds", 0, ""},
    {"tsCloudColor1", TContainerClass::Page, "pcCloudColor", 0, "Color1"},
    {"tsCloudColor2", TContainerClass::Page, "pcCloudColor", 0, "Color2"},
    {"pnlModOn", TContainerClass::Panel, "pnlTexOn", 0, "Modulator"},
};

constexpr TSliderSpec channelAmount = Slider(0, 100, 100, 10);

constexpr TValueRow values[] = {
    Combo("tsShader", "combShrType", "shader.shader.type", Plain, "Type", "generic|constant"),

    Colour("tsColor", "ShrColor", "pnlColorColor", "shader.color.", Attributes, "Color", Limited(0, 255)),
    Colour("tsSpecular", "ShrSpe", "pnlSpeColor", "shader.specular.", Attributes, "Specular", Limited(0, 255)),
    Scalar("tsSpecular", "tbShrHard", "edtShrHard", "shader.hard.value", Attributes, "Hardness",
           Slider(0, 100, 1, 10), MaxOnly(50)),
    Colour("tsReflection", "ShrRefl", "pnlReflColor", "shader.reflected.", Attributes, "Reflection", Limited(0, 255)),
    Scalar("tsReflection", "tbShrMinRefl", "edtShrMinRefl", "shader.min_refle.value", Attributes, "Min. reflection",
           Slider(0, 100, 100, 10), Limited(0, 1)),
    Colour("tsTrans", "ShrTrans", "pnlTransColor", "shader.transmited.", Attributes, "Transparency", Limited(0, 255)),
    Scalar("tsTrans", "tbShrIOR", "edtShrIOR", "shader.IOR.value", Attributes, "IOR",
           Slider(0, 200, 100, 20), Limited(0, 50)),

    Combo("pnlTexOn", "combTexType", "texture.texture.type", Plain, "Type",
          "image                      =jpeg|noise                       =clouds").For(TTarget::Slot),
    Colour("tsCloudColor1", "TexCldC1", "ColorPanel2", "texture.color1.", Plain, "Color1", Limited(0, 255)).For(TTarget::Slot),
    Colour("tsCloudColor2", "TexCldC2", "ColorPanel1", "texture.color2.", Plain, "Color2", Limited(0, 255)).For(TTarget::Slot),
    Scalar("tsTexClouds", "tbTexCldDepth", "edtTexCldDepth", "texture.depth.value", Plain, "Depth",
           Slider(1, 15, 0, 1), Whole(1, 15)).For(TTarget::Slot),

    Combo("pnlModOn", "combModMode", "modulator.modulator.mode", Modulator, "Mode",
          "add|multiply                =mul|mix").For(TTarget::Slot),
    Scalar("pnlModOn", "tbModColor", "edtModColor", "modulator.color.value", Modulator, nullptr,
           channelAmount, MaxOnly(1)).For(TTarget::Slot),
    Scalar("pnlModOn", "tbModReflection", "edtModReflection", "modulator.reflection.value", Modulator, nullptr,
           channelAmount, MaxOnly(1)).For(TTarget::Slot),
    Scalar("pnlModOn", "tbModSpecular", "edtModSpecular", "modulator.specular.value", Modulator, nullptr,
           channelAmount, MaxOnly(1)).For(TTarget::Slot),
    Scalar("pnlModOn", "tbModTrans", "edtModTrans", "modulator.transmission.value", Modulator, nullptr,
           channelAmount, MaxOnly(1)).For(TTarget::Slot),
    Scalar("pnlModOn", "tbModBump", "edtModBump", "modulator.normal.value", Modulator, nullptr,
           Slider(0, 300, 100, 30), MaxOnly(1)).For(TTarget::Slot),
    Edit("pnlModOn", "edtModSize", "modulator.modulator.size", Modulator, nullptr).For(TTarget::Slot),
    Edit("pnlModOn", "edtModSizeX", "modulator.modulator.sizex", Modulator, nullptr).For(TTarget::Slot),
    Edit("pnlModOn", "edtModSizeY", "modulator.modulator.sizey", Modulator, nullptr).For(TTarget::Slot),
    Edit("pnlModOn", "edtModSizeZ", "modulator.modulator.sizez", Modulator, nullptr).For(TTarget::Slot),
};

constexpr TGuardRow guards[] = {
    {"cbModColor", "pnlModOn", "Color", "edtModColor", "tbModColor", TTarget::Slot},
    {"cbModReflection", "pnlModOn", "Reflection", "edtModReflection", "tbModReflection", TTarget::Slot},
    {"cbModSpecular", "pnlModOn", "Specular", "edtModSpecular", "tbModSpecular", TTarget::Slot},
    {"cbModTransparency", "pnlModOn", "Transparency", "edtModTrans", "tbModTrans", TTarget::Slot},
    {"cbModBump", "pnlModOn", "Bump", "edtModBump", "tbModBump", TTarget::Slot},
    {"cbModSize", "pnlModOn", "Size", "edtModSize", nullptr, TTarget::Slot},
    {"cbModSizeX", "pnlModOn", "Size X", "edtModSizeX", nullptr, TTarget::Slot},
    {"cbModSizeY", "pnlModOn", "Size Y", "edtModSizeY", nullptr, TTarget::Slot},
    {"cbModSizeZ", "pnlModOn", "Size Z", "edtModSizeZ", nullptr, TTarget::Slot},
};

constexpr TTabTable table{"tsShader", 0, containers, values, guards, true};

// The property pages and their list, in list order.
const char* const propertyPages[4] = {"tsColor", "tsSpecular", "tsReflection", "tsTrans"};
const char* const propertySwatches[4] = {"pnlColorColor", "pnlSpeColor", "pnlReflColor", "pnlTransColor"};

// The property list and the texture slot list sit between the table's rows; the property pages
// follow the values they hold.
class TShaderTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        TFilling filling(filling_);
        auto* texSlots = Get<QListWidget>("listTexList");
        if (texSlots)
            texSlots->setCurrentRow(0);
        TEditorTab::Fill(name);
        const std::string presence = c_.store.Presence(name);
        if (texSlots)
            for (int i = 0; i < 10; ++i)
                texSlots->item(i)->setCheckState(SlotPresent(presence, i) ? Qt::Checked : Qt::Unchecked);
        static const char* const probes[4][2] = {{"edtShrColorRed", nullptr},
                                                 {"edtShrSpeRed", "edtShrHard"},
                                                 {"edtShrReflRed", "edtShrMinRefl"},
                                                 {"edtShrTransRed", "edtShrIOR"}};
        auto* properties = Get<QListWidget>("listShaderList");
        for (int i = 0; i < 4; ++i) {
            bool on = false;
            for (const char* probe : probes[i])
                if (probe && !EditText(Find(probe)).empty())
                    on = true;
            if (properties)
                properties->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
            c_.binding.EnableTree(Find(propertyPages[i]), on);
        }
        if (properties)
            properties->setCurrentRow(0);
        listShaderListDrawItem();
        ShowPage(Find("tsColor"));
        CollapseTexture(SlotPresent(presence, 0));
        TextureTail();
        ShowPreview(name);
    }

    void SceneOpened() override
    {
        texList_.clear();
        prevList_.clear();
    }

protected:
    void Wire(TControlBuilder& builder) override
    {
        c_.binding.SelectedSlot = [this] {
            auto* texSlots = Get<QListWidget>("listTexList");
            return texSlots ? std::max(0, texSlots->currentRow()) : 0;
        };
        QBoxLayout* l = builder.LayoutOf("tsShader");
        if (!l)
            return;
        auto* properties = new QListWidget;
        properties->setObjectName(QStringLiteral("listShaderList"));
        properties->setToolTip(QStringLiteral("Shader colours written (color, specular, reflected, transmited); "
                                              "a row picks the one the sliders edit"));
        for (const char* row : {"Color", "Specular", "Reflection", "Transparency"})
            AddCheckRow(properties, QString::fromLatin1(row));
        properties->setIconSize(QSize(12, 12));
        properties->setFixedHeight(80);
        // A click on a row's box switches it (itemChanged) and then reports the click, which
        // must not reload the page: its controls keep their former values until the next fill.
        QObject::connect(properties, &QListWidget::itemClicked, properties, [this] {
            if (std::exchange(boxClicked_, false))
                return;
            Guarded([&] { listShaderListClick(); });
        });
        QObject::connect(properties, &QListWidget::itemChanged, properties, [this, properties](QListWidgetItem* item) {
            if (filling_)
                return;
            properties->setCurrentItem(item);
            boxClicked_ = true;
            QTimer::singleShot(0, properties, [this] { boxClicked_ = false; });
            Guarded([&] { listShaderListClickCheck(); });
        });
        // The preview sits beside the property list.
        auto* top = new QWidget;
        auto* topLayout = new QHBoxLayout(top);
        topLayout->setContentsMargins(0, 0, 0, 0);
        topLayout->addWidget(properties, 1);
        topLayout->addWidget(PreviewControls());
        l->insertWidget(1, top);
        c_.tree.Add(Page(), properties);
        c_.binding.OnColourSlider = [this] { listShaderListDrawItem(); };
        for (const char* swatch : propertySwatches)
            if (auto* panel = Get<TColorPanel>(swatch))
                QObject::connect(panel, &TColorPanel::colorChanged, panel, [this] { listShaderListDrawItem(); });
        auto* texSlots = new QListWidget;
        texSlots->setObjectName(QStringLiteral("listTexList"));
        texSlots->setToolTip(QStringLiteral("Shader texture slots in use (modulator); a slot picks the one edited"));
        for (int i = 0; i < 10; ++i)
            AddCheckRow(texSlots, QString::number(i));
        texSlots->setFlow(QListView::LeftToRight);
        texSlots->setFixedHeight(36);
        QObject::connect(texSlots, &QListWidget::itemClicked, texSlots,
                         [this] { Guarded([&] { listTexListClick(); }); });
        QObject::connect(texSlots, &QListWidget::itemChanged, texSlots, [this, texSlots](QListWidgetItem* item) {
            if (filling_)
                return;
            {
                TFilling quiet(filling_);
                texSlots->setCurrentItem(item);
            }
            Guarded([&] { listTexListClickCheck(); });
        });
        l->insertWidget(3, texSlots);
        c_.tree.Add(Page(), texSlots);
        for (const TGuardRow& g : guards)
            if (std::string_view(g.name) != "cbModSize")
                if (auto* box = Get<TEnableControlCheckBox>(g.name))
                    QObject::connect(box, &QCheckBox::clicked, box, [this, box] { Guarded([&] { cbModMouseUp(box); }); });
        if (QBoxLayout* jpeg = builder.LayoutOf("tsTexJpeg")) {
            auto* row = new QWidget;
            auto* rowLayout = new QHBoxLayout(row);
            rowLayout->setContentsMargins(0, 0, 0, 0);
            auto* picture = new QLabel;
            picture->setObjectName(QStringLiteral("imgTexture"));
            picture->setFixedSize(100, 100);
            picture->setScaledContents(true);
            picture->setFrameShape(QFrame::Box);
            rowLayout->addWidget(picture);
            auto* buttons = new QVBoxLayout;
            for (auto [name, caption, clip] : {std::tuple{"btnTexRef", "Reference", false},
                                               std::tuple{"btnTexClip", "Clip Board", true}}) {
                auto* button = new QPushButton(QString::fromLatin1(caption));
                button->setObjectName(QString::fromLatin1(name));
                QObject::connect(button, &QPushButton::clicked, button,
                                 [this, clip] { Guarded([&] { ImportTexture(clip); }); });
                buttons->addWidget(button);
            }
            buttons->addStretch(1);
            rowLayout->addLayout(buttons);
            rowLayout->addStretch(1);
            jpeg->insertWidget(0, row);
            for (QWidget* child : {static_cast<QWidget*>(picture), row->findChild<QWidget*>(QStringLiteral("btnTexRef")),
                                   row->findChild<QWidget*>(QStringLiteral("btnTexClip"))})
                c_.tree.Add(Find("tsTexJpeg"), child);
        }
        if (auto* type = Get<QComboBox>("combTexType"))
            QObject::connect(type, &QComboBox::activated, type, [this] { Guarded([&] { combTexTypeChange(); }); });
    }

private:
    struct TFilling {
        explicit TFilling(int& depth) : depth_(depth) { ++depth_; }
        ~TFilling() { --depth_; }
        int& depth_;
    };

    std::string Name() { return c_.store.SelectedName(); }
    int Slot()
    {
        auto* texSlots = Get<QListWidget>("listTexList");
        return texSlots ? std::max(0, texSlots->currentRow()) : 0;
    }
    std::string SlotElement() { return Name() + char('0' + Slot()); }

    // Each property row shows its page's colour in a square with a dark frame, before its text.
    void listShaderListDrawItem()
    {
        auto* properties = Get<QListWidget>("listShaderList");
        if (!properties)
            return;
        TFilling quiet(filling_);  // a new icon is reported as a changed item
        const QColor frame = properties->palette().color(QPalette::Shadow);
        for (int i = 0; i < 4; ++i) {
            auto* panel = Get<TColorPanel>(propertySwatches[i]);
            if (!panel)
                continue;
            QColor fill = properties->palette().color(QPalette::Button);
            if (!(panel->Color() & 0x80000000u)) {
                const TBgr c = SplitColor(panel->Color());
                fill = QColor(c.red, c.green, c.blue);
            }
            QPixmap square(12, 12);
            square.fill(frame);
            QPainter(&square).fillRect(1, 1, 10, 10, fill);
            properties->item(i)->setIcon(QIcon(square));
        }
    }

    // A property row was clicked: its page is loaded and shown.
    void listShaderListClick()
    {
        auto* properties = Get<QListWidget>("listShaderList");
        const int row = properties ? properties->currentRow() : -1;
        if (row < 0 || row > 3)
            return;
        QWidget* page = Find(propertyPages[row]);
        c_.binding.LoadContainer(page, Name(), Table());
        ShowPage(page);
    }

    // A property row's box was switched: the page's values go, whichever way.
    void listShaderListClickCheck()
    {
        auto* properties = Get<QListWidget>("listShaderList");
        const int row = properties ? properties->currentRow() : -1;
        if (row < 0 || row > 3)
            return;
        TStoreStep step(c_.store, TickLabel(properties->item(row)->text().toStdString(),
                                            properties->item(row)->checkState() == Qt::Checked));
        static const char* const removed[4][2] = {{"shader.color.", nullptr},
                                                  {"shader.specular.", "shader.hard."},
                                                  {"shader.reflected.", "shader.min_refle."},
                                                  {"shader.transmited.", "shader.IOR."}};
        const std::string name = Name();
        for (const char* path : removed[row])
            if (path)
                c_.store.DeleteValue(path, name);
        c_.binding.EnableTree(Find(propertyPages[row]), properties->item(row)->checkState() == Qt::Checked);
    }

    void listTexListClick()
    {
        auto* texSlots = Get<QListWidget>("listTexList");
        if (!texSlots || texSlots->currentRow() < 0)
            return;
        CollapseTexture(texSlots->currentItem()->checkState() == Qt::Checked);
        const std::string type = c_.store.GetValue("texture.texture.type", SlotElement());
        if (type == "jpeg" || type == "clouds")
            FillTexture(type == "jpeg" ? "tsTexJpeg" : "tsTexClouds");
    }

    void listTexListClickCheck()
    {
        auto* texSlots = Get<QListWidget>("listTexList");
        if (!texSlots || texSlots->currentRow() < 0)
            return;
        TStoreStep step(c_.store, TickLabel("Texture " + texSlots->currentItem()->text().toStdString(),
                                            texSlots->currentItem()->checkState() == Qt::Checked));
        const std::string name = Name();
        const std::string slotName = SlotElement();
        std::string presence = c_.store.Presence(name);
        if (presence.size() < 10)
            presence.resize(10, '0');
        const size_t at = size_t(texSlots->currentRow());
        if (texSlots->currentItem()->checkState() == Qt::Checked) {
            presence[at] = '1';
            c_.store.SetValue("new.modulator.mode", slotName, "add", TKeyKind::Modulator);
            c_.store.SetValue("modulator.modulator.mode", slotName, "add", TKeyKind::Modulator);
            c_.store.SetValue("modulator.color.value", slotName, "1", TKeyKind::Modulator);
            if (!c_.store.ReviveHeld("texture", slotName))
                c_.store.SetValue("new.texture.type", slotName, "jpeg", TKeyKind::Plain);
        } else {
            presence[at] = '0';
            const int thumb = c_.store.ThumbnailPosition(slotName + "_t");
            if (thumb >= 0 && size_t(thumb) < texList_.size()) {
                texList_[size_t(thumb)] = QImage(100, 100, QImage::Format_RGB888);
                texList_[size_t(thumb)].fill(Qt::white);
            }
            c_.store.ForgetThumbnail(slotName + "_t");
            c_.store.DeleteValue("scene.texture.", slotName);
            c_.store.DeleteValue("modulator.modulator.", slotName);
        }
        c_.store.SetPresence(name, presence);
    }

    void combTexTypeChange()
    {
        TStoreStep step(c_.store, RowLabelOf(Find("combTexType")));
        const std::string slotName = SlotElement();
        if (ComboIndex(Find("combTexType")) == 0) {
            c_.store.SetValue("texture.texture.type", slotName, "jpeg", TKeyKind::Plain);
            for (const char* path : {"texture.depth.", "texture.color1.", "texture.color2."})
                c_.store.DeleteValue(path, slotName);
            FillTexture("tsTexJpeg");
        } else if (ComboIndex(Find("combTexType")) == 1) {
            c_.store.SetValue("texture.texture.type", slotName, "clouds", TKeyKind::Plain);
            c_.store.DeleteValue("texture.filename.", slotName);
            FillTexture("tsTexClouds");
        }
    }

    // A modulator guard box switched off: its value leaves the slot's modulator, unless that
    // would leave the modulator without any channel.
    void cbModMouseUp(TEnableControlCheckBox* box)
    {
        if (box->checkState() == Qt::Checked)
            return;
        TStoreStep step(c_.store, TickLabel(RowLabelOf(box), false));
        static const char* const channelBoxes[5] = {"cbModColor", "cbModSpecular", "cbModReflection",
                                                    "cbModTransparency", "cbModBump"};
        static const char* const channelEdits[5] = {"edtModColor", "edtModSpecular", "edtModReflection",
                                                    "edtModTrans", "edtModBump"};
        const bool channel = std::find_if(std::begin(channelBoxes), std::end(channelBoxes), [box](const char* n) {
                                 return box->objectName() == QLatin1String(n);
                             }) != std::end(channelBoxes);
        auto restore = [box] {
            box->setCheckState(Qt::Checked);
            for (QWidget* guarded : {box->RegulateControl(), box->RegulateControl1()})
                if (guarded)
                    TEnableControlCheckBox::SetEnabledTree(guarded, true);
        };
        if (channel && std::none_of(std::begin(channelBoxes), std::end(channelBoxes), [this](const char* n) {
                auto* other = Get<TEnableControlCheckBox>(n);
                return other && other->checkState() == Qt::Checked;
            })) {
            restore();
            return;
        }
        const std::string slotName = SlotElement();
        auto* edit = qobject_cast<TNumberEdit*>(box->RegulateControl());
        if (!edit)
            return;
        const std::string path = edit->Command();
        edit->SetTextUtf8("");
        if (channel && std::all_of(std::begin(channelEdits), std::end(channelEdits),
                                   [this](const char* n) { return EditText(Find(n)).empty(); })) {
            c_.store.BeginModulatorView();
            std::string value;
            try {
                value = c_.store.GetValue(path, slotName);
            } catch (...) {
                c_.store.EndModulatorView();
                throw;
            }
            c_.store.EndModulatorView();
            edit->SetTextUtf8(value);
            restore();
            return;
        }
        c_.store.DeleteValue(path, slotName);
    }

    // "Reference" / "Clip Board": the slot's picture imported, shown and named in the texture.
    void ImportTexture(bool fromClipboard)
    {
        if (!c_.hooks || !c_.hooks->textureImport)
            return;
        const std::string slotName = SlotElement();
        const QImage picture = c_.hooks->textureImport(slotName, fromClipboard);
        if (picture.isNull())
            return;
        TStoreStep step(c_.store, fromClipboard ? "Clip Board" : "Reference");
        if (auto* shown = Get<QLabel>("imgTexture"))
            shown->setPixmap(QPixmap::fromImage(picture));
        const std::string key = slotName + "_t";
        const int at = c_.store.ThumbnailPosition(key);
        if (at >= 0 && size_t(at) < texList_.size()) {
            texList_[size_t(at)] = picture;
        } else {
            texList_.push_back(picture);
            c_.store.SetThumbnailPosition(key, int(texList_.size()) - 1);
        }
        c_.store.SetValue("texture.filename.value", slotName, slotName + ".jpg", TKeyKind::Plain);
    }

    // The preview: the picture in its framed panel, the shape, the button and the status.
    QWidget* PreviewControls()
    {
        auto* row = new QWidget;
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* panel = new QFrame;
        panel->setObjectName(QStringLiteral("pnlPreview"));
        panel->setFrameShape(QFrame::Box);
        panel->setFixedSize(102, 102);
        auto* picture = new QLabel(panel);
        picture->setObjectName(QStringLiteral("imgPreview"));
        picture->setGeometry(1, 1, 100, 100);
        picture->setScaledContents(true);
        rowLayout->addWidget(panel);
        auto* side = new QVBoxLayout;
        auto* shape = new QGroupBox;
        shape->setObjectName(QStringLiteral("rgPreview"));
        auto* shapeLayout = new QVBoxLayout(shape);
        shapeLayout->setContentsMargins(4, 2, 4, 2);
        shapeLayout->setSpacing(0);
        for (const char* item : {"Sphere", "Cube"}) {
            auto* radio = new QRadioButton(QString::fromLatin1(item), shape);
            radio->setObjectName(QStringLiteral("rgPreview") + QString::fromLatin1(item));
            radio->setChecked(std::string_view(item) == "Sphere");
            shapeLayout->addWidget(radio);
        }
        side->addWidget(shape);
        auto* button = new QPushButton(QStringLiteral("Preview"));
        button->setObjectName(QStringLiteral("btnPreview"));
        button->setFixedWidth(90);
        shape->setFixedWidth(90);
        QObject::connect(button, &QPushButton::clicked, button, [this] { Guarded([&] { btnPreviewClick(); }); });
        side->addWidget(button);
        auto* status = new QLabel;
        status->setObjectName(QStringLiteral("lblShrPrev"));
        status->setFixedWidth(90);
        status->setWordWrap(true);
        side->addWidget(status);
        rowLayout->addLayout(side);
        for (QWidget* child : {static_cast<QWidget*>(panel), static_cast<QWidget*>(picture),
                               static_cast<QWidget*>(shape), static_cast<QWidget*>(button),
                               static_cast<QWidget*>(status)})
            c_.tree.Add(Page(), child);
        return row;
    }

    // The selected shader rendered into a template scene; the picture is kept in the preview
    // list under the shader's name + "_p".
    void btnPreviewClick()
    {
        static const TShaderPreviewHook none;
        const TShaderPreviewHook& hook = c_.hooks ? c_.hooks->shaderPreview : none;
        // A click while a preview renders (window events are handled meanwhile) is ignored.
        if (!hook.check || !hook.render || previewing_)
            return;
        const std::string problem = hook.check();
        if (!problem.empty()) {
            if (hook.message)
                hook.message(QString::fromStdString(problem));
            return;
        }
        auto* properties = Get<QListWidget>("listShaderList");
        const int row = properties ? properties->currentRow() : -1;
        if (hook.reselect)
            hook.reselect();
        if (properties && row >= 0) {
            properties->setCurrentRow(row);
            listShaderListClick();
        }
        QWidget* shape = Find("rgPreview");
        auto* cube = shape ? shape->findChild<QRadioButton*>(QStringLiteral("rgPreviewCube")) : nullptr;
        auto* status = Get<QLabel>("lblShrPrev");
        const std::string name = Name();
        QImage picture;
        {
            previewing_ = true;
            struct TDone {
                bool& flag;
                ~TDone() { flag = false; }
            } done{previewing_};
            picture = hook.render(cube && cube->isChecked(), [status] {
                if (status) {
                    status->setText(QStringLiteral("Now Rendering"));
                    status->repaint();
                }
            });
        }
        if (picture.isNull()) {
            if (hook.message)
                hook.message(QStringLiteral("The renderer made no preview picture."));
        } else {
            const QImage shown = picture.size() == QSize(100, 100)
                                     ? picture
                                     : picture.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const std::string key = name + "_p";
            const int at = c_.store.ThumbnailPosition(key);
            if (at >= 0 && size_t(at) < prevList_.size()) {
                prevList_[size_t(at)] = shown;
            } else {
                prevList_.push_back(shown);
                c_.store.SetThumbnailPosition(key, int(prevList_.size()) - 1);
            }
        }
        // Another row may have been chosen while the renderer ran.
        if (Name() == name)
            ShowPreview(name);
        if (status)
            status->clear();
    }

    // The shader's preview from the list, or an empty picture.
    void ShowPreview(const std::string& name)
    {
        auto* shown = Get<QLabel>("imgPreview");
        if (!shown)
            return;
        shown->clear();
        const int at = c_.store.ThumbnailPosition(name + "_p");
        if (at >= 0 && size_t(at) < prevList_.size())
            shown->setPixmap(QPixmap::fromImage(prevList_[size_t(at)]));
    }

    // The texture fill of the selected slot, ending on the given page.
    void FillTexture(const char* page)
    {
        TFilling filling(filling_);
        const std::string name = Name();
        c_.binding.LoadControl(Find("combTexType"), name);
        c_.binding.LoadContainer(Find("pcTexture"), name, Table());
        c_.binding.LoadContainer(Find("pnlModOn"), name, Table());
        TextureTail();
        ShowPage(Find(page));
    }

    // The texture page of the type shown, and the modulator controls enabled by their boxes.
    void TextureTail()
    {
        const int type = ComboIndex(Find("combTexType"));
        if (type == 0)
            ShowPage(Find("tsTexJpeg"));
        else if (type == 1)
            ShowPage(Find("tsTexClouds"));
        if (auto* shown = Get<QLabel>("imgTexture")) {
            shown->clear();
            shown->setToolTip({});
            const int at = SlotThumbnail();
            if (at >= 0)
                shown->setPixmap(QPixmap::fromImage(texList_[size_t(at)]));
            else
                shown->setToolTip(QString::fromStdString(c_.store.GetValue("texture.filename.value", SlotElement())));
        }
        for (QWidget* child : c_.tree.Children(Find("pnlModOn")))
            if (auto* box = qobject_cast<TEnableControlCheckBox*>(child))
                for (QWidget* guarded : {box->RegulateControl(), box->RegulateControl1()})
                    if (guarded)
                        TEnableControlCheckBox::SetEnabledTree(guarded, box->checkState() == Qt::Checked);
    }

    // The position of the selected slot's thumbnail in the list, made from the texture's picture
    // file when the slot has none yet (a texture the scene brought); -1 when it has no picture
    // that can be read.
    int SlotThumbnail()
    {
        const std::string key = SlotElement() + "_t";
        const int at = c_.store.ThumbnailPosition(key);
        if (at >= 0 && size_t(at) < texList_.size())
            return at;
        if (!c_.hooks || !c_.hooks->textureThumbnail || ComboIndex(Find("combTexType")) != 0)
            return -1;
        const std::string file = c_.store.GetValue("texture.filename.value", SlotElement());
        const QImage thumbnail = file.empty() ? QImage() : c_.hooks->textureThumbnail(file);
        if (thumbnail.isNull())
            return -1;
        texList_.push_back(thumbnail);
        c_.store.SetThumbnailPosition(key, int(texList_.size()) - 1);
        return int(texList_.size()) - 1;
    }

    // The texture panel folds to a line when the slot is not in use.
    void CollapseTexture(bool inUse)
    {
        if (QWidget* panel = Find("pnlTexOn"))
            panel->setMaximumHeight(inUse ? QWIDGETSIZE_MAX : 1);
    }

    int filling_ = 0;
    bool boxClicked_ = false;
    bool previewing_ = false;
    // The texture thumbnails of this scene, imported or made from the files the scene names, at
    // the positions the thumbnail index holds.
    std::vector<QImage> texList_;
    // The shader previews of this scene, at the positions the thumbnail index holds.
    std::vector<QImage> prevList_;

private:
    static void AddCheckRow(QListWidget* list, const QString& text)
    {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
};

} // namespace

const TTabTable& ShaderTabTable()
{
    return table;
}


std::unique_ptr<TEditorTab> MakeShaderTab(const TTabContext& context)
{
    return std::make_unique<TShaderTab>(context, table, "shader");
}

} // namespace kelvane
