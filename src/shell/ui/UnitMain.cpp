#include "shell/ui/UnitMain.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/EnableControlCheckBox.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/WidgetPlacement.h"
#include "controls/ui/WidgetTag.h"
#include "editing/SceneSession.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/ControlBuilder.h"
#include "editing/ui/ElementList.h"
#include "render/ui/RenderJobUi.h"
#include "render/ui/UnitDos.h"
#include "render/ui/UnitImgRen.h"
#include "scene/NumFormat.h"
#include "scene/TextCodec.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/UnitColor.h"
#include "shell/ui/UnitConfiguration.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>

#include <cmath>

namespace kelvane {

namespace {

const char* const openFilter = "YafRay ( *.xml, *.txt )|*.xml; *.txt|All Files ( *.* )|*.*";
const char* const saveFilter = "YafRay ( *.xml; *.txt )|*.xml; *.txt|AllFiles ( *.* )|*.*";

QString ToQ(const std::u16string& s)
{
    return QString::fromStdU16String(s);
}

QString ToQ(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

fs::path ToPath(const QString& s)
{
    return fs::path(s.toStdString());
}

// A menu caption shows "&" doubled, so that it is not taken as an accelerator marker.
QString Caption(const QString& path)
{
    QString c = path;
    return c.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

TfrmMain::TfrmMain(fs::path programFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelvane"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    // The settings store is a component of the window: it loads the settings file first.
    iniFileCom_ = std::make_unique<TIniFileCompo>(programFolder_ / "kelvane");
    iniFileCom_->SetCaseSensitive(false);
    iniFileCom_->SetFileName("Pellith.ini");
    session_ = std::make_unique<TSceneSession>(programFolder_);
    binding_ = std::make_unique<TEditorBinding>(tree_, static_cast<IValueStore&>(*this));

    CreateMenus();
    CreateEditors();
    FormCreate();
}

void TfrmMain::Shutdown()
{
    if (!closed_)
        FormCloseQuery();
}

TfrmMain::~TfrmMain()
{
    Shutdown();
    // Children first: the editors refer to the session and the settings.
    delete centralWidget();
}

void TfrmMain::AttachWindows(TfrmImgRen* image, TfrmDos* output, TfrmColor* colour)
{
    image_ = image;
    output_ = output;
    colour_ = colour;
    if (output_)
        output_->SetSettings(iniFileCom_.get());
    if (renderPanel_) {
        renderPanel_->SetOutputWindow(output_);
        renderPanel_->SetImageWindowAction(Imagewindow1);
    }
}

void TfrmMain::CreateMenus()
{
    auto named = [](QAction* a, const char* name) {
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    OpenO1 = named(file->addAction(QStringLiteral("Open")), "OpenO1");
    SaveS1 = named(file->addAction(QStringLiteral("Save")), "SaveS1");
    Saveas1 = named(file->addAction(QStringLiteral("Save as...")), "Saveas1");
    LatestFiles1 = file->addMenu(QStringLiteral("Latest Files"));
    LatestFiles1->setObjectName(QStringLiteral("LatestFiles1"));
    for (int i = 0; i < 4; ++i) {
        LatestFile[i] = LatestFiles1->addAction(QString());
        LatestFile[i]->setObjectName(QStringLiteral("LatestFile%1").arg(i));
        QAction* item = LatestFile[i];
        connect(item, &QAction::triggered, this, [this, item] { OpenO1Click(item); });
    }
    file->addSeparator();
    Configurtion1 = named(file->addAction(QStringLiteral("Configurtion")), "Configurtion1");
    file->addSeparator();
    ExitE1 = named(file->addAction(QStringLiteral("Exit")), "ExitE1");

    QMenu* window = menuBar()->addMenu(QStringLiteral("Window"));
    window->setObjectName(QStringLiteral("Window1"));
    Imagewindow1 = named(window->addAction(QStringLiteral("Image Window")), "Imagewindow1");
    Dos1 = named(window->addAction(QStringLiteral("Dos Window")), "Dos1");
    Color1 = named(window->addAction(QStringLiteral("Color")), "Color1");

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    HelpH2 = named(help->addAction(QStringLiteral("Help")), "HelpH2");
    VersionV1 = named(help->addAction(QStringLiteral("Information")), "VersionV1");

    connect(OpenO1, &QAction::triggered, this, [this] { OpenO1Click(OpenO1); });
    connect(SaveS1, &QAction::triggered, this, [this] { SaveS1Click(); });
    connect(Saveas1, &QAction::triggered, this, [this] { Saveas1Click(); });
    connect(Configurtion1, &QAction::triggered, this, [this] { Configurtion1Click(); });
    connect(ExitE1, &QAction::triggered, this, [this] { close(); });
    auto raise = [](QWidget* w) {
        if (w) {
            w->show();
            w->raise();
            w->activateWindow();
        }
    };
    connect(Imagewindow1, &QAction::triggered, this, [this, raise] { raise(image_); });
    connect(Dos1, &QAction::triggered, this, [this, raise] { raise(output_); });
    connect(Color1, &QAction::triggered, this, [this, raise] { raise(colour_); });
    connect(HelpH2, &QAction::triggered, this, [this] { HelpH2Click(); });
    connect(VersionV1, &QAction::triggered, this, [this] { VersionV1Click(); });
}

void TfrmMain::CreateEditors()
{
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    listObjList = new TElementList(*iniFileCom_, central);
    listObjList->setFixedWidth(170);
    listObjList->OnCheck = [this](int row, bool checked) {
        bool taken = false;
        Guarded(this, [&] { taken = session_->SetRowChecked(row, checked); });
        return taken;
    };
    connect(listObjList, &QListWidget::itemClicked, this, [this] { listObjListClick(); });
    layout->addWidget(listObjList);

    PageControl = new QStackedWidget(central);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    tsEmpty = new QWidget;
    tsEmpty->setObjectName(QStringLiteral("tsEmpty"));
    PageControl->addWidget(tsEmpty);
    layout->addWidget(PageControl, 1);
    setCentralWidget(central);
    setFixedSize(565, 613 + menuBar()->sizeHint().height());

    binding_->SelectedSlot = [this] {
        auto* texSlots = tree_.Get<QListWidget>("listTexList");
        return texSlots ? std::max(0, texSlots->currentRow()) : 0;
    };

    TControlBuilder builder(tree_, *binding_, [this](const char* what) { ShowFailure(what); });
    for (const TTabTable* table : {&RenderTabTable(), &LightTabTable(), &BackgroundTabTable(), &FilterTabTable(),
                                   &ObjectTabTable(), &ShaderTabTable()}) {
        QWidget* tab = builder.Build(*table);
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setWidget(tab);
        PageControl->addWidget(scroll);
        scrollOf_[table->tab] = scroll;
    }

    // Hand-wired controls the tables cannot describe.
    if (QBoxLayout* l = builder.LayoutOf("pnlRenOn")) {
        renderPanel_ = new TRenderPanel(*session_, programFolder_, l, RenderPanelHooks(), this);
        btnStopRen = renderPanel_->btnStopRen;
        for (QWidget* w : {static_cast<QWidget*>(renderPanel_->btnRen), static_cast<QWidget*>(btnStopRen),
                           static_cast<QWidget*>(renderPanel_->lbProg), static_cast<QWidget*>(renderPanel_->ProgressBar)})
            tree_.Add(tree_.Find("pnlRenOn"), w);
    }
    QWidget* shader = tree_.Find("tsShader");
    if (QBoxLayout* l = builder.LayoutOf("tsShader")) {
        auto* properties = new QListWidget;
        properties->setObjectName(QStringLiteral("listShaderList"));
        for (const char* row : {"Color", "Specular", "Reflection", "Transparency"}) {
            auto* item = new QListWidgetItem(QString::fromLatin1(row), properties);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        properties->setFixedHeight(80);
        connect(properties, &QListWidget::currentRowChanged, this, [this](int row) {
            static const char* const pages[] = {"tsColor", "tsSpecular", "tsReflection", "tsTrans"};
            if (row >= 0 && row < 4)
                ShowPage(tree_.Find(pages[row]));
        });
        l->insertWidget(1, properties);
        tree_.Add(shader, properties);
        auto* texSlots = new QListWidget;
        texSlots->setObjectName(QStringLiteral("listTexList"));
        for (int i = 0; i < 10; ++i) {
            auto* item = new QListWidgetItem(QString::number(i), texSlots);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        texSlots->setFlow(QListView::LeftToRight);
        texSlots->setFixedHeight(36);
        l->insertWidget(3, texSlots);
        tree_.Add(shader, texSlots);
    }
    if (auto* type = tree_.Get<TComboBoxYafRay>("combBGType"))
        connect(type, &QComboBox::activated, this, [this, type] { Guarded(this, [&] { combBGTypeChange(type); }); });
    // The output name is shown without its extension and written with ".tga".
    if (auto* saveName = tree_.Get<QLineEdit>("edtSaveName"))
        connect(saveName, &QLineEdit::editingFinished, this, [this, saveName] {
            Guarded(this, [&] {
                session_->SetValue(u"render.outfile.value", u"", saveName->text().toStdU16String() + u".tga", 0);
            });
        });
    if (auto* size = tree_.Get<QComboBox>("cbSize"))
        connect(size, &QComboBox::activated, this, [this](int row) {
            static const int sizes[3][2] = {{480, 360}, {640, 480}, {800, 600}};
            if (row < 0 || row > 2)
                return;
            Guarded(this, [&] {
                QWidget* width = tree_.Find("edtWidth");
                QWidget* height = tree_.Find("edtHeight");
                SetEditText(width, std::to_string(sizes[row][0]));
                SetEditText(height, std::to_string(sizes[row][1]));
                binding_->edtWidthExit(width);
                binding_->edtWidthExit(height);
            });
        });
    ShowPage(tsEmpty);
}

void TfrmMain::FormCreate()
{
    TIniFileCompo& ini = *iniFileCom_;
    if (!ini.ValueExists("System", "EXEPath")) {
        TfrmConfigu dialog(ini);
        Dialogs().RunConfiguration(dialog);
    }
    if (ini.ReadString("System", "StopWindow", "Show") == "NotShow")
        SetTag(btnStopRen, 1);
    std::vector<std::string> recent;
    ini.ReadList("System", "LatestFiles", recent);
    auto& files = session_->RecentFiles();
    files.clear();
    for (const std::string& r : recent)
        files.emplace_back(r);
    for (int i = 0; i < 4; ++i)
        files.emplace_back();
    RefreshLatestFiles();
    ReadForm(ini, "Interface", "MainWindow", *this);
}

void TfrmMain::FormCloseQuery()
{
    closed_ = true;
    TIniFileCompo& ini = *iniFileCom_;
    WriteForm(ini, "Interface", "MainWindow", *this);
    auto& files = session_->RecentFiles();
    if (files.size() > 4)
        files.resize(4);
    std::vector<std::string> recent;
    for (const fs::path& p : files)
        recent.push_back(p.string());
    ini.WriteList("System", "LatestFiles", recent);
    session_->DeleteRenderingFile();
    if (colour_)
        colour_->SavePlacement();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (renderPanel_)
        renderPanel_->Job().RequestStop();
    if (!closed_)
        FormCloseQuery();
    event->accept();
}

void TfrmMain::RefreshLatestFiles()
{
    const auto& files = session_->RecentFiles();
    for (int i = 0; i < 4; ++i)
        LatestFile[i]->setText(size_t(i) < files.size() ? Caption(ToQ(files[size_t(i)])) : QString());
}

void TfrmMain::OpenO1Click(QAction* sender)
{
    std::vector<fs::path> paths;
    if (sender == OpenO1) {
        for (const QString& f : Dialogs().GetOpenFileNames(this, QStringLiteral("Select File"),
                                                            QString::fromLatin1(openFilter), true))
            paths.push_back(ToPath(f));
    } else if (sender && !sender->text().isEmpty()) {
        int index = -1;
        for (int i = 0; i < 4; ++i)
            if (LatestFile[i] == sender)
                index = i;
        if (index < 0)
            return;
        // The caption without its accelerator markers is the path.
        QString path = sender->text();
        path.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        path.remove(QLatin1Char('&'));
        path.replace(QStringLiteral("\x01"), QStringLiteral("&"));
        if (FileExists(ToPath(path))) {
            paths.push_back(ToPath(path));
        } else {
            Dialogs().Message(this, QStringLiteral("The file does not exist: ") + path);
            auto& files = session_->RecentFiles();
            if (size_t(index) < files.size())
                files.erase(files.begin() + index);
            RefreshLatestFiles();
            return;
        }
    }
    if (!paths.empty())
        OpenScenes(paths);
}

void TfrmMain::OpenScenes(const std::vector<fs::path>& paths)
{
    try {
        session_->OpenScene(paths);
    } catch (const std::exception& e) {
        // The previous scene stays open and usable.
        ShowFailure(e.what());
        return;
    }
    RefreshScene();
    RefreshLatestFiles();
    ShowPage(tsEmpty);
    setWindowTitle(ToQ(session_->Caption()));
}

void TfrmMain::RefreshScene()
{
    std::vector<TElementList::TRowView> rows;
    for (const TElementRow& r : session_->Rows())
        rows.push_back({ToQ(r.Text), r.Checked, r.CheckEnabled});
    listObjList->SetRows(rows);
    if (session_->SelectedRow() >= 0)
        listObjList->setCurrentRow(session_->SelectedRow());
    FillNameCombo("combCamera", session_->CameraNames());
    FillNameCombo("combBG", session_->BackgroundNames());
    FillNameCombo("combObjShader", session_->ShaderNames());
}

void TfrmMain::FillNameCombo(const char* name, const std::vector<std::u16string>& names)
{
    auto* combo = tree_.Get<TComboBoxYafRay>(name);
    if (!combo)
        return;
    std::vector<std::string> items;
    for (const auto& n : names)
        items.push_back(Narrow(n));
    combo->SetItems(items);
    combo->setCurrentIndex(-1);
}

void TfrmMain::SaveS1Click()
{
    if (!session_->HasScene())
        return;
    Guarded(this, [&] { session_->Save(); });
}

void TfrmMain::Saveas1Click()
{
    if (!session_->HasScene())
        return;
    const QString target = Dialogs().GetSaveFileName(this, QStringLiteral("Save the scene file"),
                                                     QString::fromLatin1(saveFilter),
                                                     ToQ(session_->OpenFiles().front()));
    if (target.isEmpty())
        return;
    Guarded(this, [&] { session_->SaveAs(ToPath(target)); });
}

void TfrmMain::Configurtion1Click()
{
    TfrmConfigu dialog(*iniFileCom_, this);
    dialog.edtPath->setText(QString::fromStdString(iniFileCom_->ReadString("System", "EXEPath", "")));
    Dialogs().RunConfiguration(dialog);
    listObjList->viewport()->update();
}

void TfrmMain::HelpH2Click()
{
    const fs::path readme = programFolder_ / "readme.txt";
    if (!Dialogs().OpenDocument(ToQ(readme)))
        Dialogs().Message(this, QStringLiteral("Readme.txt is not found in \r\n") + ToQ(programFolder_));
}

void TfrmMain::VersionV1Click()
{
    Dialogs().ShowInformation(this);
}

void TfrmMain::listObjListClick()
{
    const int row = listObjList->currentRow();
    if (row < 0)
        return;
    Guarded(this, [&] {
        session_->SelectRow(row);
        const std::string kind = Narrow(session_->SelectedKind());
        FillTab(TabOfKind(kind), Narrow(session_->SelectedName()));
    });
}

QWidget* TfrmMain::TabOfKind(const std::string& kind) const
{
    static const std::map<std::string, std::string> tabs = {
        {"render", "tsRender"}, {"light", "tsLight"}, {"background", "tsBackGround"},
        {"filter", "tsFilter"}, {"object", "tsObject"}, {"shader", "tsShader"},
    };
    const auto it = tabs.find(kind);
    return it == tabs.end() ? tsEmpty : tree_.Find(it->second);
}

void TfrmMain::FillTab(QWidget* tab, const std::string& name)
{
    if (!tab)
        return;
    const QString t = tab->objectName();
    if (t == QLatin1String("tsRender")) {
        FillRender(name);
    } else if (t == QLatin1String("tsLight")) {
        FillLight(name);
    } else if (t == QLatin1String("tsBackGround")) {
        binding_->LoadContainer(tab, name, tab);
        combBGTypeChange(nullptr);
    } else if (t == QLatin1String("tsFilter")) {
        FillFilter();
    } else if (t == QLatin1String("tsObject")) {
        FillObject(name);
    } else if (t == QLatin1String("tsShader")) {
        FillShader(name);
    } else if (t != QLatin1String("tsEmpty")) {
        binding_->LoadContainer(tab, name, tab);
    }
    ShowPage(tab);
}

void TfrmMain::FillRender(const std::string& name)
{
    QWidget* tab = tree_.Find("tsRender");
    binding_->LoadContainer(tab, name, tab);
    // The output name without its extension: cut from the last "." when it follows the folder.
    if (auto* saveName = tree_.Get<QLineEdit>("edtSaveName")) {
        std::string out = Narrow(session_->GetValue(u"render.outfile.value", u""));
        const size_t dot = out.rfind('.');
        const size_t sep = out.find_last_of("\\:/");
        if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
            out.resize(dot);
        saveName->setText(QString::fromStdString(out));
    }
    std::string samples = Narrow(session_->GetValue(u"render.render.samples", u""));
    if (samples.empty())
        samples = "0";
    const int row = int(std::trunc(std::sqrt(StrToFloat(samples)) - 0.1));
    SetComboIndex(tree_.Find("cbAA"), row >= 0 && row < 7 ? row : -1);
}

void TfrmMain::FillObject(const std::string& name)
{
    QWidget* tab = tree_.Find("tsObject");
    binding_->LoadContainer(tab, name, tab);
    const bool caustic = !EditText(tree_.Find("edtCauIOR")).empty() ||
                         ComboIndex(tree_.Find("combObjReceiveRad")) >= 0 ||
                         ComboIndex(tree_.Find("combObjEmitRad")) >= 0;
    SetGuardChecked(tree_.Find("cbObjCaustic"), caustic);
    binding_->EnableTree(tree_.Find("pnlObjCausticOn"), caustic);
}

void TfrmMain::FillFilter()
{
    QWidget* tab = tree_.Find("tsFilter");
    QWidget* dof = tree_.Find("pnlDOFOn");
    QWidget* an = tree_.Find("pnlAntiNoiseOn");
    binding_->LoadContainer(dof, "dof", tab);
    binding_->LoadContainer(an, "an", tab);
    TNameValueList& presence = session_->PresenceTable();
    const bool hasDof = Narrow(presence.Values(u"dof")) == "1";
    const bool hasAn = Narrow(presence.Values(u"an")) == "1";
    SetGuardChecked(tree_.Find("cbFilDOF"), hasDof);
    SetGuardChecked(tree_.Find("cbFilAntiNoise"), hasAn);
    TEnableControlCheckBox::SetEnabledTree(dof, hasDof);
    TEnableControlCheckBox::SetEnabledTree(an, hasAn);
    dof->setVisible(hasDof);
    an->setVisible(hasAn);
}

void TfrmMain::FillShader(const std::string& name)
{
    QWidget* tab = tree_.Find("tsShader");
    auto* texSlots = tree_.Get<QListWidget>("listTexList");
    if (texSlots)
        texSlots->setCurrentRow(0);
    binding_->LoadContainer(tab, name, tab);
    const std::string flags = Narrow(session_->PresenceTable().Values(Widen(name)));
    if (texSlots)
        for (int i = 0; i < 10; ++i)
            texSlots->item(i)->setCheckState(size_t(i) < flags.size() && flags[size_t(i)] == '1' ? Qt::Checked
                                                                                                 : Qt::Unchecked);
    // The property pages follow the values they hold.
    static const char* const pages[4] = {"tsColor", "tsSpecular", "tsReflection", "tsTrans"};
    static const char* const probes[4][2] = {{"edtShrColorRed", nullptr},
                                             {"edtShrSpeRed", "edtShrHard"},
                                             {"edtShrReflRed", "edtShrMinRefl"},
                                             {"edtShrTransRed", "edtShrIOR"}};
    auto* properties = tree_.Get<QListWidget>("listShaderList");
    for (int i = 0; i < 4; ++i) {
        bool on = false;
        for (const char* probe : probes[i])
            if (probe && !EditText(tree_.Find(probe)).empty())
                on = true;
        if (properties)
            properties->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        binding_->EnableTree(tree_.Find(pages[i]), on);
    }
    if (properties)
        properties->setCurrentRow(0);
    ShowPage(tree_.Find("tsColor"));
    const int type = ComboIndex(tree_.Find("combTexType"));
    if (type == 0)
        ShowPage(tree_.Find("tsTexJpeg"));
    else if (type == 1)
        ShowPage(tree_.Find("tsTexClouds"));
}

void TfrmMain::SetPowerRange(double max, double min, int scale, int ticks)
{
    if (auto* slider = tree_.Get<TLinkedTrackBar>("tbLgtPower")) {
        slider->setRange(int(min * scale), int(max * scale));
        slider->SetScale(scale);
        slider->SetFrequency(ticks);
    }
    if (auto* edit = tree_.Get<TNumberEdit>("edtLgtPower")) {
        edit->SetMax(max);
        edit->SetMin(min);
    }
}

void TfrmMain::FillLight(const std::string& name)
{
    // What each direct-light type sets: type box row (or an added item), power range, page.
    struct TLightType {
        const char* type;
        bool added;
        double max;
        int scale, ticks;
        const char* page;
    };
    static const TLightType types[] = {
        {"pointlight", false, 500, 1, 50, "tsLgtPoint"},  {"sunlight", false, 50, 10, 50, "tsLgtPoint"},
        {"softlight", false, 10000, 1, 1000, "tsLgtSoft"}, {"spotlight", false, 5000, 1, 500, "tsLgtSpot"},
        {"arealight", true, 1000, 1, 100, "tsLgtArea"},    {"hemilight", true, 25, 10, 25, "tsLgtHemi"},
        {"pathlight", true, 25, 10, 25, "tsLgtPath"},
    };
    QWidget* tab = tree_.Find("tsLight");
    auto* typeBox = tree_.Get<TComboBoxYafRay>("combLgtType");
    for (int i = typeBox->count() - 1; i >= 4; --i)
        typeBox->removeItem(i);
    const std::string flags = Narrow(session_->PresenceTable().Values(Widen(name)));
    binding_->EnableTree(tab, false);
    binding_->EnableTree(tree_.Find("pnlLgtSelect"), true);
    const bool direct = (!flags.empty() && flags[0] == '1') || flags == "000";
    SetGuardChecked(tree_.Find("cbLight"), direct);
    if (direct) {
        const std::string element = flags == "000" ? name : name + ".light";
        const std::string type = Narrow(session_->GetValue(u"light.light.type", Widen(element)));
        const TLightType* found = nullptr;
        for (const TLightType& t : types)
            if (type == t.type)
                found = &t;
        if (found) {
            if (found->added)
                typeBox->AddItem(found->type);
            SetPowerRange(found->max, 0, found->scale, found->ticks);
            ShowPage(tree_.Find(found->page));
        }
        binding_->LoadContainer(tree_.Find("pcLight"), element, tab);
        binding_->LoadContainer(tree_.Find("pnlLgtBasic"), element, tab);
        if (type == "hemilight" || type == "pathlight") {
            typeBox->setEnabled(false);
            binding_->EnableTree(tree_.Find("pnlLgtSelect"), false);
        }
        if (type == "pathlight")
            binding_->EnableTree(tree_.Find("pnlLgtColorOn"), false);
    }
    const bool diffuse = flags.size() > 1 && flags[1] == '1';
    const bool caustic = flags.size() > 2 && flags[2] == '1';
    SetGuardChecked(tree_.Find("cbDiffuse"), diffuse);
    SetGuardChecked(tree_.Find("cbCaustics"), caustic);
    if (diffuse) {
        binding_->LoadContainer(tree_.Find("tsDiffuse"), name + ".diffuse", tab);
        ShowPage(tree_.Find("tsDiffuse"));
    }
    if (caustic) {
        binding_->LoadContainer(tree_.Find("tsCaustic"), name + ".caustic", tab);
        ShowPage(tree_.Find("tsCaustic"));
    }
    // A panel without parts collapses.
    const auto collapse = [](QWidget* panel, bool open) {
        if (panel)
            panel->setMaximumHeight(open ? QWIDGETSIZE_MAX : 1);
    };
    collapse(tree_.Find("pnlGIOn"), diffuse || caustic);
    collapse(tree_.Find("pnlLightOn"), direct);
}

void TfrmMain::combBGTypeChange(QWidget* sender)
{
    QWidget* sunsky = tree_.Find("pnlBGSunskyOn");
    if (ComboIndex(tree_.Find("combBGType")) == 0) {
        sunsky->hide();
        const std::u16string name = session_->SelectedName();
        session_->DeleteValue(u"background.background.turbidy", name);
        session_->DeleteValue(u"background.background.add_sun", name);
    } else {
        sunsky->show();
    }
    if (sender)
        binding_->edtWidthExit(sender);
}

void TfrmMain::ShowPage(QWidget* page)
{
    if (!page)
        return;
    if (const auto it = scrollOf_.find(page->objectName().toStdString()); it != scrollOf_.end()) {
        PageControl->setCurrentWidget(it->second);
        return;
    }
    if (page == tsEmpty) {
        PageControl->setCurrentWidget(tsEmpty);
        return;
    }
    // A page of a nested page control becomes current within it.
    for (QWidget* p = page->parentWidget(); p; p = p->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(p)) {
            if (stack != PageControl && stack->indexOf(page) >= 0) {
                if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                    tabs->setCurrentWidget(page);
                else
                    stack->setCurrentWidget(page);
            }
            return;
        }
    }
}

QWidget* TfrmMain::CurrentPage() const
{
    QWidget* current = PageControl->currentWidget();
    if (auto* scroll = qobject_cast<QScrollArea*>(current))
        return scroll->widget();
    return current;
}

std::string TfrmMain::GetValue(std::string_view path, std::string_view name)
{
    return Narrow(session_->GetValue(Widen(path), Widen(name)));
}

void TfrmMain::SetValue(std::string_view path, std::string_view name, std::string_view value, int kind)
{
    session_->SetValue(Widen(path), Widen(name), Widen(value), kind);
}

void TfrmMain::BeginModulatorView()
{
    session_->BeginModulatorView();
}

void TfrmMain::EndModulatorView()
{
    session_->EndModulatorView();
}

std::string TfrmMain::SelectedName()
{
    return Narrow(session_->SelectedName());
}

void TfrmMain::ShowFailure(const char* what)
{
    kelvane::ShowFailure(this, what);
}

TKelvaneWindows::~TKelvaneWindows()
{
    // The close handler stores the colour picker's placement, so it runs while that exists.
    if (main)
        main->Shutdown();
    colour.reset();
    output.reset();
    image.reset();
    main.reset();
}

TRenderPanelHooks TfrmMain::RenderPanelHooks()
{
    TRenderPanelHooks hooks;
    hooks.message = [this](const std::string& text) { Dialogs().Message(this, QString::fromUtf8(text.c_str())); };
    hooks.setCaption = [this](const std::string& caption) { setWindowTitle(QString::fromUtf8(caption.c_str())); };
    hooks.options = [this] {
        TRenderOptions options;
        options.executable = iniFileCom_->ReadString("System", "EXEPath", "C:/yafray/yafray.exe");
        options.namedPath = iniFileCom_->ReadString("System", "EXEPath", "");
        if (auto* aa = tree_.Get<QComboBox>("cbAA"))
            options.antiAliasing = std::max(0, aa->currentIndex());
        if (auto* saveName = tree_.Get<QLineEdit>("edtSaveName"))
            options.saveName = saveName->text().toStdString();
        return options;
    };
    hooks.stopWarningOff = [this] { return Tag(btnStopRen) == 1; };
    hooks.neverShowStopWarning = [this] {
        iniFileCom_->WriteString("System", "StopWindow", "NotShow");
        SetTag(btnStopRen, 1);
    };
    hooks.showPicture = [this](const TPicture&) {
        if (image_) {
            image_->show();
            image_->raise();
        }
    };
    hooks.setTimeText = [this](const QString& text) {
        if (image_)
            image_->lblTime->setText(text);
    };
    return hooks;
}

std::unique_ptr<TKelvaneWindows> StartKelvane(const fs::path& programFolder)
{
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    auto windows = std::make_unique<TKelvaneWindows>();
    windows->main = std::make_unique<TfrmMain>(programFolder);
    windows->image = std::make_unique<TfrmImgRen>();
    windows->output = std::make_unique<TfrmDos>();
    windows->colour = std::make_unique<TfrmColor>(windows->main->IniFileCom());
    windows->main->AttachWindows(windows->image.get(), windows->output.get(), windows->colour.get());
    windows->main->show();
    return windows;
}

} // namespace kelvane
