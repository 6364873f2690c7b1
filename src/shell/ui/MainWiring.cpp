// The main window's wiring of what crosses the layers: the add element dialog, texture import
// and the render panel's hooks.
#include "shell/ui/UnitMain.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/QtText.h"
#include "controls/ui/WidgetTag.h"
#include "editing/KeyPaths.h"
#include "editing/SceneSession.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ElementList.h"
#include "editing/ui/EditorPages.h"
#include "editing/ui/UnitAddObj.h"
#include "controls/BusyState.h"
#include "render/PictureFormats.h"
#include "render/ProcessRunner.h"
#include "render/RenderHistory.h"
#include "render/Targa.h"
#include "scene/ElementKinds.h"
#include "scene/FileIO.h"
#include "render/ShaderPreview.h"
#include "render/TextureImport.h"
#include "render/Thumbnail.h"
#include "render/ui/RenderJobUi.h"
#include "render/ui/PictureImage.h"
#include "render/ui/UnitImgRen.h"
#include "render/ui/UnitJpeg.h"
#include "shell/ui/Dialogs.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <exception>

namespace kelvane {

void TfrmMain::btnAddClick()
{
    if (session_->OpenFiles().empty())
        return;
    // A value typed into the focused field is written before the scene changes.
    TEditorBinding::WritePending();
    Guarded(this, [&] {
        TfrmAddObj dialog(*session_, [this](const QString& text) { Dialogs().Message(this, text); }, this);
        if (session_->RowCount() > 0) {
            session_->SelectRow(0);
            listObjList->setCurrentRow(0);
        }
        {
            TEditStep step(*session_, "Add");
            Dialogs().RunAddObj(dialog);
            const TAddOutcome& added = dialog.Added();
            if (!added.kind.empty())
                session_->SetStepLabel("Add " + added.kind + " " + added.name);
        }
        const TAddOutcome& added = dialog.Added();
        if (!added.row.empty())
            RefreshRows();
        if (added.namesChanged)
            PageControl->NamesChanged();
        // The tab of a kind the dialog adds shows the selected element.
        const TElementKind* kind = FindElementKind(session_->SelectedKind());
        if (kind && !kind->add.empty() && kind->tabOrder >= 0)
            FillTab(PageControl->TabOfKind(kind->name), session_->SelectedName());
        session_->CommitEdit();
        session_->BeginEdit(session_->SelectedKind(), session_->SelectedName());
    });
    ShowSelection();
}

namespace {

// The 100 x 100 thumbnail of a picture; a null image for a picture without colour channels.
QImage ThumbnailImage(const TPicture& picture)
{
    const TPicture thumbnail = MakeThumbnail(picture);
    if (thumbnail.channels != 3 && thumbnail.channels != 4)
        return {};
    QImage shown(thumbnail.pixels.data(), thumbnail.width, thumbnail.height, int(thumbnail.RowBytes()),
                 thumbnail.channels == 3 ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
    return shown.copy();
}

} // namespace

QImage TfrmMain::TextureThumbnailOf(const std::string& fileName)
{
    // Only a picture inside the scene's folder is read.
    const fs::path name(fileName);
    if (fileName.empty() || session_->OpenFiles().empty() || name.is_absolute() ||
        std::any_of(name.begin(), name.end(), [](const fs::path& part) { return part == ".."; }))
        return {};
    try {
        return ThumbnailImage(Decoders().Load(session_->SceneFolder() / name));
    } catch (const std::exception&) {  // unreadable, not a picture, too large for memory
        return {};
    }
}

QImage TfrmMain::ImportTexture(const std::string& textureName, bool fromClipboard)
{
    const fs::path target = session_->SceneFolder() / (textureName + ".jpg");
    TPicture picture;
    if (fromClipboard) {
        QImage image = QGuiApplication::clipboard()->image();
        if (image.isNull()) {
            Dialogs().Message(this, QStringLiteral("Out of Supported Format."));
            return {};
        }
        image = image.convertToFormat(QImage::Format_RGB888);
        picture = TPicture::Make(image.width(), image.height(), 3);
        for (int y = 0; y < image.height(); ++y)
            std::copy_n(image.constScanLine(y), picture.RowBytes(), picture.Row(y));
        SaveTexturePicture(picture, target);
    } else {
        const QStringList files = Dialogs().GetOpenFileNames(
            this, QStringLiteral("Texture"),
            QString::fromStdString(TextureImportFilter()),
            false);
        if (files.isEmpty())
            return {};
        picture = ImportTexturePicture(Decoders(), fs::path(files.front().toStdString()), target);
    }
    return ThumbnailImage(picture);
}

TRenderPanelHooks TfrmMain::RenderPanelHooks()
{
    TRenderPanelHooks hooks;
    hooks.message = [this](const std::string& text) { Dialogs().Message(this, QString::fromUtf8(text.c_str())); };
    hooks.setCaption = [this](const std::string& caption) { ShowCaption(QString::fromUtf8(caption.c_str())); };
    hooks.options = [this] {
        // A value typed into the focused field reaches the rendered scene.
        TEditorBinding::WritePending();
        TRenderOptions options;
        options.executable = iniFileCom_->ReadString("System", "EXEPath", "C:/yafray/yafray.exe");
        options.namedPath = iniFileCom_->ReadString("System", "EXEPath", "");
        if (auto* aa = tree_.Get<QComboBox>("cbAA"))
            options.antiAliasing = std::max(0, aa->currentIndex());
        if (auto* saveName = tree_.Get<QLineEdit>("edtSaveName"))
            options.saveName = Utf8Text(saveName->text());
        options.threads = ThreadsSetting(iniFileCom_->ReadString("System", "Threads", ""));
        options.history = history_.get();
        options.historyLimits.maxCount = iniFileCom_->ReadInteger("History", "MaxCount", THistoryLimits{}.maxCount);
        options.historyLimits.maxMB = iniFileCom_->ReadInteger("History", "MaxMB", int(THistoryLimits{}.maxMB));
        options.preflight = true;
        options.regionBase = [this](int width, int height) { return RegionBase(width, height); };
        return options;
    };
    hooks.confirmFindings = [this](const QString& findings) {
        return Dialogs().Ask(this, QStringLiteral("The check before rendering found:") + findings,
                             {QStringLiteral("Render anyway"), QStringLiteral("Cancel")}, 1) == 0;
    };
    hooks.recorded = [this](const THistoryEntry& entry) {
        if (image_)
            image_->RefreshHistory(entry.id);
    };
    hooks.stopWarningOff = [this] { return Tag(btnStopRen) == 1; };
    hooks.neverShowStopWarning = [this] {
        iniFileCom_->WriteString("System", "StopWindow", "NotShow");
        SetTag(btnStopRen, 1);
    };
    hooks.showPicture = [this](const TPicture& picture) {
        if (image_)
            image_->ShowRendered(picture);
    };
    hooks.setTimeText = [this](const QString& text) {
        if (image_)
            image_->lblTime->setText(text);
    };
    return hooks;
}

void TfrmMain::InstallShaderPreview()
{
    TShaderPreviewHook& hook = editorHooks_.shaderPreview;
    hook.check = [this] { return CheckShaderPreview(*session_); };
    hook.reselect = [this] { listObjListClick(listObjList->currentRow()); };
    hook.message = [this](const QString& text) { Dialogs().Message(this, text); };
    hook.render = [this](bool cube, const std::function<void()>& nowRendering) {
        // Window events are handled between the renderer's outputs.
        struct TPump : IRunObserver {
            void Idle() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
        } pump;
        TBusyScope busy;
        TPreviewRequest request;
        request.programFolder = programFolder_;
        request.executable = iniFileCom_->ReadString("System", "EXEPath", "C:/yafray/yafray.exe");
        request.cube = cube;
        request.nowRendering = nowRendering;
        request.observer = &pump;
        return ToQImage(RenderShaderPreview(*session_, Decoders(), request));
    };
}

TPictureDecoders& TfrmMain::Decoders()
{
    if (!decoders_) {
        decoders_ = std::make_unique<TPictureDecoders>();
        RegisterImageFormatPlugins(*decoders_);
    }
    return *decoders_;
}

std::optional<TPicture> TfrmMain::RegionBase(int width, int height) const
{
    // The last full picture of the open scene at this size: the one on show, else the history's.
    const fs::path scene = OpenScenePath();
    if (scene.empty())
        return std::nullopt;
    if (renderPanel_) {
        const TRenderJob& job = renderPanel_->Job();
        if (const TPicture* last = job.LastPicture())
            if (job.LastPictureScene() == scene && last->width == width && last->height == height)
                return *last;
    }
    for (const THistoryEntry& entry : history_->Entries(scene))
        if (entry.width == width && entry.height == height) {
            try {
                return DecodeTarga(ReadWholeFile(entry.Picture()));
            } catch (const std::exception&) {
                // A picture that cannot be read is passed over for an older one.
            }
        }
    return std::nullopt;
}

fs::path TfrmMain::OpenScenePath() const
{
    if (!session_->HasScene() || session_->OpenFiles().empty())
        return {};
    std::error_code ec;
    const fs::path absolute = fs::absolute(session_->OpenFiles().front(), ec);
    return ec ? session_->OpenFiles().front() : absolute.lexically_normal();
}

TImageWindowHooks TfrmMain::ImageWindowHooks()
{
    TImageWindowHooks hooks;
    hooks.settings = iniFileCom_.get();
    hooks.decoders = &Decoders();
    hooks.programFolder = programFolder_;
    QWidget* window = image_;
    hooks.openFile = [window](const QString& title, const QString& filter) {
        const QStringList files = Dialogs().GetOpenFileNames(window, title, filter, false);
        return files.isEmpty() ? QString() : files.front();
    };
    hooks.saveFile = [window](const QString& title, const QString& filter, const QString& preset,
                              const QStringList& extensions) {
        return Dialogs().GetSaveFileNameTyped(window, title, filter, preset, extensions);
    };
    hooks.message = [window](const QString& text) { Dialogs().Message(window, text); };
    hooks.error = [window](const QString& text) { Dialogs().Error(window, text); };
    hooks.runExport = [](TExportDialog& dialog) { Dialogs().RunExport(dialog); };
    hooks.outputName = [this] {
        auto* saveName = tree_.Get<QLineEdit>("edtSaveName");
        return saveName ? saveName->text() : QString();
    };
    hooks.history = history_.get();
    hooks.scene = [this] { return OpenScenePath(); };
    hooks.renderRegion = [this](const TPixelRect& rect) {
        if (renderPanel_ && session_->HasScene()) {
            TEditorBinding::WritePending();
            renderPanel_->RenderRegion(rect);
        }
    };
    return hooks;
}

} // namespace kelvane
